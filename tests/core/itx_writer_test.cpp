#include "core/io_error.h"
#include "core/itx_writer.h"
#include "expected_itx.h"
#include "memory_files.h"

#include <gtest/gtest.h>

#include <string>

using kivo::core::IoError;
using kivo::core::ItxWriter;
using kivo::testing::MemoryFileSystem;

namespace {

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
    writer.writeRow("1.5", "10000", "300", "1.2E-05", "3.4E-08");
    writer.writeRow("", "", "", "", "");
    writer.writeRow("\x83\x5C", "", "2", "", " ");
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
        writer.writeRow(t, "f", "T", m, "sd");
        expected += "\t" + t + "\tf\tT\t" + m + "\tsd\r\n";
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
            for (int i = 0; i < 10000; ++i)
                writer.writeRow("1", "2", "3", "4", "5");
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

TEST(ItxWriter, CreateFailsForAnEmptyPath)
{
    MemoryFileSystem files;
    ItxWriter writer;
    EXPECT_FALSE(writer.create(files, ""));
}

} // namespace
