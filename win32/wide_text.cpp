#include "win32/wide_text.h"

#include "core/windows/wide_text.h"

namespace kivo::win32 {

std::optional<std::string> toAnsiExactly(std::wstring_view text)
{
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr, 0,
                                           nullptr, &usedDefault);
    if (length == 0 || usedDefault)
        return std::nullopt;
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, narrow.data(), length, nullptr,
                        &usedDefault);
    if (usedDefault)
        return std::nullopt;
    return narrow;
}

std::string toUtf8(std::wstring_view text)
{
    return core::narrow(text, CP_UTF8);
}

std::wstring boxText(std::string_view utf8)
{
    const std::wstring wide = core::widen(utf8, CP_UTF8);
    std::wstring shown;
    shown.reserve(wide.size() + 8);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == L'\r' || wide[i] == L'\n') {
            shown += L"\r\n";
            if (wide[i] == L'\r' && i + 1 < wide.size() && wide[i + 1] == L'\n')
                ++i;
        } else {
            shown += wide[i];
        }
    }
    return shown;
}

} // namespace kivo::win32
