#include "core/input/row_splitter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using kivo::core::findFieldStop;

namespace {

// A field ends at the separator or at any control byte; a quoted layout also stops at the
// quote, the blank and "!"; a byte of 0x80 or above stops it only when asked.
template <bool Quotes> const char* naiveFieldStop(const char* p, const char* end, char c, bool stopAtHigh)
{
    for (; p != end; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        const bool quoteStop = Quotes && (*p == '"' || *p == ' ' || *p == '!');
        if (*p == c || byte < 0x20 || quoteStop || (stopAtHigh && byte >= 0x80))
            return p;
    }
    return end;
}

// The word-at-a-time search must agree with a byte loop wherever the stop byte falls in a
// word, and whatever stands before it: bytes next to ',', the control bytes and the quote
// in value, and high bytes, are where borrows between bytes give false hits.
template <bool Quotes> void expectFieldStopAgreesWithAByteLoop()
{
    const char alphabet[] = {',',    '\0',   '\r', '\t', '\x1F',         ' ', '!', '"', '#', 'a',
                             '\x80', '\xFF', '+',  '-',  '\x2C' ^ '\x80'};
    std::uint32_t seed = 12345;
    for (int round = 0; round < 20000; ++round) {
        seed = seed * 1664525u + 1013904223u;
        std::string text(seed % 41, 'x');
        for (char& ch : text) {
            seed = seed * 1664525u + 1013904223u;
            ch = (seed >> 24) % 4 == 0 ? alphabet[(seed >> 8) % sizeof alphabet] : 'x';
        }
        const char* begin = text.data();
        const char* end = begin + text.size();
        for (bool high : {false, true}) {
            ASSERT_EQ(findFieldStop<Quotes>(begin, end, ',', high), naiveFieldStop<Quotes>(begin, end, ',', high))
                << "text of " << text.size() << " bytes, round " << round << ", quotes " << Quotes;
        }
    }
}

TEST(CharSearch, FieldStopAgreesWithAByteLoop)
{
    expectFieldStopAgreesWithAByteLoop<false>();
    expectFieldStopAgreesWithAByteLoop<true>();
}

} // namespace
