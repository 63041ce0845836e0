#include "core/io_error.h"
#include "core/itx_writer.h"
#include "expected_itx.h"
#include "memory_files.h"

#include <gtest/gtest.h>

#include <string>

using kivo::core::IoError;
using kivo::core::ItxWriter;
using kivo::core::RowSink;
using kivo::testing::MemoryFileSystem;

namespace {

void writeRow(ItxWriter& writer, std::string_view time, std::string_view field, std::string_view temperature,
              std::string_view moment, std::string_view momentSD)
{
    writer.writeRow(kivo::core::RowValues{time, field, temperature, moment, momentSD});
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
    writeRow(writer, "\x83\x5C", "", "2", "", " ");
    writer.writeTrailer("w");
    writer.close();
    EXPECT_EQ(files.files.at("/out/w.itx"), kHeaderW +
                                                "\t1.5\t10000\t300\t1.2E-05\t3.4E-08\r\n"
                                                "\tNaN\tNaN\tNaN\tNaN\tNaN\r\n"
                                                "\t\x83\x5C\tNaN\t2\tNaN\t \r\n" +
                                                kTrailerW);
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

TEST(ItxWriter, ManyRowsAndValuesLargerThanTheBufferArriveInOrder)
{
    MemoryFileSystem files;
    ItxWriter writer;
    ASSERT_TRUE(writer.create(files, "o.itx"));
    writer.writeHeader("w");
    std::string expected = kHeaderW;
    const std::string big(ItxWriter::kBufferSize + 17, 'z');
    for (int i = 0; i < 20000; ++i) {
        const std::string t = std::to_string(i);
        const std::string& m = (i == 777) ? big : t;
        writeRow(writer, t, "f", "T", m, "sd");
        expected += "\t" + t + "\tf\tT\t" + m + "\tsd\r\n";
    }
    writer.writeTrailer("w");
    writer.close();
    EXPECT_EQ(files.files.at("o.itx"), expected + kTrailerW);
}

// Values held piece by piece, some far longer than memory may hold, come out whole and in
// wave order, and the next row starts from nothing.
TEST(ItxWriter, HeldRowsArriveWholeHoweverLongTheirValues)
{
    MemoryFileSystem files;
    ItxWriter writer;
    ASSERT_TRUE(writer.create(files, "o.itx"));
    writer.writeHeader("w");
    const std::string piece(ItxWriter::kHeldBytes / 3 + 11, 'm');
    std::string moment;
    writer.holdValue(2, "30");
    writer.holdValue(2, "0");
    for (int i = 0; i < 7; ++i) {
        writer.holdValue(6, piece);
        moment += piece;
    }
    writer.holdValue(0, "12");
    writer.holdValue(5, "");
    writer.writeHeldRow({0, 2, RowSink::kMissing, 6, 5});
    writer.holdValue(3, "x");
    writer.writeHeldRow({1, 2, 3, 4, 6});
    writeRow(writer, "1", "2", "3", "4", "5");
    writer.writeTrailer("w");
    writer.close();
    EXPECT_EQ(files.files.at("o.itx"), kHeaderW + "\t12\t300\tNaN\t" + moment + "\tNaN\r\n" +
                                           "\tNaN\tNaN\tx\tNaN\tNaN\r\n\t1\t2\t3\t4\t5\r\n" + kTrailerW);
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
            for (int i = 0; i < 10000; ++i)
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
