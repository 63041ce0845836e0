#pragma once

#include "intake/notifier.h"

#include <string>

#include <windows.h>

namespace kivo::win32 {

// The application title: the program file's name without its extension. Notices and error
// boxes are captioned with it.
std::wstring applicationTitle();

// The real boxes, owned by the main window so that it is disabled while they are open.
class MessageBoxNotifier final : public intake::Notifier {
public:
    explicit MessageBoxNotifier(HWND owner = nullptr) : m_owner(owner) {}
    // The window the boxes belong to from now on; may be null.
    void setOwner(HWND owner) noexcept { m_owner = owner; }

    void notice(const std::string& text) override;
    void error(const std::string& text) override;

private:
    HWND m_owner;
};

} // namespace kivo::win32
