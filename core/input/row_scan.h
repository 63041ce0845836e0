#pragma once

// The state of a row being split, and the word-at-a-time scans of the row splitter
// (row_splitter.h): finding the byte that ends or marks a field, judging whether a field is
// a number with the same look at its bytes, and passing the columns no wave needs, 64 bytes
// a round with SSE2 and eight or sixteen without.

#include "core/input/row_layout.h"
#include "core/files/text.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// SSE2 is part of every x86-64 processor; 32-bit x86 has it only when the build says so
// (MinGW's i686 compiler does not by default), and other processors judge numbers byte by
// byte and pass commas a word at a time.
// KIVO_PORTABLE_SCAN builds the byte-wise path here too, to measure what other processors get.
#if (defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)) && !defined(KIVO_PORTABLE_SCAN)
#include <emmintrin.h>
#define KIVO_SCAN_SSE2 1
#endif

namespace kivo::core {

// Whether the splitter judges numbers with vector loads here; elsewhere every field takes
// the byte-wise path, which gives the same bytes.
#ifdef KIVO_SCAN_SSE2
inline constexpr bool kVectorScan = true;
#else
inline constexpr bool kVectorScan = false;
#endif

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

#ifdef KIVO_SCAN_SSE2
namespace scan_detail {

// The bytes of a number among 16 or 32 bytes, one bit a byte: those that every value needs
// looked at (ShapeBytes), and those that only a value with more than digits and a point
// does (SignBytes).
struct ShapeBytes {
    std::uint32_t digits;
    std::uint32_t points;
};

inline std::uint32_t bitsOf(__m128i flags) noexcept
{
    return static_cast<std::uint32_t>(_mm_movemask_epi8(flags));
}

inline ShapeBytes shapeBytesOf(__m128i x) noexcept
{
    // x - '0' is at most 9 exactly for the digits: every other byte wraps above it.
    const __m128i fromZero = _mm_sub_epi8(x, _mm_set1_epi8('0'));
    const __m128i digits = _mm_cmpeq_epi8(_mm_min_epu8(fromZero, _mm_set1_epi8(9)), fromZero);
    return {bitsOf(digits), bitsOf(_mm_cmpeq_epi8(x, _mm_set1_epi8('.')))};
}

} // namespace scan_detail

// Whether the `length` bytes at `p` (1 to 31) are a number without blanks. Their bytes are
// then all digits but a sign first, one point, and an exponent's mark with its own sign, so
// a vector look finds the digits and points, and the few other bytes are looked at one by
// one. False says nothing: a blank, a letter, a quote, a control or non-ASCII byte, or a
// value that is no number are left to the byte-wise rule. Reads 16 or 32 bytes from `p`: a
// piece guarantees kScanSlack readable bytes after it.
inline bool isNumberShape(const char* p, std::size_t length) noexcept
{
    const auto load = [p](std::size_t at) noexcept { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)); };
    scan_detail::ShapeBytes b = scan_detail::shapeBytesOf(load(0));
    if (length > 16) {
        const scan_detail::ShapeBytes high = scan_detail::shapeBytesOf(load(16));
        b = {b.digits | high.digits << 16, b.points | high.points << 16};
    }
    const auto isSign = [](char c) noexcept { return c == '-' || c == '+'; };
    const std::uint32_t field = (std::uint32_t{1} << length) - 1;
    // The bytes other than digits, less a sign in front.
    const std::uint32_t others = field & ~b.digits & ~static_cast<std::uint32_t>(isSign(p[0]));
    // Digits with at most one point, the most common shapes, take a few steps.
    if ((others & (others - 1)) == 0 && (others & ~b.points) == 0)
        return (field & b.digits) != 0;
    // Else the last of them is the exponent's mark, or its sign right after the mark; what
    // stays besides may only be the mantissa's point. Every byte after the last is a digit.
    const int last = static_cast<int>(std::bit_width(others)) - 1;
    const int mark = last - static_cast<int>(isSign(p[last]));
    if (mark < 1 || (p[mark] | 0x20) != 'e')
        return false;
    const std::uint32_t markBit = std::uint32_t{1} << mark;
    const std::uint32_t rest = others & (markBit - 1);
    return (rest & (rest - 1)) == 0 && (rest & ~b.points) == 0 && (b.digits & (markBit - 1)) != 0
           && static_cast<std::size_t>(last) + 1 < length;
}

// The commas of a line among the 64 bytes from `at`, one bit a byte, and the bytes there that
// a count of commas must not pass: a NUL, with `Quotes` a quote, and the line's end. No
// comma, quote or NUL is ever the second byte of a two-byte character, so neither needs a
// look at the code page.
struct CommaWindow {
    const char* at;
    std::uint64_t commas;
    std::uint64_t stops;
    std::uint64_t lineEnd; // the bit of the line's end, when it falls among the 64 bytes
};

// Reads 64 bytes from `at`, which lies in the line or at its end: a piece guarantees
// kScanSlack readable bytes after it.
template <bool Quotes>
inline CommaWindow commaWindowAt(const char* at, const char* end) noexcept
{
    const __m128i zero = _mm_setzero_si128();
    __m128i x[4];
    std::uint64_t commas = 0;
    __m128i maybe = zero;
    for (int k = 0; k < 4; ++k) {
        x[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 * k));
        commas |= std::uint64_t{scan_detail::bitsOf(_mm_cmpeq_epi8(x[k], _mm_set1_epi8(',')))} << (16 * k);
        // As signed bytes, the NUL and the quote are below 0x23, with the control bytes, the
        // blank, "!" and every byte from 0x80 on: one compare a lane finds the windows that
        // need a closer look.
        maybe = _mm_or_si128(maybe, Quotes ? _mm_cmplt_epi8(x[k], _mm_set1_epi8(0x23)) : _mm_cmpeq_epi8(x[k], zero));
    }
    std::uint64_t stops = 0;
    if (_mm_movemask_epi8(maybe) != 0) {
        for (int k = 0; k < 4; ++k) {
            // x ^ '"' is zero for the quote, so the smaller of it and x is zero for a NUL or
            // a quote alone.
            const __m128i y = Quotes ? _mm_min_epu8(x[k], _mm_xor_si128(x[k], _mm_set1_epi8('"'))) : x[k];
            stops |= std::uint64_t{scan_detail::bitsOf(_mm_cmpeq_epi8(y, zero))} << (16 * k);
        }
    }
    std::uint64_t lineEnd = 0;
    // Bytes past the line are no part of it, whatever they hold.
    if (const auto avail = static_cast<std::size_t>(end - at); avail < 64) {
        lineEnd = std::uint64_t{1} << avail;
        commas &= lineEnd - 1;
        stops = (stops & (lineEnd - 1)) | lineEnd;
    }
    return {at, commas, stops, lineEnd};
}
#endif

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

// How many bits of a word are set (countBits), and where the k-th of them stands (nthBit),
// a byte at a time: the baseline processor may lack a popcount instruction.
struct BitCount {
    unsigned count;
    std::uint64_t byteSums; // byte i: the set bits of bytes 0 to i
};

constexpr BitCount countBits(std::uint64_t x) noexcept
{
    std::uint64_t c = x - ((x >> 1) & 0x5555555555555555u);
    c = (c & 0x3333333333333333u) + ((c >> 2) & 0x3333333333333333u);
    c = (c + (c >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    const std::uint64_t sums = c * 0x0101010101010101u;
    return {static_cast<unsigned>(sums >> 56), sums};
}

// k from 1 to counted.count, of countBits(x).
constexpr unsigned nthBit(std::uint64_t x, const BitCount& counted, unsigned k) noexcept
{
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighs = 0x8080808080808080u;
    // A byte's sum is at most 64, so 0x80 + k - 1 - sum keeps its high bit exactly while the
    // sum is below k; those bytes come first, and their number is the byte of the k-th bit.
    const std::uint64_t before = ((kHighs + kOnes * (k - 1)) - counted.byteSums) & kHighs;
    const auto byte = static_cast<unsigned>(((before >> 7) * kOnes) >> 56);
    const unsigned passed = byte == 0 ? 0 : static_cast<unsigned>((counted.byteSums >> (8 * byte - 8)) & 0xFF);
    std::uint64_t bits = (x >> (8 * byte)) & 0xFF;
    for (unsigned left = k - passed; left > 1; --left)
        bits &= bits - 1;
    return 8 * byte + static_cast<unsigned>(std::countr_zero(bits));
}

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

// Where passCommas() stopped, and how many commas it passed.
struct Passed {
    const char* p;
    std::size_t commas;
};

#ifdef KIVO_SCAN_SSE2
// Passes commas from `p` on, up to `need` of them, 64 bytes a round, as far as no NUL or
// (with `Quotes`) quote stands in the way: stops right after the need-th comma, at such a
// byte, or at `end`. No comma, quote or NUL is ever the second byte
// of a two-byte character, so the count needs no look at them. Reads 64 bytes from `p`
// whatever the piece holds: a piece guarantees kScanSlack readable bytes after it.
template <bool Quotes>
Passed passCommas(const char* p, const char* end, std::size_t need) noexcept
{
    const __m128i zero = _mm_setzero_si128();
    const auto load = [&p](int k) noexcept { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k)); };
    const auto bitsOf = [](const __m128i (&flags)[4]) noexcept {
        std::uint64_t bits = 0;
        for (int k = 0; k < 4; ++k)
            bits |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(flags[k]))) << (16 * k);
        return bits;
    };
    std::size_t passed = 0;
    while (p != end) {
        const auto avail = static_cast<std::size_t>(end - p);
        __m128i commas[4];
        __m128i maybe = zero;
        for (int k = 0; k < 4; ++k) {
            const __m128i x = load(k);
            commas[k] = _mm_cmpeq_epi8(x, _mm_set1_epi8(','));
            // As signed bytes, the NUL and the quote are below 0x23, with the control bytes,
            // the blank, "!" and every byte from 0x80 on: one compare a lane finds the
            // rounds that need a closer look.
            maybe = _mm_or_si128(maybe, Quotes ? _mm_cmplt_epi8(x, _mm_set1_epi8(0x23)) : _mm_cmpeq_epi8(x, zero));
        }
        const bool clear = _mm_movemask_epi8(maybe) == 0;
        if (clear && avail >= 64) {
            // The commas of the round added up per byte (each compare gives -1), then
            // across bytes.
            const __m128i sum = _mm_add_epi8(_mm_add_epi8(commas[0], commas[1]), _mm_add_epi8(commas[2], commas[3]));
            const __m128i sums = _mm_sad_epu8(_mm_sub_epi8(zero, sum), zero);
            const auto n = static_cast<std::size_t>(_mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
            if (passed + n < need) {
                passed += n;
                p += 64;
                continue;
            }
        }
        // The round that holds the need-th comma, a stop or the piece's end: bit by bit.
        std::uint64_t commaBits = bitsOf(commas);
        std::uint64_t stopBits = 0;
        if (!clear) {
            __m128i stops[4];
            for (int k = 0; k < 4; ++k) {
                const __m128i x = load(k);
                // x ^ '"' is zero for the quote, so the smaller of it and x is zero for a NUL
                // or a quote alone.
                stops[k] = _mm_cmpeq_epi8(Quotes ? _mm_min_epu8(x, _mm_xor_si128(x, _mm_set1_epi8('"'))) : x, zero);
            }
            stopBits = bitsOf(stops);
        }
        // Bytes past the piece are no part of the line, whatever they hold.
        if (avail < 64) {
            const std::uint64_t inPiece = (std::uint64_t{1} << avail) - 1;
            commaBits &= inPiece;
            stopBits &= inPiece;
        }
        if (stopBits != 0)
            commaBits &= (stopBits & (std::uint64_t{0} - stopBits)) - 1;
        const BitCount counted = countBits(commaBits);
        if (passed + counted.count >= need) {
            return {p + nthBit(commaBits, counted, static_cast<unsigned>(need - passed)) + 1, need};
        }
        passed += counted.count;
        if (stopBits != 0) {
            return {p + std::countr_zero(stopBits), passed};
        }
        p += avail < 64 ? avail : 64;
    }
    return {p, passed};
}
#else
// Passes commas from `p` on, up to `need` of them, sixteen bytes a round, as far as no word
// holds a byte that the count must not pass over (see `special`): stops right after the
// need-th comma, before such a word, or before the piece's last bytes.
template <bool Quotes>
Passed passCommas(const char* p, const char* end, std::size_t need) noexcept
{
    std::size_t passed = 0;
    if constexpr (std::endian::native == std::endian::little) {
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
        // Exactly the comma bytes of a word that holds no special byte, one bit each: every
        // byte is below 0x80, so its difference from a comma is too, and adding 0x7F to it
        // carries into the byte's high bit, never beyond, unless the difference is zero.
        const auto commasOf = [](std::uint64_t word) noexcept { return (~((word ^ kCommas) + kLows) & kHighs) >> 7; };
        // One bit per comma byte: a multiply adds them up without a popcount instruction,
        // which the baseline processor may lack.
        const auto countOf = [](std::uint64_t commas) noexcept { return static_cast<std::size_t>((commas * kOnes) >> 56); };
        for (;;) {
            while (end - p >= 16) {
                std::uint64_t a;
                std::uint64_t b;
                std::memcpy(&a, p, sizeof a);
                std::memcpy(&b, p + 8, sizeof b);
                if ((special(a) | special(b)) != 0)
                    break;
                const std::size_t n = countOf(commasOf(a) + commasOf(b));
                if (passed + n >= need)
                    break;
                passed += n;
                p += 16;
            }
            std::uint64_t word;
            if (end - p < 8 || (std::memcpy(&word, p, sizeof word), special(word) != 0))
                return {p, passed};
            std::uint64_t commas = commasOf(word);
            const std::size_t n = countOf(commas);
            if (passed + n >= need) {
                for (std::size_t k = need - passed; k > 1; --k)
                    commas &= commas - 1;
                return {p + std::countr_zero(commas) / 8 + 1, need};
            }
            passed += n;
            p += 8;
        }
    }
    return {p, passed};
}
#endif

// Passes up to `count` commas that end columns no wave needs, from `p` on: all of them, or
// fewer when the piece ends or the line's text ends at a NUL. Today's rows carry dozens of
// such columns, mostly empty, so their commas are counted by blocks (passCommas) wherever
// no quote or NUL stands among them.
template <bool Quotes>
Skipped skipColumns(RowScan& s, const char* p, const char* end, std::size_t count, bool twoByte, const char* first,
                    const char*& closedAt) noexcept
{
    std::size_t passed = 0;
    // An empty column, such as the comment of nearly every row, costs one byte.
    if (!(Quotes && s.quoted) && p != end && *p == ',') {
        ++p;
        ++passed;
    }
    while (passed < count) {
        if (!(Quotes && s.quoted)) {
            const Passed run = passCommas<Quotes>(p, end, count - passed);
            p = run.p;
            passed += run.commas;
            if (passed == count)
                break;
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
