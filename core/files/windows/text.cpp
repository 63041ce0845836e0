// The system's code page on Windows: the ANSI code page, which argv, the shell's drop query
// and the A functions use for names.
#include "core/files/text.h"
#include "core/files/windows/wide_text.h"

#include <windows.h>

namespace kivo::core {

CodePage systemCodePage()
{
    // The code page the A functions decode names with. Every other ANSI code page is either
    // single-byte or UTF-8, where a plain byte search is exact; the other East Asian
    // double-byte code pages (936, 949, 950) are not supported.
    return GetACP() == 932 ? CodePage::Cp932 : CodePage::Utf8;
}

std::wstring widen(std::string_view text, unsigned int codePage)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string narrow(std::wstring_view text, unsigned int codePage)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

std::wstring crLfLineEnds(std::wstring_view text)
{
    std::wstring lines;
    lines.reserve(text.size() + text.size() / 16);
    for (const wchar_t c : text) {
        if (c == L'\n')
            lines += L'\r';
        lines += c;
    }
    return lines;
}

std::optional<std::string> toAnsiExactly(std::wstring_view text)
{
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    // With UTF-8 as the ANSI code page every character has its spelling, and Windows takes
    // neither of the two checks below for it: only a lone surrogate fails there.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* check = utf8 ? nullptr : &usedDefault;
    const int length = WideCharToMultiByte(CP_ACP, flags, text.data(), size, nullptr, 0, nullptr, check);
    if (length == 0 || usedDefault)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), size, bytes.data(), length, nullptr, check);
    if (usedDefault)
        return std::nullopt;
    return bytes;
}

std::string systemTextToUtf8(const std::string& text)
{
    return narrow(widen(text, CP_ACP), CP_UTF8);
}

} // namespace kivo::core
