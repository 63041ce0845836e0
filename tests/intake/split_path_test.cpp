#include "intake/intake.h"
#include "posix_twin.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kivo::core::CodePage;
using kivo::intake::PathParts;
using kivo::intake::splitPath;

struct SplitCase {
    const char* path;  // written with "\\"; the POSIX twin drops "C:" and uses "/"
    PathParts expected;
};

using kivo::testing::posixTwin;

PathParts posixTwin(const PathParts& parts)
{
    return {posixTwin(parts.directory), posixTwin(parts.name), posixTwin(parts.extension)};
}

const SplitCase kSplitCases[] = {
    {"C:\\data\\run1.dat", {"C:\\data", "run1", "dat"}},
    // The last "." anywhere in the path, even in a folder name.
    {"C:\\a.b\\c", {"C:", "a", "b\\c"}},
    {"C:\\run.1\\data", {"C:", "run", "1\\data"}},
    {"C:\\data\\run.1.dat", {"C:\\data", "run.1", "dat"}},
    {"C:\\data\\.dat", {"C:\\data", "", "dat"}},
    {"C:\\data\\my run.dat", {"C:\\data", "my run", "dat"}},
    {"C:\\data\\1st-run.dat", {"C:\\data", "1st-run", "dat"}},
    // Nothing after the last ".", or no "." at all: no extension.
    {"C:\\data\\data.", {"C:\\data", "data", ""}},
    {"C:\\data", {"C:", "data", ""}},
    {"C:\\data\\", {"C:\\data", "", ""}},
    // A stem without a separator: the name is empty and the directory is the whole stem.
    {"run1.dat", {"run1", "", "dat"}},
    {".dat", {"", "", "dat"}},
    {"", {"", "", ""}},
};

class SplitPathTable : public testing::TestWithParam<char> {};

TEST_P(SplitPathTable, GivesTheDocumentedPartsWithEitherSeparator)
{
    const char separator = GetParam();
    for (const SplitCase& c : kSplitCases) {
        const std::string path = separator == '\\' ? std::string(c.path) : posixTwin(c.path);
        const PathParts expected = separator == '\\' ? c.expected : posixTwin(c.expected);
        for (const CodePage page : {CodePage::Utf8, CodePage::Cp932}) {
            EXPECT_EQ(splitPath(path, separator, page), expected)
                << "path " << path << (page == CodePage::Cp932 ? " (CP932)" : " (UTF-8)");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Separators, SplitPathTable, testing::Values('\\', '/'),
                         [](const testing::TestParamInfo<char>& param) {
                             return param.param == '\\' ? std::string("Backslash") : std::string("Slash");
                         });

TEST(SplitPath, OtherSeparatorIsAnOrdinaryByte)
{
    EXPECT_EQ(splitPath("C:\\data\\run1.dat", '/', CodePage::Utf8), (PathParts{"C:\\data\\run1", "", "dat"}));
    EXPECT_EQ(splitPath("/data/run1.dat", '\\', CodePage::Utf8), (PathParts{"/data/run1", "", "dat"}));
}

// Under CP932, ソ is 0x83 0x5C and 表 is 0x95 0x5C: their second byte equals "\\".
TEST(SplitPath, Cp932SecondByteIsNeverTakenForTheSeparator)
{
    const struct {
        std::string path;
        PathParts expected;
    } cases[] = {
        // C:\data\ソ.dat
        {"C:\\data\\\x83\x5C.dat", {"C:\\data", "\x83\x5C", "dat"}},
        // C:\ソ\表.dat
        {"C:\\\x83\x5C\\\x95\x5C.dat", {"C:\\\x83\x5C", "\x95\x5C", "dat"}},
        // C:\表\run1.dat
        {"C:\\\x95\x5C\\run1.dat", {"C:\\\x95\x5C", "run1", "dat"}},
        // C:\表ソ (a folder): no extension
        {"C:\\\x95\x5C\x83\x5C", {"C:", "\x95\x5C\x83\x5C", ""}},
        // ｱ.dat: half-width katakana is a single byte
        {"C:\\\xB1.dat", {"C:", "\xB1", "dat"}},
        // A lead byte before a dot, which is never a second byte, is a byte of its own
        {"C:\\d\\\x81.dat", {"C:\\d", "\x81", "dat"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitPath(c.path, '\\', CodePage::Cp932), c.expected) << c.path;
}

TEST(SplitPath, Utf8BytesAreTakenAsTheyAre)
{
    // No byte of a multi-byte UTF-8 character is ASCII, so a name in Japanese splits as
    // any other, and its bytes pass through unchanged.
    EXPECT_EQ(splitPath("/データ/測定1.dat", '/', CodePage::Utf8), (PathParts{"/データ", "測定1", "dat"}));
    EXPECT_EQ(splitPath("C:\\データ\\表.dat", '\\', CodePage::Utf8), (PathParts{"C:\\データ", "表", "dat"}));
}

TEST(SplitPath, LongPathsAreTakenWhole)
{
    const std::string folder = "/" + std::string(300, 'f');
    const std::string name(400, 'n');
    const PathParts parts = splitPath(folder + "/" + name + ".dat", '/', CodePage::Utf8);
    EXPECT_EQ(parts, (PathParts{folder, name, "dat"}));
}

} // namespace
