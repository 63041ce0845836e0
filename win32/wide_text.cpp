#include "win32/wide_text.h"

#include "core/files/windows/wide_text.h"

namespace kivo::win32 {

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
