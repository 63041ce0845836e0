#include "win32/notifier.h"

#include "win32/wide_text.h"

#include "core/text.h"

namespace kivo::win32 {

std::wstring applicationTitle()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos)
        name.resize(dot);
    return name;
}

std::string withReason(std::string text, const std::string& reason)
{
    if (!reason.empty())
        text += "\r\r" + reason;
    return text;
}

std::wstring noticeBoxText(const core::Notice& notice)
{
    core::Notice shown = notice;
    shown.name = core::systemTextToUtf8(notice.name);
    return boxText(withReason(core::noticeText(shown), notice.reason));
}

std::wstring errorBoxText(const core::IoError& error)
{
    return boxText(withReason(error.what(), error.reason()));
}

std::wstring unspellableNameText(const std::wstring& name)
{
    return boxText("ファイル[ " + toUtf8(name) + " ] は、\r名前にこのWindowsの文字コードで表せない文字があるので\rパスします");
}

void MessageBoxNotifier::notice(HWND owner, const std::wstring& text)
{
    MessageBoxW(owner, text.c_str(), applicationTitle().c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void MessageBoxNotifier::error(HWND owner, const std::wstring& text)
{
    MessageBoxW(owner, text.c_str(), applicationTitle().c_str(), MB_OK | MB_ICONSTOP);
}

} // namespace kivo::win32
