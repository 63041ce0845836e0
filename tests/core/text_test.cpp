#include "core/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using kivo::core::CodePage;
using kivo::core::findLastChar;
using kivo::core::scanForChar;

namespace {

constexpr auto npos = std::string::npos;

// The position of the first `c` that is a character of its own, or npos.
std::size_t findChar(std::string_view text, char c, CodePage page)
{
    const auto hit = scanForChar(text, c, page);
    return hit.found ? hit.pos : npos;
}

struct SearchCase {
    const char* what;
    std::string text;
    char c;
    CodePage page;
    std::size_t first;
    std::size_t last;
};

// ソ is 0x83 0x5C and 表 is 0x95 0x5C in CP932: their second byte is a backslash.
const SearchCase kSearches[] = {
    {"plain ASCII", "C:\\data\\run1.dat", '\\', CodePage::Cp932, 2, 7},
    {"trail byte is not a separator", "C:\\\x83\x5C\\a", '\\', CodePage::Cp932, 2, 5},
    {"only trail bytes", "\x95\x5C\x83\x5C", '\\', CodePage::Cp932, npos, npos},
    {"same bytes under UTF-8 are plain", "\x95\x5C", '\\', CodePage::Utf8, 1, 1},
    {"dot after a two-byte name", "\x95\x5C.dat", '.', CodePage::Cp932, 2, 2},
    {"lead byte swallows a comma", "a\x81,b,", ',', CodePage::Cp932, 4, 4},
    {"UTF-8 name with a dot", "\xE8\xA1\xA8.dat", '.', CodePage::Utf8, 3, 3},
    {"lone lead byte at the end", "ab\x81", 'x', CodePage::Cp932, npos, npos},
    {"empty", "", ',', CodePage::Cp932, npos, npos},
};

TEST(CharSearch, SkipsSecondBytesOfTwoByteCharacters)
{
    for (const SearchCase& c : kSearches) {
        EXPECT_EQ(findChar(c.text, c.c, c.page), c.first) << c.what;
        EXPECT_EQ(findLastChar(c.text, c.c, c.page), c.last) << c.what;
    }
}

TEST(CharSearch, StopsBeforeALeadByteWhoseSecondByteHasNotArrived)
{
    const auto hit = scanForChar("ab\x83", ',', CodePage::Cp932);
    EXPECT_FALSE(hit.found);
    EXPECT_EQ(hit.pos, 2u);
    // Resuming there with the second byte present reads the pair as one character.
    EXPECT_FALSE(scanForChar("ab\x83,", ',', CodePage::Cp932, hit.pos).found);
    EXPECT_EQ(scanForChar("ab\x83,", ',', CodePage::Utf8, 2).pos, 3u);
}

} // namespace

namespace {

const char* naiveStop(const char* p, const char* end, char c, bool stopAtHigh)
{
    for (; p != end; ++p) {
        if (*p == c || *p == '\0' || (stopAtHigh && static_cast<unsigned char>(*p) >= 0x80))
            return p;
    }
    return end;
}

// The word-at-a-time search must agree with a byte loop wherever the stop byte falls in a
// word, and whatever stands before it: bytes next to ',' and NUL in value, and high bytes,
// are where borrows between bytes give false hits.
TEST(CharSearch, FindStopAgreesWithAByteLoop)
{
    const char alphabet[] = {',', '\0', 'a', '\x80', '\xFF', '\x01', '+', '-', '\x2C' ^ '\x80'};
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
            ASSERT_EQ(kivo::core::findStop(begin, end, ',', high), naiveStop(begin, end, ',', high))
                << "text of " << text.size() << " bytes, round " << round;
        }
    }
}

} // namespace
