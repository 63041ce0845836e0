// Failures from outside the program, end to end through kivo-convert: a disk that fills
// part way, a disk that fails a read, an input another Kivo holds, an output folder that
// goes away and a queued file that turns into a folder. Each must end with the right
// message and status, no half-written output, and an earlier output untouched.

#include "child_process.h"
#include "temp_folder.h"
#include "expected_text.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace kivo::hardening;

namespace {

const std::string kEarlier = "IGOR\r\nan earlier output the user keeps\r\n";

struct Faults : ::testing::Test {
    kivo::testing::TempFolder temp;
    fs::path dir = temp.path();

    std::string at(const std::string& name) const { return (dir / name).string(); }
    Launch here() const { return {dir, {}, -1}; }
};

TEST_F(Faults, DiskFillingPartWayLeavesNoOutputAndTheEarlierOneUntouched)
{
    // About 500 KB of output, written in 256 KiB pieces: the limit strikes early and late in
    // the first piece, in the second, and in the trailer, after the file's notice was shown.
    constexpr int kRows = 20000;
    writeFile(dir / "in.dat", squidFile(kRows));
    const std::size_t whole = (itxHeader("run") + itxRows(kRows) + itxTrailer("run")).size();
    const std::string kTooLarge = reasonLine("write failed: File too large");
    const struct {
        std::size_t limit;
        std::string err;
    } cases[] = {
        {4096, writeFailure(at("out.itx")) + kTooLarge},
        {200000, writeFailure(at("out.itx")) + kTooLarge},
        {300000, writeFailure(at("out.itx")) + kTooLarge},
        {whole - 10, pointsNotice("in.dat", kRows) + writeFailure(at("out.itx")) + kTooLarge},
    };
    for (const auto& c : cases) {
        writeFile(dir / "out.itx", kEarlier);
        Launch launch = here();
        launch.fileSizeLimit = c.limit;
        const Finished done = runKivoConvert({"-o", "out.itx", "-p", "run", "in.dat"}, launch);
        EXPECT_EQ(done.signal, 0) << "limit " << c.limit;
        EXPECT_EQ(done.exitStatus, 1) << "limit " << c.limit;
        EXPECT_EQ(done.err, c.err) << "limit " << c.limit;
        EXPECT_EQ(done.out, "");
        EXPECT_EQ(readFile(dir / "out.itx"), kEarlier) << "limit " << c.limit;
        EXPECT_EQ(listFolder(dir), (std::vector<std::string>{"in.dat", "out.itx"})) << "limit " << c.limit;
    }
    // The same run without the limit succeeds: the failures above came from the limit alone.
    const Finished done = runKivoConvert({"-o", "out.itx", "-p", "run", "in.dat"}, here());
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(readFile(dir / "out.itx").size(), whole);
}

TEST_F(Faults, DiskFailingAReadLeavesNoOutputAndTheEarlierOneUntouched)
{
    // Reading a process's own memory at address 0 fails with EIO: a real read error from the
    // kernel on a file that opens, locks and looks regular like any other.
    writeFile(dir / "good.dat", squidFile(3));
    fs::create_symlink("/proc/self/mem", dir / "bad.dat");
    writeFile(dir / "out.itx", kEarlier);

    const Finished done = runKivoConvert({"-o", "out.itx", "-p", "run", "good.dat", "bad.dat"}, here());
    EXPECT_EQ(done.exitStatus, 1);
    EXPECT_EQ(done.err, kConcatenated + pointsNotice("good.dat", 3) + readFailure(at("bad.dat"))
                            + reasonLine("read failed: Input/output error"));
    EXPECT_EQ(readFile(dir / "out.itx"), kEarlier);
    EXPECT_EQ(listFolder(dir), (std::vector<std::string>{"bad.dat", "good.dat", "out.itx"}));
}

TEST_F(Faults, InputHeldByAnotherKivoConvertEndsTheRunAndKeepsTheEarlierOutput)
{
    writeFile(dir / "a.dat", squidFile(3));
    // The first program blocks on its notice for a.dat, while it holds a.dat open.
    BlockingStderr blocked(0);
    Child first({"-o", "first.itx", "-p", "first", "a.dat"}, {dir, {}, blocked.writeEnd()});
    ASSERT_TRUE(waitForLock(first.pid(), dir / "a.dat", 30));
    writeFile(dir / "second.itx", kEarlier);

    const Finished second = runKivoConvert({"-o", "second.itx", "-p", "second", "a.dat"}, here());
    EXPECT_EQ(second.exitStatus, 1);
    EXPECT_EQ(second.err,
              fileNotOpenNotice("a.dat") + reasonLine("cannot open " + at("a.dat") + ": another program has it open"));
    EXPECT_EQ(readFile(dir / "second.itx"), kEarlier);

    const std::string firstErr = blocked.drain();
    const Finished firstDone = first.wait();
    EXPECT_EQ(firstDone.exitStatus, 0);
    EXPECT_EQ(firstErr, pointsNotice("a.dat", 3));
    EXPECT_EQ(readFile(dir / "first.itx"), itxHeader("first") + itxRows(3) + itxTrailer("first"));
}

TEST_F(Faults, OutputFolderGoneBeforeTheRunWritesNothing)
{
    writeFile(dir / "in.dat", squidFile(3));
    fs::create_directory(dir / "results");
    fs::remove(dir / "results");

    const Finished done = runKivoConvert({"-o", "results/out.itx", "-p", "run", "in.dat"}, here());
    EXPECT_EQ(done.exitStatus, 1);
    EXPECT_EQ(done.err,
              kOutfileNotOpen + reasonLine("cannot create " + at("results/out.itx") + ": No such file or directory"));
    EXPECT_EQ(listFolder(dir), (std::vector<std::string>{"in.dat"}));
}

TEST_F(Faults, OutputFolderVanishingDuringTheRunFailsTheRunAndLeavesNothing)
{
    writeFile(dir / "a.dat", squidFile(3));
    writeFile(dir / "b.dat", squidFile(4));
    fs::create_directory(dir / "results");
    // The drop's concatenation notice gets through; the notice for a.dat blocks.
    BlockingStderr blocked(kConcatenated.size());
    Child run({"-o", "results/out.itx", "-p", "run", "a.dat", "b.dat"}, {dir, {}, blocked.writeEnd()});
    ASSERT_TRUE(waitForLock(run.pid(), dir / "a.dat", 30));
    fs::remove_all(dir / "results");

    const std::string err = blocked.drain();
    const Finished done = run.wait();
    EXPECT_EQ(done.exitStatus, 1);
    EXPECT_EQ(err, kConcatenated + pointsNotice("a.dat", 3) + pointsNotice("b.dat", 4)
                       + writeFailure(at("results/out.itx"))
                       + reasonLine("cannot put the output in place: No such file or directory"));
    EXPECT_EQ(listFolder(dir), (std::vector<std::string>{"a.dat", "b.dat"}));
}

TEST_F(Faults, OutputFolderRenamedDuringTheRunFailsTheRunAndLeavesNothingInIt)
{
    writeFile(dir / "a.dat", squidFile(3));
    fs::create_directory(dir / "results");
    BlockingStderr blocked(0);
    Child run({"-o", "results/out.itx", "-p", "run", "a.dat"}, {dir, {}, blocked.writeEnd()});
    ASSERT_TRUE(waitForLock(run.pid(), dir / "a.dat", 30));
    fs::rename(dir / "results", dir / "moved");

    blocked.drain();
    const Finished done = run.wait();
    EXPECT_EQ(done.exitStatus, 1);
    EXPECT_EQ(listFolder(dir / "moved"), std::vector<std::string>{});
}

// An interrupted run leaves the earlier output and nothing else: the staging file goes
// with the process, even on SIGKILL where the file system has anonymous files.
TEST_F(Faults, SignalsEndingTheRunLeaveNoStagingFile)
{
    writeFile(dir / "a.dat", squidFile(3));
    const int probe = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    const bool anonymousFiles = probe >= 0;
    if (probe >= 0)
        ::close(probe);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
        if (signal == SIGKILL && !anonymousFiles)
            continue;
        writeFile(dir / "out.itx", kEarlier);
        // Blocked on the notice for a.dat, with the output half written.
        BlockingStderr blocked(0);
        Child run({"-o", "out.itx", "-p", "run", "a.dat"}, {dir, {}, blocked.writeEnd()});
        ASSERT_TRUE(waitForLock(run.pid(), dir / "a.dat", 30));
        ::kill(run.pid(), signal);
        const Finished done = run.wait();
        EXPECT_EQ(done.signal, signal);
        EXPECT_EQ(readFile(dir / "out.itx"), kEarlier) << signal;
        EXPECT_EQ(listFolder(dir), (std::vector<std::string>{"a.dat", "out.itx"})) << signal;
    }
}

TEST_F(Faults, QueuedFileReplacedByAFolderEndsTheRunAndKeepsTheEarlierOutput)
{
    writeFile(dir / "a.dat", squidFile(3));
    writeFile(dir / "b.dat", squidFile(4, "2000"));
    writeFile(dir / "out.itx", kEarlier);
    BlockingStderr blocked(kConcatenated.size());
    Child run({"-o", "out.itx", "-p", "run", "a.dat", "b.dat"}, {dir, {}, blocked.writeEnd()});
    ASSERT_TRUE(waitForLock(run.pid(), dir / "a.dat", 30));
    fs::remove(dir / "b.dat");
    fs::create_directory(dir / "b.dat");

    const std::string err = blocked.drain();
    const Finished done = run.wait();
    EXPECT_EQ(done.exitStatus, 1);
    EXPECT_EQ(err, kConcatenated + pointsNotice("a.dat", 3) + fileNotOpenNotice("b.dat")
                       + reasonLine("cannot open " + at("b.dat") + ": Is a directory"));
    EXPECT_EQ(readFile(dir / "out.itx"), kEarlier);
    EXPECT_EQ(listFolder(dir), (std::vector<std::string>{"a.dat", "b.dat", "out.itx"}));
}

TEST_F(Faults, StandardErrorClosedByItsReaderDoesNotCostTheOutput)
{
    // As in `kivo-convert ... 2>&1 | head -1`: the notices have nowhere to go, but the
    // conversion the user asked for must still be finished and put in place, and no
    // staging file left behind.
    writeFile(dir / "a.dat", squidFile(3));
    writeFile(dir / "b.dat", squidFile(4, "2000"));
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    ::close(ends[0]);
    Child run({"-o", "out.itx", "-p", "run", "a.dat", "b.dat"}, {dir, {}, ends[1]});
    ::close(ends[1]);
    const Finished done = run.wait();
    EXPECT_EQ(done.signal, 0);
    EXPECT_EQ(done.exitStatus, 0);
    EXPECT_EQ(readFile(dir / "out.itx"), itxHeader("run") + itxRows(3) + itxRows(4, "2000") + itxTrailer("run"));
    EXPECT_EQ(listFolder(dir), (std::vector<std::string>{"a.dat", "b.dat", "out.itx"}));
}

} // namespace
