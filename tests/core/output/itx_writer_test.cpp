#include "core/waves/igor_number.h"
#include "core/files/io_error.h"
#include "core/output/itx_writer.h"
#include "expected_itx.h"
#include "memory_files.h"

#include <gtest/gtest.h>

// GCC 12 warns, wrongly, of an uninitialised member deep in <regex> when it optimises.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <regex>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#include <array>
#include <string>

using kivo::core::IoError;
using kivo::core::ItxWriter;
using kivo::testing::MemoryFileSystem;

namespace {

void writeRow(ItxWriter& writer, std::string_view time, std::string_view field, std::string_view temperature,
              std::string_view moment, std::string_view momentSD)
{
    writer.writeRow(std::array<std::string_view, 5>{time, field, temperature, moment, momentSD});
}

const std::string kHeaderW = kivo::testing::itxHeader("w");
const std::string kTrailerW = kivo::testing::itxTrailer("w");

TEST(ItxWriter, WithoutRowsHoldsHeaderAndTrailerOnly)
{
    MemoryFileSystem files;
    ItxWriter writer;
    ASSERT_TRUE(writer.create(files, "/out/w.itx"));
    writer.writeHeader("w");
    writer.writeTrailer("w");
    writer.close();
    EXPECT_EQ(files.files.at("/out/w.itx"), kHeaderW + kTrailerW);
}

TEST(ItxWriter, RowsAreTabbedLinesAndEmptyValuesAreNaN)
{
    MemoryFileSystem files;
    ItxWriter writer;
    ASSERT_TRUE(writer.create(files, "/out/w.itx"));
    writer.writeHeader("w");
    writeRow(writer, "1.5", "10000", "300", "1.2E-05", "3.4E-08");
    writeRow(writer, "", "", "", "", "");
    writer.writeTrailer("w");
    writer.close();
    EXPECT_EQ(files.files.at("/out/w.itx"),
              kHeaderW + "\t1.5\t10000\t300\t1.2E-05\t3.4E-08\r\n\tNaN\tNaN\tNaN\tNaN\tNaN\r\n" + kTrailerW);
}

// The checker takes up to 16 bytes at a time; the rule, as a regular expression, must agree
// with it wherever the signs, point and exponent stand, up to that length and past it.
TEST(ItxWriter, TheNumberRuleHoldsWhereverTheMarksStand)
{
    const std::regex rule(" *[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)? *| *[+-]?(nan|inf) *",
                          std::regex::icase);
    const std::string alphabet = "1+.e x";
    for (const std::size_t lead : {0u, 4u, 9u, 12u}) {
        for (std::size_t length = 1; length <= 5; ++length) {
            std::size_t count = 1;
            for (std::size_t k = 0; k < length; ++k)
                count *= alphabet.size();
            for (std::size_t code = 0; code < count; ++code) {
                std::string value(lead, '1');
                for (std::size_t rest = code, k = 0; k < length; ++k, rest /= alphabet.size())
                    value += alphabet[rest % alphabet.size()];
                const bool number = std::regex_match(value, rule);
                ASSERT_EQ(kivo::core::igorNumber(value).empty(), !number) << '"' << value << '"';
            }
        }
    }
}

// NaN and INF have one spelling whatever their case and sign in the file, and a column of
// NaN holds no number where one of INF does.
TEST(NumberRule, NaNAndInfHaveOneSpellingAndOnlyNaNHoldsNoNumber)
{
    const struct {
        std::string_view value;
        std::string_view judged;
        bool holdsNumber;
    } cases[] = {
        {"nan", "NaN", false},  {"-NaN", "NaN", false}, {" +nAN ", "NaN", false}, {"+inf", "INF", true},
        {"iNF", "INF", true},   {"-Inf", "-INF", true}, {"-0", "-0", true},       {"n", "", false},
        {"+-inf", "", false},   {"", "", false},
    };
    for (const auto& c : cases) {
        const std::string_view judged = kivo::core::igorNumber(c.value);
        EXPECT_EQ(judged, c.judged) << '"' << c.value << '"';
        EXPECT_EQ(kivo::core::holdsNumber(judged), c.holdsNumber) << '"' << c.value << '"';
    }
}

TEST(ItxWriter, ThePrefixIsWrittenAsGiven)
{
    MemoryFileSystem files;
    ItxWriter writer;
    ASSERT_TRUE(writer.create(files, "o.itx"));
    writer.writeHeader("");
    writer.writeTrailer("x-y");
    writer.close();
    const std::string& out = files.files.at("o.itx");
    EXPECT_EQ(out.substr(0, out.find("BEGIN")), "IGOR\r\nWAVES/D\t_Time\t_Field\t_Temperature\t_LongMoment\t_LongMomentSD\r\n");
    EXPECT_NE(out.find("X SetScale/P x 0,1,\"\", x-y_Time; SetScale y 0,0,\"\", x-y_Time\r\n"), std::string::npos);
}

TEST(ItxWriter, ManyRowsAndTheLongestValuesArriveInOrder)
{
    MemoryFileSystem files;
    ItxWriter writer;
    ASSERT_TRUE(writer.create(files, "o.itx"));
    writer.writeHeader("w");
    std::string expected = kHeaderW;
    const std::string big = "9" + std::string(4095, '1');
    for (int i = 0; i < 20000; ++i) {
        const std::string t = std::to_string(i);
        const std::string& m = (i % 777 == 0) ? big : t;
        // Values of every length from 1 to 40, each way the writer copies one.
        const std::string f(static_cast<std::size_t>(i % 40 + 1), static_cast<char>('0' + i % 10));
        writeRow(writer, t, f, "2", m, m);
        expected += "\t" + t + "\t" + f + "\t2\t" + m + "\t" + m + "\r\n";
    }
    writer.writeTrailer("w");
    writer.close();
    EXPECT_EQ(files.files.at("o.itx"), expected + kTrailerW);
}

TEST(ItxWriter, AFailedWriteLeavesTheEarlierFileAndNoStagingFile)
{
    MemoryFileSystem files;
    files.files["o.itx"] = "earlier";
    files.failWriteAfter = 100;
    {
        ItxWriter writer;
        ASSERT_TRUE(writer.create(files, "o.itx"));
        writer.writeHeader("w");
        try {
            // More than a buffer: the write that fails is one handed to the writing thread.
            for (int i = 0; i < 30000; ++i)
                writeRow(writer, "1", "2", "3", "4", "5");
            writer.close();
            FAIL() << "no write error";
        } catch (const IoError& e) {
            EXPECT_EQ(e.path(), "o.itx");
            EXPECT_STREQ(e.what(), "o.itx へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。");
        }
    }
    EXPECT_EQ(files.files.at("o.itx"), "earlier");
    EXPECT_EQ(files.stagedAlive, 0);
}

TEST(ItxWriter, ClosingAgainDoesNothing)
{
    MemoryFileSystem files;
    ItxWriter writer;
    ASSERT_TRUE(writer.create(files, "/out/w.itx"));
    writer.writeHeader("w");
    writer.writeTrailer("w");
    writer.close();
    writer.close();
    EXPECT_EQ(files.files.at("/out/w.itx"), kHeaderW + kTrailerW);
}

TEST(ItxWriter, CreateFailsForAnEmptyPath)
{
    MemoryFileSystem files;
    ItxWriter writer;
    EXPECT_FALSE(writer.create(files, ""));
}

} // namespace
