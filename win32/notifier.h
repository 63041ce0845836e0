#pragma once

#include "core/io_error.h"
#include "core/notice.h"

#include <string>

#include <windows.h>

namespace kivo::win32 {

// The application title: the program file's name without its extension. Notices and error
// boxes are captioned with it.
std::wstring applicationTitle();

// `text` with the system's reason below it as a paragraph of its own, when there is one.
std::string withReason(std::string text, const std::string& reason);

// The text of a notice's box: the display name, which is in the ANSI code page, is read as
// such, and the system's reason follows when the notice carries one.
std::wstring noticeBoxText(const core::Notice& notice);

// The text of the stop box for a read, write or close error.
std::wstring errorBoxText(const core::IoError& error);

// The notice for a dropped file whose name the ANSI code page cannot spell; `name` is the
// file's name as the shell gave it.
std::wstring unspellableNameText(const std::wstring& name);

// Shows the window's modal message boxes. The window asks it instead of opening boxes
// itself, so that tests can record what the user would have been told.
class Notifier {
public:
    virtual ~Notifier() = default;
    // A notice: exclamation icon, one OK button; returns once it is confirmed.
    virtual void notice(HWND owner, const std::wstring& text) = 0;
    // A read, write or close error: stop icon, one OK button; returns once it is confirmed.
    virtual void error(HWND owner, const std::wstring& text) = 0;
};

// The real boxes, owned by `owner` so that it is disabled while they are open.
class MessageBoxNotifier final : public Notifier {
public:
    void notice(HWND owner, const std::wstring& text) override;
    void error(HWND owner, const std::wstring& text) override;
};

} // namespace kivo::win32
