#include "core/output/igor_string.h"

#include <gtest/gtest.h>

#include <string>

using kivo::core::CodePage;
using kivo::core::igorStringPieces;
using kivo::core::igorStringText;

namespace {

constexpr auto kUtf8 = CodePage::Utf8;
constexpr auto kCp932 = CodePage::Cp932;

struct TextCase {
    const char* what;
    std::string text;
    CodePage page;
    std::string written;
};

// In CP932 ソ is 83 5C, 能 94 5C and 表 95 5C: their second byte is a backslash.
const TextCase kTexts[] = {
    {"a stray UTF-8 byte before a quote", "INFO,\x83\"; KillWaves/A/Z //", kUtf8, "INFO,\\\"; KillWaves/A/Z //"},
    {"a CP932 lead byte before a quote", "INFO,\x83\"; KillWaves/A/Z //", kCp932, "INFO,\\\"; KillWaves/A/Z //"},
    {"CP932 characters ending in a backslash byte stay whole", "\x83\x5C\x94\x5C\x95\x5C", kCp932,
     "\x83\x5C\x94\x5C\x95\x5C"},
    {"and a quote after them is escaped", "\x94\x5C\"", kCp932, "\x94\x5C\\\""},
    {"the same bytes in UTF-8 are a stray byte and a backslash", "\x83\x5C", kUtf8, "\\\\"},
    {"a CP932 lead byte at the end", "ab\x83", kCp932, "ab"},
    {"a CP932 lead byte before a control byte", "a\x83\nb", kCp932, "ab"},
    {"CP932 single-byte kana", "\xB1\xB2", kCp932, "\xB1\xB2"},
    {"control bytes", "a\tb\x7F\r\x01", kUtf8, "ab"},
    {"backslashes and quotes", "C:\\dir \"x\"", kUtf8, "C:\\\\dir \\\"x\\\""},
    {"UTF-8 characters of two, three and four bytes", "\xC3\xA9試\xF0\x9F\x98\x80", kUtf8,
     "\xC3\xA9試\xF0\x9F\x98\x80"},
    {"an overlong slash", "\xC0\xAF|\xE0\x80\xAF", kUtf8, "|"},
    {"a surrogate", "\xED\xA0\x80", kUtf8, ""},
    {"past U+10FFFF", "\xF4\x90\x80\x80", kUtf8, ""},
    {"a character cut short", "a\xE8\xA9\"", kUtf8, "a\\\""},
};

TEST(IgorString, KeepsOnlyWholeCharactersAndEscapes)
{
    for (const TextCase& c : kTexts)
        EXPECT_EQ(igorStringText(c.text, c.page), c.written) << c.what;
}

struct PiecesCase {
    const char* what;
    std::string escaped;
    std::size_t maxBytes;
    CodePage page;
    std::string pieces; // each in brackets
};

const PiecesCase kPieces[] = {
    {"ASCII", "abcdef", 4, kUtf8, "[abcd][ef]"},
    {"an escape stays whole", "ab\\\"cd", 3, kUtf8, "[ab][\\\"c][d]"},
    {"a CP932 character stays whole", "a\x83\x5C\\\\", 2, kCp932, "[a][\x83\x5C][\\\\]"},
    {"a UTF-8 character stays whole", "a試", 3, kUtf8, "[a][試]"},
    {"a character longer than a piece", "試", 2, kUtf8, "[試]"},
    {"empty", "", 4, kUtf8, "[]"},
};

TEST(IgorString, PiecesNeverCutACharacterOrAnEscape)
{
    for (const PiecesCase& c : kPieces) {
        std::string joined;
        for (std::string_view piece : igorStringPieces(c.escaped, c.maxBytes, c.page))
            joined += "[" + std::string(piece) + "]";
        EXPECT_EQ(joined, c.pieces) << c.what;
    }
}

} // namespace
