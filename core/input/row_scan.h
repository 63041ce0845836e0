#pragma once

// The state of a row being split, and the word-at-a-time scans of the row splitter
// (row_splitter.h): finding the byte that ends or marks a field, and passing the columns no
// wave needs, eight and sixteen bytes at a time.

#include "core/input/row_layout.h"
#include "core/files/text.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kivo::core {

// The first byte in [p, end) that can end or mark a field of a row: `c`, a control byte
// (below 0x20: NUL ends a line's text, CR and tab make a value unreadable), a double quote
// when `Quotes` (and then also a blank or "!"), or, when `stopAtHigh`, a byte of 0x80 or
// above. Eight bytes at a time.
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

constexpr std::uint32_t slotBit(int slot) noexcept
{
    return std::uint32_t{1} << static_cast<unsigned>(slot);
}

// The state of a row being split, carried from one piece of its line to the next. Start a
// row with a fresh one; the masks hold one bit per slot.
struct RowScan {
    std::size_t column = 0;   // the column whose bytes come next
    bool quoted = false;      // inside a quoted stretch
    bool begun = false;       // the field in progress has bytes in an earlier piece
    bool reopen = false;      // the last piece ended with the quote that closed a stretch
    bool lead = false;        // a lead byte ended the last piece: its second byte comes next
    bool unreadable = false;  // the field in progress holds a CR or a tab
    bool held = false;        // the field in progress has handed on bytes already
    bool done = false;        // the row needs nothing more of its line
    std::uint32_t ended = 0;  // slots whose field has ended
    std::uint32_t filled = 0; // slots whose field is not empty
    std::uint32_t unreadableSlots = 0;
};

namespace splitter_detail {

// Where a quote may open a quoted stretch: as the first byte of a field, or right after the
// quote that closed one (a doubled quote inside a stretch stays in it). Every other quote is
// an ordinary byte. `first` is the piece's first byte, `closedAt` the last closing quote in
// it. A comma before a quote outside a stretch always ended a field: under CP932 a comma is
// never a second byte.
inline bool opensStretch(const RowScan& s, const char* q, const char* first, const char* closedAt) noexcept
{
    if (q == first)
        return !s.begun || s.reopen;
    return q[-1] == ',' || q - 1 == closedAt;
}

// Takes the quote at `q` by the rule above.
inline void takeQuote(RowScan& s, const char* q, const char* first, const char*& closedAt) noexcept
{
    if (s.quoted) {
        s.quoted = false;
        closedAt = q;
    } else if (opensStretch(s, q, first, closedAt)) {
        s.quoted = true;
    }
}

struct Skipped {
    const char* p;      // just after the last comma passed, or where the piece or text ended
    std::size_t passed; // commas passed
    bool textEnded;     // the line's text ended at a NUL, at p
};

// Passes up to `count` commas that end columns no wave needs, from `p` on: all of them, or
// fewer when the piece ends or the line's text ends at a NUL. Today's rows carry
// dozens of such columns, mostly empty, so it counts the commas of sixteen bytes a round
// wherever they hold no quote, NUL or (under CP932) byte that may start a character.
template <bool Quotes>
Skipped skipColumns(RowScan& s, const char* p, const char* end, std::size_t count, bool twoByte, const char* first,
                    const char*& closedAt) noexcept
{
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighs = 0x8080808080808080u;
    constexpr std::uint64_t kLows = 0x7F7F7F7F7F7F7F7Fu;
    constexpr std::uint64_t kCommas = kOnes * static_cast<unsigned char>(',');
    // Whether a word holds a byte that a count of its commas must not pass over: a NUL, a
    // quote, a byte that may start a two-byte character. One test takes every byte below
    // 0x23 (the quote) and every byte from 0x80 on, so a blank, a control byte or any
    // non-ASCII byte is passed a byte at a time too; numbers, the bulk, are not.
    constexpr std::uint64_t kBelow = kOnes * (Quotes ? 0x23u : 0x01u);
    const auto special = [](std::uint64_t word) noexcept { return (((word - kBelow) & ~word) | word) & kHighs; };
    // Exactly the comma bytes of a word that holds no special byte, one bit each: every byte
    // is below 0x80, so its difference from a comma is too, and adding 0x7F to it carries
    // into the byte's high bit, never beyond, unless the difference is zero.
    const auto commasOf = [](std::uint64_t word) noexcept { return (~((word ^ kCommas) + kLows) & kHighs) >> 7; };
    // One bit per comma byte: a multiply adds them up without a popcount instruction,
    // which the baseline processor may lack.
    const auto countOf = [](std::uint64_t commas) noexcept { return static_cast<std::size_t>((commas * kOnes) >> 56); };
    std::size_t passed = 0;
    // An empty column, such as the comment of nearly every row, costs one byte.
    if (!(Quotes && s.quoted) && p != end && *p == ',') {
        ++p;
        ++passed;
    }
    while (passed < count) {
        if (std::endian::native == std::endian::little && !(Quotes && s.quoted)) {
            // Sixteen bytes at a time while no comma that ends the run is among them.
            while (end - p >= 16) {
                std::uint64_t a;
                std::uint64_t b;
                std::memcpy(&a, p, sizeof a);
                std::memcpy(&b, p + 8, sizeof b);
                if ((special(a) | special(b)) != 0)
                    break;
                const std::size_t n = countOf(commasOf(a) + commasOf(b));
                if (passed + n >= count)
                    break;
                passed += n;
                p += 16;
            }
            std::uint64_t word;
            if (end - p >= 8 && (std::memcpy(&word, p, sizeof word), special(word) == 0)) {
                std::uint64_t commas = commasOf(word);
                const std::size_t n = countOf(commas);
                if (passed + n < count) {
                    passed += n;
                    p += 8;
                    continue;
                }
                for (std::size_t k = count - passed; k > 1; --k)
                    commas &= commas - 1;
                return {p + std::countr_zero(commas) / 8 + 1, count, false};
            }
        }
        if (p == end)
            break;
        // A byte at a time through quotes, NULs, two-byte characters and the last bytes.
        const char c = *p;
        if (c == '\0')
            return {p, passed, true};
        if (Quotes && c == '"') {
            takeQuote(s, p, first, closedAt);
        } else if (c == ',' && !(Quotes && s.quoted)) {
            ++passed;
        } else if (twoByte && isLeadByte(static_cast<unsigned char>(c), CodePage::Cp932)) {
            if (p + 1 == end) {
                s.lead = true;
                ++p;
                break;
            }
            if (isTrailByte(static_cast<unsigned char>(p[1])))
                ++p;
        }
        ++p;
    }
    return {p, passed, false};
}

} // namespace splitter_detail

} // namespace kivo::core
