#include "core/squid_reader.h"
#include "memory_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kivo::core::CodePage;
using kivo::core::PreambleOutcome;
using kivo::core::RowValues;
using kivo::core::splitRow;
using kivo::core::SquidDataReader;
using kivo::testing::MemorySource;
using namespace std::string_literals;

namespace {

using Values = std::vector<std::string>;

Values values(const RowValues& row)
{
    return {row.begin(), row.end()};
}

struct OutcomeCase {
    const char* what;
    std::string data;
    PreambleOutcome outcome;
    std::size_t rows;
};

const OutcomeCase kOutcomes[] = {
    {"an empty file", "", PreambleOutcome::NoDataSection, 0},
    {"first line [Data]", "[Data]\r\nTime,Comment\r\n", PreambleOutcome::NotSquid, 0},
    {"header with a trailing blank", "[Header] \r\n[Data]\r\nTime,Comment\r\n", PreambleOutcome::NotSquid, 0},
    {"header in lower case", "[header]\r\n", PreambleOutcome::NotSquid, 0},
    {"a NUL ends the header line", "[Header]\0junk\r\n[Data]\r\nTime,Comment\r\n"s, PreambleOutcome::Rows, 0},
    {"header only", "[Header]\r\nINFO,x\r\n", PreambleOutcome::NoDataSection, 0},
    {"data marker in lower case", "[Header]\r\n[data]\r\nTime,Comment\r\n", PreambleOutcome::NoDataSection, 0},
    {"[Data] as the last line", "[Header]\r\n[Data]\r\n", PreambleOutcome::NoColumnLine, 0},
    {"[Data] without a line end", "[Header]\r\n[Data]", PreambleOutcome::NoColumnLine, 0},
    {"column line in lower case", "[Header]\r\n[Data]\r\ntime,comment\r\n1,,2,3,4,5,\r\n",
     PreambleOutcome::ColumnMismatch, 0},
    {"column line of nine bytes", "[Header]\r\n[Data]\r\nTime,Comm\r\n", PreambleOutcome::ColumnMismatch, 0},
    {"column line of exactly ten bytes", "[Header]\r\n[Data]\r\nTime,Comme\r\n", PreambleOutcome::Rows, 0},
    {"no rows", "[Header]\r\n[Data]\r\nTime,Comment,Field\r\n", PreambleOutcome::Rows, 0},
    {"empty lines are rows", "[Header]\r\n[Data]\r\nTime,Comment\r\n\r\n\r\n1,c,2,3,4,5,6", PreambleOutcome::Rows, 3},
    {"the first [Data] counts", "[Header]\r\n[Data]\r\nTime,Comment\r\n[Data]\r\nTime,Comment\r\n",
     PreambleOutcome::Rows, 2},
    {"an empty file with Ctrl-Z", "\x1A[Header]\r\n", PreambleOutcome::NoDataSection, 0},
};

TEST(SquidDataReader, DecidesTheOutcomeFromThePreamble)
{
    for (const OutcomeCase& c : kOutcomes) {
        for (std::size_t piece : {std::size_t{1}, kivo::testing::kNever}) {
            SquidDataReader reader(CodePage::Utf8);
            reader.open(std::make_unique<MemorySource>(c.data, piece));
            ASSERT_EQ(reader.readPreamble(), c.outcome) << c.what;
            std::size_t rows = 0;
            RowValues row;
            while (c.outcome == PreambleOutcome::Rows && reader.nextRow(row))
                ++rows;
            EXPECT_EQ(rows, c.rows) << c.what;
            reader.close();
        }
    }
}

struct SplitCase {
    const char* what;
    std::string line;
    Values fields;
};

const SplitCase kSplits[] = {
    {"the text after the last comma is never used", "1,c,2,3,4,5,6", {"1", "2", "3", "4", "5"}},
    {"five commas leave the fifth value empty", "1,c,2,3,4,5", {"1", "2", "3", "4", ""}},
    {"no comma gives five empty values", "12345", {"", "", "", "", ""}},
    {"an empty line gives five empty values", "", {"", "", "", "", ""}},
    {"trailing comma and more columns", "10.5,,10000,300,1.2E-05,3E-08,x,y,", {"10.5", "10000", "300", "1.2E-05", "3E-08"}},
    {"fields are not trimmed", " 1 ,\"c\", 2,\"3\",,5 ,", {" 1 ", " 2", "\"3\"", "", "5 "}},
    {"empty fields between commas", ",,,,,,", {"", "", "", "", ""}},
    {"a value holding a CR or a tab is missing, other bytes pass",
     "1,,2\rEND\rX Print \"injected\"\rBEGIN\r3,4\t,5,\v\f\x01 \"x\",", {"1", "", "", "5", "\v\f\x01 \"x\""}},
};

TEST(RowSplit, TakesAFieldOnlyWhenACommaFollowsIt)
{
    for (const SplitCase& c : kSplits)
        EXPECT_EQ(values(splitRow(c.line, CodePage::Utf8)), c.fields) << c.what;
}

TEST(RowSplit, ACommaAsSecondByteOfAJapaneseCommentIsNoSeparator)
{
    // Under CP932, 0x81 0x2C would be one (ill-formed) character, never a separator.
    EXPECT_EQ(values(splitRow("1,\x81,x,2,3,4,5,", CodePage::Cp932)), (Values{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(values(splitRow("1,\x83\x5C,2,3,4,5,", CodePage::Cp932)), (Values{"1", "2", "3", "4", "5"}));
    // ...but a tab is never a second byte: the value holding it stays unreadable.
    EXPECT_EQ(values(splitRow("1,c,2\x81\t,3,4,5,", CodePage::Cp932)), (Values{"1", "", "3", "4", "5"}));
}

TEST(SquidDataReader, RowsCarryTheirBytesUnchanged)
{
    const std::string data = "[Header]\r\n[Data]\r\nTime,Comment,Field\r\n"
                             "1.5,\x83\x5C,-0.0,2.0E+2,\xE8\xA1\xA8,1e-9,extra\r\n"
                             "7,c,8\r\n";
    SquidDataReader reader(CodePage::Utf8);
    reader.open(std::make_unique<MemorySource>(data, 5));
    ASSERT_EQ(reader.readPreamble(), PreambleOutcome::Rows);
    RowValues row;
    ASSERT_TRUE(reader.nextRow(row));
    EXPECT_EQ(values(row), (Values{"1.5", "-0.0", "2.0E+2", "\xE8\xA1\xA8", "1e-9"}));
    ASSERT_TRUE(reader.nextRow(row));
    EXPECT_EQ(values(row), (Values{"7", "", "", "", ""}));
    EXPECT_FALSE(reader.nextRow(row));
}

TEST(SquidDataReader, OpenFailsForMissingAndLockedFiles)
{
    kivo::testing::MemoryFileSystem files;
    files.files["/d/held.dat"] = "[Header]\r\n";
    files.locked.insert("/d/held.dat");
    SquidDataReader reader(CodePage::Utf8);
    EXPECT_FALSE(reader.open(files, "/d/missing.dat"));
    EXPECT_FALSE(reader.open(files, "/d/held.dat"));
}

} // namespace
