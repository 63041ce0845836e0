#include "core/files/text.h"

#include <gtest/gtest.h>

#include <string>

using kivo::core::CodePage;
using kivo::core::findLastChar;

namespace {

constexpr auto npos = std::string::npos;

struct SearchCase {
    const char* what;
    std::string text;
    char c;
    CodePage page;
    std::size_t last;
};

// ソ is 0x83 0x5C and 表 is 0x95 0x5C in CP932: their second byte is a backslash.
const SearchCase kSearches[] = {
    {"plain ASCII", "C:\\data\\run1.dat", '\\', CodePage::Cp932, 7},
    {"trail byte is not a separator", "C:\\\x83\x5C\\a", '\\', CodePage::Cp932, 5},
    {"only trail bytes", "\x95\x5C\x83\x5C", '\\', CodePage::Cp932, npos},
    {"same bytes under UTF-8 are plain", "\x95\x5C", '\\', CodePage::Utf8, 1},
    {"dot after a two-byte name", "\x95\x5C.dat", '.', CodePage::Cp932, 2},
    {"a lead byte before a comma is a byte of its own", "a\x81,b", ',', CodePage::Cp932, 2},
    {"UTF-8 name with a dot", "\xE8\xA1\xA8.dat", '.', CodePage::Utf8, 3},
    {"lone lead byte at the end", "ab\x81", 'x', CodePage::Cp932, npos},
    {"empty", "", ',', CodePage::Cp932, npos},
};

TEST(CharSearch, SkipsSecondBytesOfTwoByteCharacters)
{
    for (const SearchCase& c : kSearches)
        EXPECT_EQ(findLastChar(c.text, c.c, c.page), c.last) << c.what;
}

} // namespace
