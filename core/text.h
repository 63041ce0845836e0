#pragma once

#include <cstddef>
#include <string_view>

namespace kivo::core {

// How the bytes of a narrow string form characters. Under CP932 (the Japanese ANSI code
// page) a lead byte starts a two-byte character whose second byte may equal an ASCII
// byte such as '\\'; under UTF-8 no byte of a multi-byte character is ASCII.
enum class CodePage { Utf8, Cp932 };

// The code page that file names and texts arrive in on this platform.
CodePage systemCodePage();

// True when `byte` starts a two-byte character in `page`.
constexpr bool isLeadByte(unsigned char byte, CodePage page) noexcept
{
    return page == CodePage::Cp932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

struct CharSearch {
    std::size_t pos;   // where `c` stands, or where the scan stopped at a character boundary
    bool found;
};

// Finds the first `c` at or after `from` that is a character of its own, never the second
// byte of a two-byte character. `from` must be a character boundary. When `c` is not
// found, `pos` is the boundary the scan reached: text.size(), or one less when the text
// ends in a lone lead byte whose second byte has not arrived yet.
CharSearch scanForChar(std::string_view text, char c, CodePage page, std::size_t from = 0) noexcept;

// The first byte in [p, end) that is `c` or NUL or, when `stopAtHigh`, a byte of 0x80 or
// above (which may start a two-byte character); `end` if there is none. Looks at eight
// bytes at a time, since the reader calls it for every field of every row.
const char* findStop(const char* p, const char* end, char c, bool stopAtHigh) noexcept;

// The first byte in [p, end) that can end or mark a field of a row: `c`, a control byte
// (below 0x20: NUL ends a line's text, CR and tab make a value unreadable), a double quote
// when `Quotes`, or, when `stopAtHigh`, a byte of 0x80 or above. Eight bytes at a time.
template <bool Quotes>
const char* findFieldStop(const char* p, const char* end, char c, bool stopAtHigh) noexcept;

// The position of the first `c` that is a character of its own, or npos.
std::size_t findChar(std::string_view text, char c, CodePage page, std::size_t from = 0) noexcept;

// The position of the last `c` that is a character of its own, or npos.
std::size_t findLastChar(std::string_view text, char c, CodePage page) noexcept;

} // namespace kivo::core
