// kivo-convert's run() on Windows paths: relative names resolved the way Windows resolves
// them, and CP932 names whose second byte is "\\" taken whole.
#include "windows_test_files.h"

#include "cli/kivo_convert.h"
#include "core/files/io_error.h"
#include "notice_texts.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace kivo::testing {
namespace {

const std::string kCountRun1 = texts::points("run1.dat", 2) + "\n";
const std::string kFirstLetter = texts::kPrefixFirstLetter + "\n";
const std::string kConcatenated = texts::kConcatenated + "\n";

const std::vector<std::string> kRun1Rows = {"10.5,,1000,300,1.5E-5,2E-7,1,", "11.5,a,2000,299.5,1.6E-5,3E-7,1,"};
const std::vector<std::string> kRun1Lines = {"\t10.5\t1000\t300\t1.5E-5\t2E-7", "\t11.5\t2000\t299.5\t1.6E-5\t3E-7"};

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Each test works in a fresh folder of its own, which is also the current folder, so
// relative FILEs are resolved there.
class WindowsKivoConvert : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_work = m_folder / "work";
        makeFolder(m_work);
        makeFolder(m_work + "\\data");
        writeFile(m_work + "\\data\\run1.dat", squidFile(kRun1Rows));
        char previous[MAX_PATH + 1] = {};
        m_previous.assign(previous, GetCurrentDirectoryA(sizeof previous, previous));
        ASSERT_TRUE(SetCurrentDirectoryA(m_work.c_str())) << m_work;
    }

    void TearDown() override { SetCurrentDirectoryA(m_previous.c_str()); }

    static Outcome convert(const std::vector<std::string>& args)
    {
        std::ostringstream out;
        std::ostringstream err;
        const int status = cli::run(args, out, err);
        return {status, out.str(), err.str()};
    }

    TempFolder m_folder;
    std::string m_work;
    std::string m_previous;
};

TEST_F(WindowsKivoConvert, RelativeFilesAreMadeAbsoluteAndLexicallyNormal)
{
    // Windows itself resolves ".." lexically: "missing" need not exist.
    const Outcome outcome = convert({"missing/../data//./run1.dat"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, kCountRun1);
    EXPECT_EQ(readFile(m_work + "\\data\\run1.itx").value_or("(missing)"), itx("run1", kRun1Lines));
}

// Under code page 932, 表 is 0x95 0x5C and ソ is 0x83 0x5C: their second byte is "\\".
TEST_F(WindowsKivoConvert, Cp932NamesArriveWhole)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "needs the Japanese ANSI code page";
    const std::string folder = "data\\" + kHyou;
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    writeFile(folder + "\\" + kSo + ".dat", squidFile(kRun1Rows));

    // The second FILE ends in ソ: its last byte must not be taken for a trailing separator.
    const Outcome outcome = convert({folder + "\\" + kSo + ".dat", "x.1\\" + kSo});
    EXPECT_EQ(outcome.status, 1);
    // The names reach standard error in UTF-8, like the notices' own words.
    EXPECT_EQ(outcome.err, kFirstLetter + kConcatenated + texts::points("ソ.dat", 2) + "\n"
                               + texts::fileNotOpen("x.1\\ソ") + "\n" + "kivo-convert: cannot open " + m_work
                               + "\\x.1\\ソ: " + core::systemErrorText(ERROR_PATH_NOT_FOUND) + "\n");
    EXPECT_EQ(readFile(folder + "\\" + kSo + ".itx").value_or("(missing)"), "(missing)");
}

} // namespace
} // namespace kivo::testing
