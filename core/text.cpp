#include "core/text.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace kivo::core {

CharSearch scanForChar(std::string_view text, char c, CodePage page, std::size_t from) noexcept
{
    if (from >= text.size())
        return {text.size(), false};
    if (page == CodePage::Utf8) {
        // No byte of a multi-byte UTF-8 character is ASCII, so a plain search is exact.
        const void* hit = std::memchr(text.data() + from, static_cast<unsigned char>(c), text.size() - from);
        if (hit == nullptr)
            return {text.size(), false};
        return {static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()), true};
    }
    std::size_t i = from;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (isLeadByte(byte, page)) {
            if (i + 1 == text.size())
                return {i, false};
            i += 2;
            continue;
        }
        if (text[i] == c)
            return {i, true};
        ++i;
    }
    return {text.size(), false};
}

const char* findStop(const char* p, const char* end, char c, bool stopAtHigh) noexcept
{
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kOnes = 0x0101010101010101u;
        constexpr std::uint64_t kHighs = 0x8080808080808080u;
        const std::uint64_t pattern = kOnes * static_cast<unsigned char>(c);
        const std::uint64_t highs = stopAtHigh ? kHighs : 0;
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, sizeof word);
            const std::uint64_t x = word ^ pattern;
            // The lowest byte flagged is exactly the first zero byte of `x` or `word`;
            // borrows can only flag bytes after it.
            const std::uint64_t hits = ((((x - kOnes) & ~x) | ((word - kOnes) & ~word)) & kHighs) | (word & highs);
            if (hits != 0)
                return p + std::countr_zero(hits) / 8;
            p += 8;
        }
    }
    for (; p != end; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (*p == c || byte == 0 || (stopAtHigh && byte >= 0x80))
            return p;
    }
    return end;
}

std::size_t findChar(std::string_view text, char c, CodePage page, std::size_t from) noexcept
{
    const CharSearch hit = scanForChar(text, c, page, from);
    return hit.found ? hit.pos : std::string_view::npos;
}

std::size_t findLastChar(std::string_view text, char c, CodePage page) noexcept
{
    if (page == CodePage::Utf8) {
        const std::size_t pos = text.rfind(c);
        return pos;
    }
    // A two-byte character can only be recognised from its start, so walk forwards.
    std::size_t last = std::string_view::npos;
    std::size_t i = 0;
    while (i < text.size()) {
        if (isLeadByte(static_cast<unsigned char>(text[i]), page)) {
            i += 2;
            continue;
        }
        if (text[i] == c)
            last = i;
        ++i;
    }
    return last;
}

} // namespace kivo::core
