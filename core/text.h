#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

// True when `byte` starts a two-byte character in `page`.
constexpr bool isLeadByte(unsigned char byte, CodePage page) noexcept
{
    return page == CodePage::Cp932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

// The first byte in [p, end) that can end or mark a field of a row: `c`, a control byte
// (below 0x20: NUL ends a line's text, CR and tab make a value unreadable), a double quote
// when `Quotes` (and then also a blank or "!"), or, when `stopAtHigh`, a byte of 0x80 or
// above. Eight bytes at a time.
// Inline: the row splitter calls it for every field of every row.
template <bool Quotes>
inline const char* findFieldStop(const char* p, const char* end, char c, bool stopAtHigh) noexcept
{
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kOnes = 0x0101010101010101u;
        constexpr std::uint64_t kHighs = 0x8080808080808080u;
        // Below 0x20 the control bytes; with quotes, below 0x23 so as to take in the quote
        // (and the blank and "!", which stop the search for nothing) in the same test.
        constexpr std::uint64_t kBelow = kOnes * (Quotes ? 0x23u : 0x20u);
        const std::uint64_t pattern = kOnes * static_cast<unsigned char>(c);
        const std::uint64_t highs = stopAtHigh ? kHighs : 0;
        // Each term flags exactly the first byte it looks for; borrows can only flag bytes
        // after it, so the lowest flag of them all is a true stop.
        const auto hits = [&](std::uint64_t word) noexcept {
            const std::uint64_t x = word ^ pattern;
            return ((((x - kOnes) & ~x) | ((word - kBelow) & ~word)) & kHighs) | (word & highs);
        };
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, sizeof word);
            if (const std::uint64_t h = hits(word); h != 0)
                return p + std::countr_zero(h) / 8;
            p += 8;
        }
    }
    for (; p != end; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (*p == c || byte < (Quotes ? 0x23 : 0x20) || (stopAtHigh && byte >= 0x80))
            return p;
    }
    return end;
}

// The position of the last `c` that is a character of its own, or npos.
std::size_t findLastChar(std::string_view text, char c, CodePage page) noexcept;

} // namespace kivo::core
