#include "win32/notifier.h"

#include "win32/wide_text.h"

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

void MessageBoxNotifier::notice(const std::string& text)
{
    MessageBoxW(m_owner, boxText(text).c_str(), applicationTitle().c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void MessageBoxNotifier::error(const std::string& text)
{
    MessageBoxW(m_owner, boxText(text).c_str(), applicationTitle().c_str(), MB_OK | MB_ICONSTOP);
}

} // namespace kivo::win32
