#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kivo::core {

// How the bytes of a narrow string form characters. Under CP932 (the Japanese ANSI code
// page) a lead byte starts a two-byte character whose second byte may equal an ASCII
// byte such as '\\'; under UTF-8 no byte of a multi-byte character is ASCII.
enum class CodePage { Utf8, Cp932 };

// The code page that file names and texts arrive in on this platform.
CodePage systemCodePage();

// A text in the system's narrow encoding (the ANSI code page on Windows: names, arguments)
// as UTF-8, the encoding of the program's own words and of the system's reasons.
std::string systemTextToUtf8(const std::string& text);

// True for the ASCII digits, whatever the code page: no byte of a two-byte character is one
// where it matters (a number, a name, a date), since a second byte is never below 0x40.
constexpr bool isAsciiDigit(char c) noexcept
{
    return c >= '0' && c <= '9';
}

// True when `byte` may start a two-byte character in `page`. It does only when the next byte
// is a second byte (isTrailByte); otherwise it is a character of its own, as Windows reads it.
constexpr bool isLeadByte(unsigned char byte, CodePage page) noexcept
{
    return page == CodePage::Cp932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

// True when `byte` can be the second byte of a CP932 character. No control byte, blank, comma,
// quote or dot can: those always stand for themselves.
constexpr bool isTrailByte(unsigned char byte) noexcept
{
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// The position of the last `c` that is a character of its own, or npos.
std::size_t findLastChar(std::string_view text, char c, CodePage page) noexcept;

} // namespace kivo::core
