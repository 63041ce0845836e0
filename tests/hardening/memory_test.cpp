// Peak memory of kivo-convert on huge lines: deciding an outcome needs the first bytes of a
// line and a row its fields up to the last column it needs, so the rest of a line must be
// skipped, not held, and a huge field that is needed is no number: it is dropped as it
// arrives and written NaN. The lines are KIVO_HARDENING_HUGE_MIB long (256 unless set; 1024 to measure the
// gigabyte case by hand).

#include "child_process.h"
#include "temp_folder.h"
#include "expected_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace kivo::hardening;

namespace {

constexpr std::size_t kMiB = 1024 * 1024;
// Sanitizers shadow every allocation, so there only the growth over a small file counts.
constexpr long kCeilingKib = 64 * 1024;
constexpr long kGrowthKib = 8 * 1024;

std::size_t hugeBytes()
{
    const char* mib = std::getenv("KIVO_HARDENING_HUGE_MIB");
    return (mib != nullptr ? std::strtoul(mib, nullptr, 10) : 256) * kMiB;
}

// Writes `before`, then `size` bytes repeating `pattern`, then `after`, a piece at a time.
void writeHuge(const fs::path& file, const std::string& before, const std::string& pattern, std::size_t size,
               const std::string& after)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << before;
    std::string piece;
    while (piece.size() < kMiB)
        piece += pattern;
    piece.resize(kMiB - kMiB % pattern.size());
    for (std::size_t left = size; left > 0;) {
        const std::size_t n = std::min(left, piece.size());
        out.write(piece.data(), static_cast<std::streamsize>(n));
        left -= n;
    }
    out << after;
    ASSERT_TRUE(out.flush()) << file;
}

struct Memory : ::testing::Test {
    kivo::testing::TempFolder temp;
    fs::path dir = temp.path();
    long baselineKib = 0;

    void SetUp() override
    {
        writeFile(dir / "small.dat", squidFile(3));
        const Finished small = runKivoConvert({"-o", "small.itx", "-p", "p", "small.dat"}, {dir, {}, -1});
        ASSERT_EQ(small.exitStatus, 0);
        baselineKib = small.peakRssKib;
    }

    // Converts `name` into out.itx and removes it at once, since it is hundreds of MiB.
    Finished convertHuge(const std::string& name) const
    {
        const Finished done = runKivoConvert({"-o", "out.itx", "-p", "p", name}, {dir, {}, -1});
        fs::remove(dir / name);
        return done;
    }

    void expectBounded(const Finished& done, const char* what) const
    {
        RecordProperty(std::string(what) + "_peak_kib", static_cast<int>(done.peakRssKib));
        EXPECT_LT(done.peakRssKib - baselineKib, kGrowthKib)
            << what << ": peak " << done.peakRssKib << " KiB against " << baselineKib << " KiB for a small file";
#ifndef KIVO_SANITIZED
        EXPECT_LT(done.peakRssKib, kCeilingKib) << what;
#endif
    }
};

TEST_F(Memory, FileWithoutAnyLineFeedIsReadInBoundedMemory)
{
    writeHuge(dir / "huge.dat", "", "1,c,2,3,4,5,6,\r", hugeBytes(), "");
    const Finished done = convertHuge("huge.dat");
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.err, notSquidNotice("huge.dat"));
    EXPECT_EQ(readFile(dir / "out.itx"), itxHeader("p") + itxTrailer("p"));
    expectBounded(done, "no_line_feed");
}

TEST_F(Memory, RowCarryingAHugeTailAfterItsSixthCommaIsReadInBoundedMemory)
{
    writeHuge(dir / "huge.dat", "[Header]\r\n[Data]\r\nTime,Comment\r\n1,c,2,3,4,5,", "9,8\r", hugeBytes(),
              "\r\n6,c,7,8,9,10,\r\n");
    const Finished done = convertHuge("huge.dat");
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.err, pointsNotice("huge.dat", 2));
    EXPECT_EQ(readFile(dir / "out.itx"),
              itxHeader("p") + "\t1\t2\t3\t4\t5\r\n\t6\t7\t8\t9\t10\r\n" + itxTrailer("p"));
    expectBounded(done, "row_tail");
}

// A field with no comma after it may yet get one, so it is kept until the line ends.
TEST_F(Memory, RowWithoutAnyCommaIsReadInBoundedMemory)
{
    writeHuge(dir / "huge.dat", "[Header]\r\n[Data]\r\nTime,Comment\r\n", "123456789.", hugeBytes(),
              "\r\n6,c,7,8,9,10,\r\n");
    const Finished done = convertHuge("huge.dat");
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.err, pointsNotice("huge.dat", 2));
    EXPECT_EQ(readFile(dir / "out.itx"),
              itxHeader("p") + "\tNaN\tNaN\tNaN\tNaN\tNaN\r\n\t6\t7\t8\t9\t10\r\n" + itxTrailer("p"));
    expectBounded(done, "no_comma");
}

TEST_F(Memory, HugeFieldsAreWrittenNaNInBoundedMemory)
{
    // The older layout's last field, and a temperature of today's instruments, which waits
    // for the field that comes after it in the file but before it in the output.
    writeHuge(dir / "old.dat", "[Header]\r\n[Data]\r\nTime,Comment\r\n1,c,2,3,4,", "5", hugeBytes(), ",x\r\n");
    writeHuge(dir / "new.dat",
              "[Header]\r\n[Data]\r\nComment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Moment (emu),"
              "M. Std. Err. (emu)\r\n\"a, b\",1,",
              "7", hugeBytes(), ",3,4,5\r\n");
    for (const char* name : {"old.dat", "new.dat"}) {
        const Finished done = convertHuge(name);
        EXPECT_EQ(done.exitStatus, 0) << name;
        EXPECT_EQ(done.err, pointsNotice(name, 1));
        const bool older = name == std::string("old.dat");
        EXPECT_EQ(readFile(dir / "out.itx"),
                  itxHeader("p") + (older ? "\t1\t2\t3\t4\tNaN\r\n" : "\t1\t3\tNaN\t4\t5\r\n") + itxTrailer("p"))
            << name;
        expectBounded(done, name);
    }
}

TEST_F(Memory, HugeHeaderAndColumnLinesAreReadInBoundedMemory)
{
    // Long lines where the preamble looks: in the header block, and the column line itself.
    writeHuge(dir / "huge.dat", "[Header]\r\n", "[Header],", hugeBytes() / 2,
              "\r\n[Data]\r\nTime,Comment," + std::string(kMiB, 'x'));
    {
        std::ofstream more(dir / "huge.dat", std::ios::binary | std::ios::app);
        const std::string piece(kMiB, ',');
        for (std::size_t i = 0; i < hugeBytes() / 2 / kMiB; ++i)
            more.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        more << "\r\n1,c,2,3,4,5,\r\n";
    }
    const Finished done = convertHuge("huge.dat");
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(done.err, pointsNotice("huge.dat", 1));
    EXPECT_EQ(readFile(dir / "out.itx"), itxHeader("p") + "\t1\t2\t3\t4\t5\r\n" + itxTrailer("p"));
    expectBounded(done, "preamble_lines");
}

// Blank lines count against the header's notes like any other: eight million of them keep
// the memory flat and the notes short, and the notes say that the header goes on.
TEST_F(Memory, DetailedHeaderOfMillionsOfBlankLinesIsReadInBoundedMemory)
{
    writeHuge(dir / "blank.dat", "[Header]\r\n", "\r\n", 16 * kMiB,
              "[Data]\r\nTime,Comment,Field (Oe),Temperature (K),Long Moment (emu),Long Scan Std Dev,\r\n1,,2,3,4,5,\r\n");
    const Finished done = runKivoConvert({"--detailed", "-o", "out.itx", "-p", "p", "blank.dat"}, {dir, {}, -1});
    EXPECT_EQ(done.exitStatus, 0) << done.err;
    const std::string out = readFile(dir / "out.itx");
    EXPECT_LT(out.size(), 2 * kMiB);
    EXPECT_NE(out.find("X Note blank_Time, \"(the header goes on past"), std::string::npos);
    expectBounded(done, "blank_header_lines");
}

} // namespace
