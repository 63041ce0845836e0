#include "core/run/conversion_run.h"
#include "core/waves/igor_number.h"
#include "core/output/itx_writer.h"
#include "core/input/squid_reader.h"
#include "crlf_lines.h"
#include "memory_files.h"
#include "recording_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kivo::core::CodePage;
using kivo::core::ItxWriter;
using kivo::core::LineReader;
using kivo::core::Notice;
using kivo::core::NoticeKind;
using kivo::core::PreambleOutcome;
using kivo::core::SquidDataReader;
using kivo::testing::MemoryFileSystem;
using kivo::testing::MemorySource;
using namespace std::string_literals;

namespace {

using Values = std::vector<std::string>;

struct Reading {
    PreambleOutcome outcome;
    std::vector<Values> rows;  // as written, a missing value as ""
};

// Reads `data` into an Igor Text file in memory and takes the values back out of its data
// lines, so that what is checked is what reaches the output.
Reading readRows(const std::string& data, std::size_t piece, CodePage page = CodePage::Utf8)
{
    SquidDataReader reader(page);
    reader.open(std::make_unique<MemorySource>(data, piece));
    Reading reading{reader.readPreamble(), {}};
    MemoryFileSystem files;
    ItxWriter writer;
    EXPECT_TRUE(writer.create(files, "o.itx"));
    if (reading.outcome == PreambleOutcome::Rows) {
        while (reader.nextRow())
            writer.writeRow(reader.row());
    }
    reader.close();
    writer.close();
    for (const std::string& line : kivo::testing::crLfLines(files.files.at("o.itx"))) {
        if (line.empty() || line[0] != '\t')
            continue;
        Values values;
        for (std::size_t from = 1;;) {
            const std::size_t tab = line.find('\t', from);
            const std::string value = line.substr(from, tab == std::string::npos ? std::string::npos : tab - from);
            values.push_back(value == "NaN" ? "" : value);
            if (tab == std::string::npos)
                break;
            from = tab + 1;
        }
        reading.rows.push_back(values);
    }
    return reading;
}

// Pieces of 1 and 3 bytes make every line cross read blocks, at every position; whole
// reads keep lines in one block.
const std::size_t kPieces[] = {1, 3, kivo::testing::kNever};

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
            const Reading reading = readRows(c.data, piece);
            EXPECT_EQ(reading.outcome, c.outcome) << c.what;
            EXPECT_EQ(reading.rows.size(), c.rows) << c.what;
        }
    }
}

// Column lines of today's instruments: their titles say which columns feed the waves.
const std::string kMpms3 = "Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Moment (emu),"
                           "M. Std. Err. (emu),Transport Action,DC Moment Fixed Ctr (emu),"
                           "DC Moment Err Fixed Ctr (emu),DC Moment Free Ctr (emu),DC Moment Err Free Ctr (emu),"
                           "DC Fixed Fit,Map 16";

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
    {"quotes are bytes; blanks around a number are dropped", " 1 ,\"c,d\", 2,\"3\",,5 ,", {"1", "", "2", "", ""}},
    {"empty fields between commas", ",,,,,,", {"", "", "", "", ""}},
    {"a value holding a CR or a tab is missing",
     "1,,2\rEND\rX Print \"injected\"\rBEGIN\r3,4\t,5,6,", {"1", "", "", "5", "6"}},
    {"a NUL ends the text", "1,c,2,3\0,4,5,"s, {"1", "2", "", "", ""}},
};

TEST(RowSplit, TakesAFieldOnlyWhenACommaFollowsIt)
{
    for (const SplitCase& c : kSplits) {
        for (std::size_t piece : kPieces) {
            const Reading reading = readRows("[Header]\r\n[Data]\r\nTime,Comment\r\n" + c.line + "\r\n", piece);
            ASSERT_EQ(reading.rows.size(), 1u) << c.what;
            EXPECT_EQ(reading.rows[0], c.fields) << c.what << ", pieces of " << piece;
        }
    }
}

TEST(RowSplit, UnderCp932ALeadByteTakesOnlyASecondByte)
{
    // 0x83 0x5C and 0x89 0xB7 are characters; 0x93 before a comma and 0x81 before a tab are
    // bytes of their own, so the comma splits and the value holding the tab is unreadable.
    const std::string data = "[Header]\r\n[Data]\r\nTime,Comment\r\n1,\x83\x5C,2,3,4,5,\r\n"
                             "100,\x89\xB7\x93,5000,300,1.5E-4,2.0E-8,\r\n1,c,2\x81\t,3,4,5,\r\n";
    const std::string today = "[Header]\r\n[Data]\r\n" + kMpms3 + "\r\n\x89\xB7\x93,7,2,100,4E-5,1E-7,,,,,,,\r\n";
    for (std::size_t piece : kPieces) {
        EXPECT_EQ(readRows(data, piece, CodePage::Cp932).rows,
                  (std::vector<Values>{{"1", "2", "3", "4", "5"},
                                       {"100", "5000", "300", "1.5E-4", "2.0E-8"},
                                       {"1", "", "3", "4", "5"}}));
        EXPECT_EQ(readRows(today, piece, CodePage::Cp932).rows,
                  (std::vector<Values>{{"7", "100", "2", "4E-5", "1E-7"}}));
    }
}

struct TitlesCase {
    const char* what;
    std::string columns;
    std::string rows;
    PreambleOutcome outcome;
    std::vector<Values> values;
};

const TitlesCase kTitles[] = {
    {"VSM mode: the Moment column, before the DC pair", kMpms3,
     ",3765255600.5,300.1,10000,1.2E-05,3E-08,1,9,9,9,9,,\r\n", PreambleOutcome::Rows,
     {{"3765255600.5", "10000", "300.1", "1.2E-05", "3E-08"}}},
    {"DC scan mode: the Moment column is empty", kMpms3, ",100,2,500,,,2,1E-4,2E-6,1.1E-4,3E-6,0.99,\r\n",
     PreambleOutcome::Rows, {{"100", "500", "2", "1.1E-4", "3E-6"}}},
    {"a quoted comment holds commas, a doubled quote changes nothing", kMpms3,
     "\"ZFC, 2 K\",7,2,100,,,,,,5E-5,1E-7,,\r\n\"say \"\"a,b\"\", ok\",8,2,100,4E-5,1E-7,,,,,,,x\r\n",
     PreambleOutcome::Rows, {{"7", "100", "2", "5E-5", "1E-7"}, {"8", "100", "2", "4E-5", "1E-7"}}},
    {"a quote opens a stretch only as a field's first byte; after the closing one it is a byte", kMpms3,
     "12\" rod,7,2,100,4E-5,1E-7,,,,,,,\r\n\"a\"x\",8,2,100,4E-5,1E-7,,,,,,,\r\n,1\",2,3,4E-5,1E-7,,,,,,,\r\n",
     PreambleOutcome::Rows,
     {{"7", "100", "2", "4E-5", "1E-7"}, {"8", "100", "2", "4E-5", "1E-7"}, {"", "3", "2", "4E-5", "1E-7"}}},
    {"a quoted comma in a title splits nothing",
     "Comment,Time Stamp (sec),\"Map 1, raw\",Temperature (K),Magnetic Field (Oe),Moment (emu),M. Std. Err. (emu)",
     ",100,\"0.5, 0.7\",300,5000,1.5E-4,2.0E-8\r\n", PreambleOutcome::Rows,
     {{"100", "5000", "300", "1.5E-4", "2.0E-8"}}},
    {"a quoted value in a needed column, more columns after it", kMpms3, ",7,\"2,5\",100,4E-5,1E-7,,,,,,,\r\n",
     PreambleOutcome::Rows, {{"7", "100", "", "4E-5", "1E-7"}}},
    {"a short row, the text after its last comma counted; an empty row", kMpms3, ",9,4,200\r\n\r\n",
     PreambleOutcome::Rows, {{"9", "200", "4", "", ""}, {"", "", "", "", ""}}},
    {"the pair is the first whose moment is there, with its own error", kMpms3,
     ",1,2,3,4E-5,,,,,6,7,,\r\n,1,2,3,,5,,,,,7,,\r\n", PreambleOutcome::Rows,
     {{"1", "3", "2", "4E-5", ""}, {"1", "3", "2", "", ""}}},
    {"PPMS VSM", "Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Moment (emu),M. Std. Err. (emu),"
                 "Transport Action",
     ",5,6,7,8,9,1\r\n", PreambleOutcome::Rows, {{"5", "7", "6", "8", "9"}}},
    {"titles in other orders, the DC pair first; of a title given twice the first counts",
     "Comment,Time Stamp (sec),DC Moment Err Free Ctr (emu),Magnetic Field (Oe),Moment (emu),Temperature (K),"
     "DC Moment Free Ctr (emu),M. Std. Err. (emu),Temperature (K)",
     ",1,62,3,,4,52,61,9\r\n,1,62,3,51,4,52,61,9\r\n", PreambleOutcome::Rows,
     {{"1", "3", "4", "52", "62"}, {"1", "3", "4", "51", "61"}}},
    {"DynaCool ACMS II: its DC pair, after the VSM's and the fitted one",
     "Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),DC Moment (emu),DC Std. Err. (emu),"
     "AC X'  (emu/Oe)",
     ",1,2,3,4E-5,1E-7,\r\n,1,2,3,,,5E-6\r\n", PreambleOutcome::Rows, {{"1", "3", "2", "4E-5", "1E-7"}, {"1", "3", "2", "", ""}}},
    {"ACMS stays passed over",
     "Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),M-DC (emu),M-Std.Dev. (emu),M' (emu)",
     ",1,2,3,4,5,6\r\n", PreambleOutcome::ColumnMismatch, {}},
    {"resistivity stays passed over", "Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),"
                                      "Bridge 1 Resistance (Ohms)",
     ",1,2,3,4\r\n", PreambleOutcome::ColumnMismatch, {}},
    {"a pair needs both titles", "Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Moment (emu),"
                                 "DC Moment Err Free Ctr (emu),M. Std. Err. (emu) ",
     ",1,2,3,4,5,6\r\n", PreambleOutcome::ColumnMismatch, {}},
    {"titles are looked for in the first 65,536 columns only",
     "Comment,Time Stamp (sec)," + std::string(70000, ',') + "Temperature (K),Magnetic Field (Oe),Moment (emu),"
     "M. Std. Err. (emu)", ",1\r\n", PreambleOutcome::ColumnMismatch, {}},
    {"the line must begin with the comment and the time stamp",
     "Time Stamp (sec),Comment,Temperature (K),Magnetic Field (Oe),Moment (emu),M. Std. Err. (emu)", ",1,2,3,4,5\r\n",
     PreambleOutcome::ColumnMismatch, {}},
};

TEST(SquidDataReader, TodaysInstrumentsConvertByColumnTitle)
{
    for (const TitlesCase& c : kTitles) {
        for (std::size_t piece : kPieces) {
            const Reading reading = readRows("[Header]\r\nTITLE,x\r\n[Data]\r\n" + c.columns + "\r\n" + c.rows, piece);
            EXPECT_EQ(reading.outcome, c.outcome) << c.what;
            EXPECT_EQ(reading.rows, c.values) << c.what << ", pieces of " << piece;
        }
    }
}

TEST(SquidDataReader, AMomentHoldingACrOrTabIsThereButUnreadable)
{
    // The moment cell is not empty, so its pair is chosen, and written NaN with its error.
    const std::string data = "[Header]\r\n[Data]\r\n" + kMpms3 + "\r\n,1,2\t,3,4\r,5,,,,6,7,,\r\n";
    for (std::size_t piece : kPieces)
        EXPECT_EQ(readRows(data, piece).rows, (std::vector<Values>{{"1", "3", "", "", "5"}})) << piece;
}

// Values as long as a value may be arrive whole, each in its own wave, in rows far longer
// than a read block; a longer one is NaN, and one without its comma is still not taken.
TEST(SquidDataReader, LongValuesArriveWholeOrAsNaN)
{
    const auto big = [](char digit) { return std::string(kivo::core::kLongestValue, digit); };
    const std::string huge(LineReader::kBlockSize + 5, 'x');
    const std::string older = "[Header]\r\n[Data]\r\nTime,Comment\r\n" + big('1') + "," + huge + ",2,3,4," + big('5') +
                              ",\r\n" + "1,c,2,3,4," + big('6') + "\r\n" + "1,c,2,3," + big('7') + "0," + big('8') +
                              ",\r\n";
    const std::string today = "[Header]\r\n[Data]\r\n" + kMpms3 + "\r\n\"" + huge + "\"," + big('1') + "," + big('4') +
                              "4," + big('2') + ",,,," + huge + ",,5," + big('3') + "\r\n";
    for (std::size_t piece : {std::size_t{3}, kivo::testing::kNever}) {
        EXPECT_EQ(readRows(older, piece).rows, (std::vector<Values>{{big('1'), "2", "3", "4", big('5')},
                                                                    {"1", "2", "3", "4", ""},
                                                                    {"1", "2", "3", "", big('8')}}));
        EXPECT_EQ(readRows(today, piece).rows, (std::vector<Values>{{big('1'), big('2'), "", "5", big('3')}}));
    }
}

// A value reaches the data line only as a decimal number Igor reads, without the blanks
// around it; anything else would shift the items Igor reads, or be one it cannot read.
TEST(SquidDataReader, HandsOnAValueOnlyWhenItIsANumber)
{
    const std::string longest = "1" + std::string(4095, '0');
    const struct {
        std::string value;
        std::string written;
    } cases[] = {
        {"-1.2E-05", "-1.2E-05"}, {"+3.", "+3."},         {".5e+3", ".5e+3"},  {"007", "007"}, {"+nan", ""},
        {" -iNf ", "-INF"},       {"Inf", "INF"},         {"  300 ", "300"},   {" ", ""},      {"3 00", ""},
        {"END", ""},              {"\"3\"", ""},          {"\x83\x5C", ""},    {"1e", ""},     {"1E+", ""},
        {"1.2.3", ""},            {"--1", ""},            {"e5", ""},          {".", ""},      {"-", ""},
        {"1E5.0", ""},            {"0x10", ""},           {"nana", ""},        {"1\v", ""},    {longest, longest},
        {longest + "0", ""},      {" " + longest, ""},
    };
    for (const auto& c : cases) {
        for (std::size_t piece : kPieces) {
            const Reading reading = readRows("[Header]\r\n[Data]\r\nTime,Comment\r\n" + c.value + ",,1,2,3,4,\r\n", piece);
            EXPECT_EQ(reading.rows, (std::vector<Values>{{c.written, "1", "2", "3", "4"}}))
                << c.value.substr(0, 20) << ", pieces of " << piece;
        }
    }
}

TEST(SquidDataReader, OpenFailsForMissingAndLockedFiles)
{
    MemoryFileSystem files;
    files.files["/d/held.dat"] = "[Header]\r\n";
    files.locked.insert("/d/held.dat");
    SquidDataReader reader(CodePage::Utf8);
    EXPECT_FALSE(reader.open(files, "/d/missing.dat"));
    EXPECT_FALSE(reader.open(files, "/d/held.dat"));
}

TEST(Run, ConcatenatesAnOlderFileAndOneOfTodaysInstruments)
{
    MemoryFileSystem files;
    kivo::testing::RecordingHost host;
    files.files["/d/old.dat"] = "[Header]\r\n[Data]\r\nTime,Comment,Field (Oe)\r\n1,,10,300,1E-5,2E-7,x,\r\n";
    files.files["/d/mpms3.dat"] = "[Header]\r\nTITLE,x\r\n[Data]\r\n" + kMpms3 +
                                  "\r\n,100,2,500,,,2,1E-4,2E-6,1.1E-4,3E-6,0.99,\r\n"
                                  "\"ZFC, 2 K\",101,2,600,,,2,,,,,,\r\n";
    host.enqueue("old.dat", "/d/old.dat");
    host.enqueue("mpms3.dat", "/d/mpms3.dat");
    host.prefixField = "p";
    host.outputField = "/d/o.itx";
    kivo::core::OnMakeItx(host, nullptr, files, CodePage::Utf8);
    EXPECT_EQ(host.notices, (std::vector<Notice>{{NoticeKind::PointsExtracted, "old.dat", 1},
                                                 {NoticeKind::PointsExtracted, "mpms3.dat", 2}}));
    const std::string& out = files.files.at("/d/o.itx");
    const std::string rows = "BEGIN\r\n\t1\t10\t300\t1E-5\t2E-7\r\n\t100\t500\t2\t1.1E-4\t3E-6\r\n"
                             "\t101\t600\t2\tNaN\tNaN\r\nEND\r\n";
    EXPECT_NE(out.find(rows), std::string::npos) << out;
}

} // namespace
