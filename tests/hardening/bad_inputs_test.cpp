// Inputs no instrument writes, end to end through kivo-convert: each must convert or be
// refused with its notice, byte for byte, and never crash or hang.

#include "child_process.h"
#include "temp_folder.h"
#include "expected_text.h"
#include "reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace kivo::hardening;
using namespace std::string_literals;

namespace {

struct BadInputs : ::testing::Test {
    kivo::testing::TempFolder temp;
    fs::path dir = temp.path();

    Launch here() const { return {dir, {}, -1}; }
};

std::string randomBytes(std::size_t size, std::uint32_t seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xFFU);
    return bytes;
}

// The output and notice for one file, from the slow model the fuzzers also use.
struct Expected {
    std::string err;
    std::string rows;
};

Expected modelled(const std::string& name, const std::string& contents)
{
    const kivo::fuzz::Reading reading = kivo::fuzz::referenceRead(contents, kivo::core::CodePage::Utf8);
    switch (reading.outcome) {
    case kivo::fuzz::Outcome::NotSquid:
        return {notSquidNotice(name), ""};
    case kivo::fuzz::Outcome::NoDataSection:
        return {noDataNotice(name), ""};
    case kivo::fuzz::Outcome::NoColumnLine:
        return {reasonLine(name + ": passed over: it has no column line"), ""};
    case kivo::fuzz::Outcome::ColumnMismatch:
        return {reasonLine(name + ": passed over: its column line is not one Kivo reads"), ""};
    case kivo::fuzz::Outcome::Rows:
        break;
    }
    std::string rows;
    for (const auto& row : reading.rows) {
        for (const std::string& value : row)
            rows += "\t" + (value.empty() ? "NaN"s : value);
        rows += "\r\n";
    }
    std::string err = pointsNotice(name, static_cast<long long>(reading.rows.size()));
    if (kivo::fuzz::referenceLacksMoments(reading))
        err += kivo::testing::texts::noMomentLine(name);
    return {err, rows};
}

const std::string kPreamble = "[Header]\r\n[Data]\r\nTime,Comment\r\n";

struct ContentsCase {
    const char* what;
    std::string contents;
    std::string err;   // notices for in.dat
    std::string rows;  // data lines of the output
};

TEST_F(BadInputs, HostileContentsConvertOrAreRefusedWithTheirNotice)
{
    const std::string random = randomBytes(1 << 20, 20240601);
    const Expected randomRows = modelled("in.dat", kPreamble + random);
    const ContentsCase cases[] = {
        {"only commas", std::string(100000, ','), notSquidNotice("in.dat"), ""},
        {"only CRs", std::string(100000, '\r'), notSquidNotice("in.dat"), ""},
        {"only NULs", std::string(100000, '\0'), notSquidNotice("in.dat"), ""},
        {"only line feeds", std::string(100000, '\n'), notSquidNotice("in.dat"), ""},
        {"random binary", random, notSquidNotice("in.dat"), ""},
        {"random binary as data rows", kPreamble + random, randomRows.err, randomRows.rows},
        {"cut in the CR LF of the header", "[Header]\r", notSquidNotice("in.dat"), ""},
        {"cut in the CR LF of the data line", "[Header]\r\n[Data]\r", noDataNotice("in.dat"), ""},
        {"cut in the CR LF of the column line", "[Header]\r\n[Data]\r\nTime,Comme\r", pointsNotice("in.dat", 0), ""},
        {"cut in the CR LF of the last row", squidFile(3).substr(0, squidFile(3).size() - 1), pointsNotice("in.dat", 3),
         itxRows(3)},
        {"cut in the CR LF of a short row", kPreamble + "1,,2,3,4,5\r", pointsNotice("in.dat", 1),
         "\t1\t2\t3\t4\tNaN\r\n"},
        {"Ctrl-Z in the header", "[Header]\r\n\x1A[Data]\r\nTime,Comment\r\n1,,2,3,4,5,\r\n", noDataNotice("in.dat"), ""},
    };
    for (const ContentsCase& c : cases) {
        writeFile(dir / "in.dat", c.contents);
        const Finished done = runKivoConvert({"-o", "out.itx", "-p", "p", "in.dat"}, here());
        EXPECT_EQ(done.signal, 0) << c.what;
        EXPECT_EQ(done.exitStatus, 0) << c.what;
        EXPECT_EQ(done.err, c.err) << c.what;
        EXPECT_EQ(readFile(dir / "out.itx"), itxHeader("p") + c.rows + itxTrailer("p")) << c.what;
    }
}

struct NameCase {
    const char* what;
    std::string argument;  // as typed after kivo-convert
    std::string name;      // the file's name on disk and in the notices
    std::string prefix;    // the default wave prefix the name gives
    std::string itxName;   // the default output's name
    bool prefixNotice;
};

TEST_F(BadInputs, AwkwardFileNamesGiveTheirDefaultsAndNotices)
{
    const NameCase cases[] = {
        {"blanks", "my run 1.dat", "my run 1.dat", "my_run_1", "my run 1.itx", false},
        {"quotes", "say \"hi\" 'x'.dat", "say \"hi\" 'x'.dat", "say__hi___x_", "say \"hi\" 'x'.itx", false},
        {"a line feed", "two\nlines.dat", "two\nlines.dat", "two_lines", "two\nlines.itx", false},
        {"a CR and a tab", "cr\rtab\t.dat", "cr\rtab\t.dat", "cr_tab_", "cr\rtab\t.itx", false},
        {"a leading dash after --", "-dash.dat", "-dash.dat", "wdash", "-dash.itx", true},
        {"a leading dash behind ./", "./-dot.dat", "-dot.dat", "wdot", "-dot.itx", true},
        {"invalid UTF-8", "\xFF\xFE bad\xC3.dat", "\xFF\xFE bad\xC3.dat", "w__bad_", "\xFF\xFE bad\xC3.itx", true},
        {"a lone UTF-8 continuation first", "\x80x.dat", "\x80x.dat", "wx", "\x80x.itx", true},
    };
    for (const NameCase& c : cases) {
        writeFile(dir / c.name, squidFile(2));
        std::vector<std::string> args{"--", c.argument};
        const Finished done = runKivoConvert(args, here());
        EXPECT_EQ(done.exitStatus, 0) << c.what;
        // A CR in a notice breaks its line, the display name's own CR as well.
        std::string shown = c.name;
        std::replace(shown.begin(), shown.end(), '\r', '\n');
        EXPECT_EQ(done.err, (c.prefixNotice ? kPrefixFirstLetter : "") + pointsNotice(shown, 2)) << c.what;
        ASSERT_TRUE(fs::exists(dir / c.itxName)) << c.what;
        EXPECT_EQ(readFile(dir / c.itxName), itxHeader(c.prefix) + itxRows(2) + itxTrailer(c.prefix)) << c.what;
        fs::remove(dir / c.itxName);
        fs::remove(dir / c.name);
    }
}

TEST_F(BadInputs, LeadingDashWithoutDoubleDashIsAUsageError)
{
    writeFile(dir / "-x.dat", squidFile(1));
    const Finished done = runKivoConvert({"-x.dat"}, here());
    EXPECT_EQ(done.exitStatus, 2);
    EXPECT_EQ(done.err.rfind("kivo-convert: unknown option -x.dat\nUsage: kivo-convert ", 0), 0U) << done.err;
    EXPECT_EQ(listFolder(dir), (std::vector<std::string>{"-x.dat"}));
}

TEST_F(BadInputs, TenThousandTinyFilesConvertInOrder)
{
    constexpr int kFiles = 10000;
    std::vector<std::string> args{"-o", "all.itx", "-p", "all"};
    std::string err = kConcatenated;
    std::string rows;
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "f" + std::to_string(i) + ".dat";
        writeFile(dir / name, squidFile(1, std::to_string(i) + "0"));
        args.push_back(name);
        err += pointsNotice(name, 1);
        rows += itxRows(1, std::to_string(i) + "0");
    }
    const Finished done = runKivoConvert(args, here());
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.err, err);
    EXPECT_EQ(readFile(dir / "all.itx"), itxHeader("all") + rows + itxTrailer("all"));
}

} // namespace
