#pragma once

#include "core/files/text.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kivo::core {

// No instrument writes a value this long; a longer one is not a number and is never held.
inline constexpr std::size_t kLongestValue = 4096;

namespace number_detail {

constexpr bool isSign(char c) noexcept
{
    return c == '+' || c == '-';
}

// NaN and INF in one spelling, whatever their case in the file, so that every output and
// every check for "a number other than NaN" meets one form of each.
inline constexpr std::string_view kNaNWord = "NaN";
inline constexpr std::string_view kInfWord = "INF";
inline constexpr std::string_view kMinusInfWord = "-INF";

// The spelling of NaN or INF for `word` (an optional sign, then the word in any case), or
// empty when it is neither.
constexpr std::string_view namedValue(std::string_view word) noexcept
{
    const bool minus = !word.empty() && word[0] == '-';
    if (!word.empty() && isSign(word[0]))
        word.remove_prefix(1);
    if (word.size() != 3)
        return {};
    const auto lower = [](char c) { return static_cast<char>(c | 0x20); };
    const char a = lower(word[0]);
    const char b = lower(word[1]);
    const char c = lower(word[2]);
    if (a == 'n' && b == 'a' && c == 'n')
        return kNaNWord;
    if (a == 'i' && b == 'n' && c == 'f')
        return minus ? kMinusInfWord : kInfWord;
    return {};
}

// The byte-wise parse behind igorNumber(), and the definition that every faster test of the
// same rule answers to.
constexpr std::string_view parsedNumber(std::string_view value) noexcept
{
    if (value.size() > kLongestValue)
        return {};
    std::size_t from = 0;
    std::size_t to = value.size();
    while (from != to && value[from] == ' ')
        ++from;
    while (to != from && value[to - 1] == ' ')
        --to;
    std::size_t i = from;
    if (i != to && isSign(value[i]))
        ++i;
    const std::size_t mantissa = i;
    while (i != to && isAsciiDigit(value[i]))
        ++i;
    std::size_t digits = i - mantissa;
    if (i != to && value[i] == '.') {
        const std::size_t fraction = ++i;
        while (i != to && isAsciiDigit(value[i]))
            ++i;
        digits += i - fraction;
    }
    if (digits == 0)
        return namedValue(value.substr(from, to - from));
    if (i != to && (value[i] | 0x20) == 'e') {
        ++i;
        if (i != to && isSign(value[i]))
            ++i;
        const std::size_t exponent = i;
        while (i != to && isAsciiDigit(value[i]))
            ++i;
        if (i == exponent)
            return {};
    }
    return i == to ? value.substr(from, to - from) : std::string_view();
}

// Whether the 1 to 16 bytes at `p` are a number without blanks, eight bytes at a time; false
// may also mean only that the byte-wise parse must decide (text, NaN, INF, blanks).
inline bool isPlainNumber(const char* p, std::size_t n) noexcept
{
    if constexpr (std::endian::native != std::endian::little)
        return false;
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighs = 0x8080808080808080u;
    // The value's bytes, zero beyond its end, gathered with loads that stay inside it.
    std::uint64_t lo = 0;
    std::uint64_t hi = 0;
    if (n >= 8) {
        std::memcpy(&lo, p, 8);
        std::memcpy(&hi, p + n - 8, 8);
        hi = n == 8 ? 0 : hi >> (8 * (16 - n));
    } else if (n >= 4) {
        std::uint32_t a;
        std::uint32_t b;
        std::memcpy(&a, p, 4);
        std::memcpy(&b, p + n - 4, 4);
        lo = a | (std::uint64_t{b} << (8 * (n - 4)));
    } else {
        const auto at = [p](std::size_t k) { return std::uint64_t{static_cast<unsigned char>(p[k])} << (8 * k); };
        lo = at(0) | at(n / 2) | at(n - 1);
    }
    if (((lo | hi) & kHighs) != 0)
        return false;
    // With every byte below 0x80 no sum carries out of its byte: the mask flags exactly the
    // digits, by their high bit, and a multiply gathers those flags into one bit a byte.
    const auto digitsOf = [](std::uint64_t w) noexcept {
        const std::uint64_t flags = (w + kOnes * 0x50) & ~(w + kOnes * 0x46) & kHighs;
        return static_cast<unsigned>((((flags >> 7) * 0x0102040810204080u) >> 56) & 0xFF);
    };
    const unsigned digits = digitsOf(lo) | digitsOf(hi) << 8;
    unsigned others = ((1u << n) - 1) & ~digits;
    // The few bytes that are not digits, in order: a sign first, a point, an exponent mark
    // with its own sign; the exponent's digits are the rest.
    std::size_t at = static_cast<std::size_t>(std::countr_zero(others));
    const auto next = [&]() noexcept {
        others &= others - 1;
        at = static_cast<std::size_t>(std::countr_zero(others));
    };
    if (others == 0)
        return true;
    if (at == 0 && (p[0] == '+' || p[0] == '-')) {
        next();
        if (others == 0)
            return digits != 0;
    }
    if (p[at] == '.') {
        next();
        if (others == 0)
            return digits != 0;
    }
    if ((p[at] | 0x20) != 'e' || (digits & ((1u << at) - 1)) == 0)
        return false;
    std::size_t exponent = at + 1;
    next();
    if (others != 0 && at == exponent && (p[at] == '+' || p[at] == '-')) {
        ++exponent;
        next();
    }
    return others == 0 && exponent < n;
}

} // namespace number_detail

// The bytes of `value` to write in a data line: the value without the blanks around it when
// it is a decimal number as Igor reads one (an optional sign, digits with an optional point,
// an optional exponent), "NaN", "INF" or "-INF" for those words in any case after an
// optional sign, else empty, which is written as NaN. Anything else would change how many
// items Igor reads on the line, or be an item it cannot read. Inline: it runs for every value
// written, nearly always through the word-wise test.
inline std::string_view igorNumber(std::string_view value) noexcept
{
    const std::size_t n = value.size();
    if (n - 1 < 16 && number_detail::isPlainNumber(value.data(), n))
        return value;
    return number_detail::parsedNumber(value);
}

// Whether `judged`, a value as igorNumber() gives it, is a number other than NaN: a column
// whose values are all NaN holds no number.
constexpr bool holdsNumber(std::string_view judged) noexcept
{
    return !judged.empty() && judged != number_detail::kNaNWord;
}

} // namespace kivo::core
