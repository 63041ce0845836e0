#include "core/run/conversion_run.h"
#include "core/files/io_error.h"
#include "expected_itx.h"
#include "memory_files.h"
#include "recording_window.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using kivo::core::CodePage;
using kivo::core::IoError;
using kivo::core::Notice;
using kivo::core::NoticeKind;
using kivo::core::OnMakeItx;
using kivo::core::QueueEntry;
using kivo::core::Reason;
using kivo::core::ReasonKind;
using kivo::core::RunResult;
using kivo::core::systemReason;
using kivo::testing::itxHeader;
using kivo::testing::itxRows;
using kivo::testing::itxTrailer;
using kivo::testing::MemoryFileSystem;
using kivo::testing::mpms3AcFile;
using kivo::testing::RecordingHost;
using kivo::testing::squidFile;

namespace {

struct RunFixture : ::testing::Test {
    MemoryFileSystem files;
    RecordingHost host;

    void SetUp() override
    {
        host.prefixField = "run1";
        host.outputField = "/d/run1.itx";
    }

    RunResult run() { return OnMakeItx(host, nullptr, files, CodePage::Utf8); }
};

TEST_F(RunFixture, AnEmptyQueueWritesHeaderAndTrailerSilentlyAndClearsTheFields)
{
    const RunResult result = run();
    EXPECT_TRUE(result.outputWritten);
    EXPECT_EQ(files.files.at("/d/run1.itx"), itxHeader("run1") + itxTrailer("run1"));
    EXPECT_TRUE(host.notices.empty());
    EXPECT_EQ(host.prefixField, "");
    EXPECT_EQ(host.outputField, "");
}

TEST_F(RunFixture, FilesAreConcatenatedInQueueOrderWithACountNoticeEach)
{
    files.files["/d/a.dat"] = squidFile(3, "1000");
    files.files["/d/b.dat"] = squidFile(4, "2000");
    host.enqueue("a.dat", "/d/a.dat");
    host.enqueue("b.dat", "/d/b.dat");
    const RunResult result = run();
    EXPECT_TRUE(result.outputWritten);
    EXPECT_TRUE(result.everyInputOpened);
    EXPECT_EQ(files.files.at("/d/run1.itx"), itxHeader("run1") + itxRows(3, "1000") + itxRows(4, "2000") + itxTrailer("run1"));
    EXPECT_EQ(host.notices, (std::vector<Notice>{{NoticeKind::PointsExtracted, "a.dat", 3},
                                                 {NoticeKind::PointsExtracted, "b.dat", 4}}));
    EXPECT_TRUE(host.queue.empty());
}

TEST_F(RunFixture, EachOutcomeGetsItsNoticeOrNone)
{
    files.files["/d/text.dat"] = "hello\r\n";
    files.files["/d/nodata.dat"] = "[Header]\r\nINFO\r\n";
    files.files["/d/nocol.dat"] = "[Header]\r\n[Data]\r\n";
    files.files["/d/other.dat"] = "[Header]\r\n[Data]\r\nDate,Value\r\n1,2,3,4,5,6,\r\n";
    files.files["/d/empty.dat"] = "[Header]\r\n[Data]\r\nTime,Comment\r\n";
    files.files["/d/good.dat"] = squidFile(2);
    for (const char* name : {"text.dat", "nodata.dat", "nocol.dat", "other.dat", "empty.dat", "good.dat"})
        host.enqueue(name, std::string("/d/") + name);
    run();
    EXPECT_EQ(host.notices, (std::vector<Notice>{{NoticeKind::NotSquid, "text.dat"},
                                                 {NoticeKind::NoDataSection, "nodata.dat"},
                                                 {NoticeKind::PointsExtracted, "empty.dat", 0},
                                                 {NoticeKind::PointsExtracted, "good.dat", 2}}));
    EXPECT_EQ(files.files.at("/d/run1.itx"), itxHeader("run1") + itxRows(2) + itxTrailer("run1"));
}

// A file whose rows hold no moment is most likely an AC measurement, whose values only the
// detailed output writes: the user is told so after its points.
TEST_F(RunFixture, RowsWithoutAnyMomentAreFollowedByTheAcNotice)
{
    const std::string mpms3Dc = "[Header]\r\n[Data]\r\nComment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),"
                                "Moment (emu),M. Std. Err. (emu),DC Moment Free Ctr (emu),"
                                "DC Moment Err Free Ctr (emu)\r\n,1,2,100,,,1.1E-4,3E-6\r\n";
    const struct {
        const char* what;
        std::string file;
        bool told;
    } cases[] = {
        {"MPMS3 AC: the moment columns empty", mpms3AcFile(3), true},
        {"moments Igor reads as NaN", squidFile({"1,,10,300,NaN,2E-7,", "2,,10,300,-nan,2E-7,"}), true},
        {"MPMS3 DC scan: the fitted moment stands in", mpms3Dc, false},
        {"one moment among empty ones", squidFile({"1,,10,300,,,", "2,,10,300,1E-5,,"}), false},
        {"no rows", squidFile(0), false},
    };
    for (const auto& c : cases) {
        host.notices.clear();
        files.files["/d/a.dat"] = c.file;
        host.enqueue("a.dat", "/d/a.dat");
        host.outputField = "/d/run1.itx";
        run();
        std::vector<NoticeKind> expected = {NoticeKind::PointsExtracted};
        if (c.told)
            expected.push_back(NoticeKind::NoMoment);
        EXPECT_EQ(host.noticeKinds(), expected) << c.what;
        EXPECT_EQ(host.notices.back().name, "a.dat") << c.what;
        host.shown.clear();
    }
}

// A file that cannot be opened ends the run as a failed read does, with its notice instead
// of an error box: the earlier output stays and the batch is back as it was, in both outputs.
TEST(Run, AnInputThatCannotBeOpenedEndsTheRunAndRestoresTheBatch)
{
    for (const bool detailed : {false, true}) {
        for (const char* unopened : {"gone.dat", "held.dat"}) {
            MemoryFileSystem fs;
            fs.files["/d/run1.itx"] = "earlier good output";
            fs.files["/d/a.dat"] = squidFile(1);
            fs.files["/d/held.dat"] = squidFile(5);
            fs.files["/d/b.dat"] = squidFile(2);
            fs.locked.insert("/d/held.dat");
            RecordingHost h;
            h.detailed = detailed;
            h.enqueue("a.dat", "/d/a.dat");
            h.enqueue(unopened, std::string("/d/") + unopened);
            h.enqueue("b.dat", "/d/b.dat");
            const std::vector<QueueEntry> queued = h.entries();
            h.prefixField = "run1";
            h.outputField = "/d/run1.itx";
            const RunResult result = OnMakeItx(h, nullptr, fs, CodePage::Utf8);
            EXPECT_FALSE(result.outputWritten) << unopened << (detailed ? ", detailed" : "");
            EXPECT_FALSE(result.everyInputOpened) << unopened << (detailed ? ", detailed" : "");
            // The detailed output tells its files at the end, which this run never reaches.
            const std::vector<Notice> told =
                detailed ? std::vector<Notice>{{NoticeKind::FileNotOpen, unopened}}
                         : std::vector<Notice>{{NoticeKind::PointsExtracted, "a.dat", 1}, {NoticeKind::FileNotOpen, unopened}};
            EXPECT_EQ(h.notices, told)
                << unopened << (detailed ? ", detailed" : "");
            EXPECT_EQ(fs.files.at("/d/run1.itx"), "earlier good output") << unopened << (detailed ? ", detailed" : "");
            EXPECT_EQ(fs.stagedAlive, 0) << unopened << (detailed ? ", detailed" : "");
            EXPECT_EQ(h.entries(), queued) << unopened << (detailed ? ", detailed" : "");
            EXPECT_EQ(h.prefixField, "run1") << unopened << (detailed ? ", detailed" : "");
            EXPECT_EQ(h.outputField, "/d/run1.itx") << unopened << (detailed ? ", detailed" : "");
        }
    }
}

TEST_F(RunFixture, AnOutputThatCannotBeCreatedChangesNothing)
{
    files.files["/d/a.dat"] = squidFile(1);
    host.enqueue("a.dat", "/d/a.dat");
    host.outputField = "";
    const RunResult result = run();
    EXPECT_FALSE(result.outputWritten);
    EXPECT_EQ(host.notices, (std::vector<Notice>{{NoticeKind::OutfileNotOpen, ""}}));
    EXPECT_EQ(host.queue.count(), 1u);
    EXPECT_EQ(host.prefixField, "run1");
    EXPECT_EQ(files.files.size(), 1u);
}

TEST_F(RunFixture, TheOutputNeverReplacesAQueuedInput)
{
    files.files["/d/a.dat"] = squidFile(1);
    files.files["/d/b.dat"] = squidFile(2);
    host.enqueue("a.dat", "/d/a.dat");
    host.enqueue("b.dat", "/d/b.dat");
    host.outputField = "/d/b.dat";
    const RunResult result = run();
    EXPECT_FALSE(result.outputWritten);
    EXPECT_EQ(host.notices,
              (std::vector<Notice>{
                  {NoticeKind::OutfileNotOpen, "", 0, because(ReasonKind::OutputNamesInput, "b.dat")}}));
    EXPECT_EQ(files.files.at("/d/b.dat"), squidFile(2));
    EXPECT_EQ(host.queue.count(), 2u);
    EXPECT_EQ(host.outputField, "/d/b.dat");
}

// Every failure part way through: the earlier output stays, no staging file is left, and
// the batch is back as it was before the run, ready to be run again.
struct FailureCase {
    const char* what;
    void (*arm)(MemoryFileSystem&);
    kivo::core::IoOperation operation;
    const char* path;
};

const FailureCase kFailures[] = {
    {"read error", [](MemoryFileSystem& f) { f.failReadAfter = 150; }, kivo::core::IoOperation::Read, "/d/b.dat"},
    {"write error", [](MemoryFileSystem& f) { f.failWriteAfter = 300; }, kivo::core::IoOperation::Write, "/d/run1.itx"},
    {"close error on the output", [](MemoryFileSystem& f) { f.failCommit = true; }, kivo::core::IoOperation::Close,
     "/d/run1.itx"},
    {"close error on an input", [](MemoryFileSystem& f) { f.failInputClose = true; }, kivo::core::IoOperation::Close,
     "/d/a.dat"},
};

TEST_F(RunFixture, AFailedRunLeavesTheEarlierOutputAndRestoresTheBatch)
{
    for (const FailureCase& c : kFailures) {
        MemoryFileSystem fs;
        fs.files["/d/run1.itx"] = "earlier good output";
        fs.files["/d/a.dat"] = squidFile(2);
        fs.files["/d/b.dat"] = squidFile(40);
        RecordingHost h;
        h.enqueue("a.dat", "/d/a.dat");
        h.enqueue("b.dat", "/d/b.dat");
        h.prefixField = "run1";
        h.outputField = "/d/run1.itx";
        if (c.operation != kivo::core::IoOperation::Read)
            fs.failReadAfter = kivo::testing::kNever;
        c.arm(fs);
        if (c.operation == kivo::core::IoOperation::Read)
            fs.files["/d/a.dat"] = squidFile(2).substr(0, 100);  // under the limit
        try {
            OnMakeItx(h, nullptr, fs, CodePage::Utf8);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const IoError& e) {
            EXPECT_EQ(e.operation(), c.operation) << c.what;
            EXPECT_EQ(e.path(), c.path) << c.what;
        }
        EXPECT_EQ(fs.files.at("/d/run1.itx"), "earlier good output") << c.what;
        EXPECT_EQ(fs.stagedAlive, 0) << c.what;
        EXPECT_EQ(h.queue.entries(), (std::deque<QueueEntry>{{"a.dat", "/d/a.dat"}, {"b.dat", "/d/b.dat"}})) << c.what;
        EXPECT_EQ(h.prefixField, "run1") << c.what;
        EXPECT_EQ(h.outputField, "/d/run1.itx") << c.what;
    }
}

// Memory running out, or any other exception, must not leave the window with its queue
// half drained either; the window's own handler then reports it.
struct ThrowingHost : RecordingHost {
    void notify(const Notice& notice) override
    {
        if (!notices.empty())
            throw std::bad_alloc();
        RecordingHost::notify(notice);
    }
};

TEST(Run, AnyExceptionRestoresTheBatchAndPassesOn)
{
    MemoryFileSystem fs;
    fs.files["/d/o.itx"] = "earlier";
    fs.files["/d/a.dat"] = squidFile(1);
    fs.files["/d/b.dat"] = squidFile(2);
    ThrowingHost h;
    h.enqueue("a.dat", "/d/a.dat");
    h.enqueue("b.dat", "/d/b.dat");
    const std::vector<QueueEntry> queued = h.entries();
    h.prefixField = "p";
    h.outputField = "/d/o.itx";
    EXPECT_THROW(OnMakeItx(h, nullptr, fs, CodePage::Utf8), std::bad_alloc);
    EXPECT_EQ(h.entries(), queued);
    EXPECT_EQ(h.prefixField, "p");
    EXPECT_EQ(h.outputField, "/d/o.itx");
    EXPECT_EQ(fs.files.at("/d/o.itx"), "earlier");
    EXPECT_EQ(fs.stagedAlive, 0);
}

TEST_F(RunFixture, ThePrefixIsTakenFromTheFieldAndCheckedBeforeTheHeader)
{
    host.prefixField = "";
    OnMakeItx(host, nullptr, files, CodePage::Utf8);
    EXPECT_EQ(files.files.at("/d/run1.itx"), itxHeader("") + itxTrailer(""));

    host.prefixField = "x-y";
    host.outputField = "/d/run2.itx";
    OnMakeItx(
        host, [](kivo::core::Host& h) { h.wavePrefix = "x_y"; }, files, CodePage::Utf8);
    EXPECT_EQ(files.files.at("/d/run2.itx"), itxHeader("x_y") + itxTrailer("x_y"));
}

// A notice takes the focus, and the prefix field's focus-loss handler may then change the
// field; the run keeps the prefix it took.
struct FocusStealingHost : RecordingHost {
    void notify(const Notice& notice) override
    {
        RecordingHost::notify(notice);
        prefixField = "changed";
        exchange(kivo::core::Exchange::FromControls);
    }
};

TEST(Run, KeepsThePrefixItTookWhileANoticeIsOpen)
{
    MemoryFileSystem files;
    files.files["/d/a.dat"] = squidFile(1);
    FocusStealingHost host;
    host.enqueue("a.dat", "/d/a.dat");
    host.prefixField = "p";
    host.outputField = "/d/o.itx";
    OnMakeItx(host, nullptr, files, CodePage::Utf8);
    EXPECT_EQ(files.files.at("/d/o.itx"), itxHeader("p") + itxRows(1) + itxTrailer("p"));
}

#ifndef _WIN32
namespace fs = std::filesystem;

struct DiskRun : ::testing::Test {
    kivo::testing::TempFolder folder;
    fs::path dir = folder.path();
    RecordingHost host;

    void SetUp() override { host.prefixField = "w"; }

    std::string write(const std::string& name, const std::string& data)
    {
        std::ofstream(dir / name, std::ios::binary) << data;
        return (dir / name).string();
    }
    static std::string read(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::size_t entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {})); }
};

TEST_F(DiskRun, ReplacesAnExistingOutputAndLeavesNoStagingFile)
{
    const std::string out = write("o.itx", std::string(5000, 'x'));
    host.enqueue("a.dat", write("a.dat", squidFile(2)));
    host.outputField = out;
    EXPECT_TRUE(OnMakeItx(host, nullptr).outputWritten);
    EXPECT_EQ(read(out), itxHeader("w") + itxRows(2) + itxTrailer("w"));
    EXPECT_EQ(entries(), 2u);
}

TEST_F(DiskRun, RefusesOutputsItCannotCreate)
{
    fs::create_directory(dir / "sub");
    const std::string sub = (dir / "sub").string();
    const std::string missing = (dir / "missing" / "o.itx").string();
    const struct {
        std::string out;
        Reason reason;
    } cases[] = {
        {sub, within(ReasonKind::CannotCreate, sub, systemReason(EISDIR))},
        {missing, within(ReasonKind::CannotCreate, missing, systemReason(ENOENT))},
        {"", because(ReasonKind::OutputPathEmpty)},
    };
    for (const auto& c : cases) {
        host.notices.clear();
        host.outputField = c.out;
        EXPECT_FALSE(OnMakeItx(host, nullptr).outputWritten) << c.out;
        EXPECT_EQ(host.notices, (std::vector<Notice>{{NoticeKind::OutfileNotOpen, "", 0, c.reason}})) << c.out;
    }
    EXPECT_EQ(entries(), 1u);
}

TEST_F(DiskRun, ANamedQueuedInputIsRecognisedUnderAnotherSpelling)
{
    const std::string input = write("a.dat", squidFile(2));
    host.enqueue("a.dat", input);
    host.outputField = (dir / "." / "a.dat").string();
    EXPECT_FALSE(OnMakeItx(host, nullptr).outputWritten);
    EXPECT_EQ(read(input), squidFile(2));
}

TEST_F(DiskRun, InputsHeldByAnotherProgramOrNotFilesAreNotOpened)
{
    const std::string held = write("held.dat", squidFile(1));
    const int fd = ::open(held.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    fs::create_directory(dir / "run.1");
    ASSERT_EQ(::mkfifo((dir / "fifo.dat").c_str(), 0600), 0);
    const std::string out = write("o.itx", "earlier");
    const struct {
        std::string name;
        Reason reason;
    } cases[] = {
        {"held.dat", within(ReasonKind::CannotOpen, held, because(ReasonKind::HeldByAnotherProgram))},
        {"run.1", within(ReasonKind::CannotOpen, (dir / "run.1").string(), systemReason(EISDIR))},
        {"fifo.dat", within(ReasonKind::CannotOpen, (dir / "fifo.dat").string(), because(ReasonKind::NotARegularFile))},
    };
    for (const auto& c : cases) {
        host.notices.clear();
        host.queue = {};
        host.enqueue(c.name, (dir / c.name).string());
        host.outputField = out;
        const RunResult result = OnMakeItx(host, nullptr);
        EXPECT_FALSE(result.outputWritten) << c.name;
        EXPECT_EQ(host.notices, (std::vector<Notice>{{NoticeKind::FileNotOpen, c.name, 0, c.reason}})) << c.name;
        EXPECT_EQ(host.queue.count(), 1u) << c.name;
        EXPECT_EQ(read(out), "earlier") << c.name;
    }
    ::close(fd);
    EXPECT_EQ(entries(), 4u);
}

// The staging name derived from the output's passes 255 bytes from a name of 243 on.
TEST_F(DiskRun, AnyNameTheFileSystemTakesCanBeTheOutput)
{
    for (const std::size_t size : {std::size_t{243}, std::size_t{255}}) {
        const fs::path out = dir / (std::string(size - 4, 'n') + ".itx");
        host.outputField = out.string();
        EXPECT_TRUE(OnMakeItx(host, nullptr).outputWritten) << size;
        EXPECT_EQ(read(out), itxHeader("w") + itxTrailer("w")) << size;
        host.prefixField = "w";
    }
    EXPECT_EQ(entries(), 2u);
}

TEST_F(DiskRun, ADanglingLinkCreatesItsTargetAndStays)
{
    const fs::path link = dir / "link.itx";
    fs::create_directory(dir / "sub");
    fs::create_symlink("sub/new.itx", link);
    host.outputField = link.string();
    EXPECT_TRUE(OnMakeItx(host, nullptr).outputWritten);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(read(dir / "sub" / "new.itx"), itxHeader("w") + itxTrailer("w"));
}

TEST_F(DiskRun, RootReplacingAnotherUsersOutputKeepsItsOwnerAndGroup)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root";
    const std::string out = write("o.itx", "old");
    ASSERT_EQ(::chown(out.c_str(), 4321, 8765), 0);
    host.outputField = out;
    EXPECT_TRUE(OnMakeItx(host, nullptr).outputWritten);
    struct stat st {};
    ASSERT_EQ(::stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 8765u);
    EXPECT_EQ(read(out), itxHeader("w") + itxTrailer("w"));
}
TEST_F(DiskRun, AReplacedOutputKeepsItsLinkAndPermissions)
{
    const std::string real = write("real.itx", "old");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path link = dir / "link.itx";
    fs::create_symlink(real, link);
    host.outputField = link.string();
    EXPECT_TRUE(OnMakeItx(host, nullptr).outputWritten);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(read(real), itxHeader("w") + itxTrailer("w"));
    EXPECT_EQ(fs::status(real).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
#endif

} // namespace
