#include "cli/kivo_convert.h"
#include "core/run/run_summary.h"

#include "core/run/conversion_run.h"
#include "core/files/io_error.h"
#include "core/run/notice.h"
#include "expected_itx.h"
#include "failing_reads.h"
#include "intake/intake.h"
#include "notice_texts.h"
#include "recording_window.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using kivo::testing::itx;
using kivo::testing::squidFile;

namespace texts = kivo::testing::texts;
const std::string kCountRun1 = texts::points("run1.dat", 2) + "\n";
const std::string kFirstLetter = texts::kPrefixFirstLetter + "\n";
const std::string kDirectory = texts::kDirectory + "\n";
const std::string kConcatenated = texts::kConcatenated + "\n";

// The system's words for a missing file, for a path whose folder is missing, and for a
// folder where a file should be.
#ifdef _WIN32
const std::string kMissingFile = kivo::core::systemErrorText(ERROR_FILE_NOT_FOUND);
const std::string kMissingFolder = kivo::core::systemErrorText(ERROR_PATH_NOT_FOUND);
const std::string kIsAFolder = "it is a folder";
#else
const std::string kMissingFile = "No such file or directory";
const std::string kMissingFolder = kMissingFile;
const std::string kIsAFolder = "Is a directory";
#endif

std::string countNotice(const std::string& name, int count)
{
    return texts::points(name, count) + "\n";
}

// The line after the directory notice that names a FILE refused for want of an extension.
std::string noExtension(const std::string& file)
{
    return "kivo-convert: " + file + ": the name has no extension, so no file was queued\n";
}

const std::vector<std::string> kRun1Rows = {"10.5,,1000,300,1.5E-5,2E-7,1,", "11.5,a,2000,299.5,1.6E-5,3E-7,1,"};
const std::vector<std::string> kRun2Rows = {"20,,-5,4.2,7E-6,1E-8,1,"};

const std::vector<std::string> kRun1Lines = {"\t10.5\t1000\t300\t1.5E-5\t2E-7", "\t11.5\t2000\t299.5\t1.6E-5\t3E-7"};
const std::vector<std::string> kRun2Lines = {"\t20\t-5\t4.2\t7E-6\t1E-8"};

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::set<std::string> listing(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Each test works in a fresh folder of its own, which is also the current directory, so
// relative FILEs are resolved there. Its path holds no ".", which would change how an
// extensionless folder name splits.
class KivoConvert : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(m_root.string().find('.'), std::string::npos) << "temporary folder " << m_root;
        m_work = m_root / "work";
        fs::create_directory(m_work);
        m_previous = fs::current_path();
        fs::current_path(m_work);
        writeFile(m_work / "data" / "run1.dat", squidFile(kRun1Rows));
        writeFile(m_work / "data" / "run2.dat", squidFile(kRun2Rows));
    }

    void TearDown() override
    {
        fs::current_path(m_previous);
    }

    static Outcome convert(const std::vector<std::string>& args,
                           kivo::core::FileSystem& files = kivo::core::platformFileSystem())
    {
        std::ostringstream out;
        std::ostringstream err;
        const int status = kivo::cli::run(args, out, err, files);
        return {status, out.str(), err.str()};
    }

#ifndef _WIN32
    // Runs the real program in the work folder through the shell, `prelude` first.
    Outcome execute(const std::vector<std::string>& args, const std::string& prelude = "",
                    const std::string& wrapper = "") const
    {
        std::string command = "cd " + quoted(m_work.string()) + " && " + prelude + "exec " + wrapper
                              + quoted(KIVO_CONVERT_PATH);
        for (const std::string& arg : args)
            command += " " + quoted(arg);
        const std::string shell = "sh -c " + quoted(command) + " >" + quoted((m_root / "stdout").string()) + " 2>" +
                                  quoted((m_root / "stderr").string());
        const int raw = std::system(shell.c_str());
        const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        return {status, readFile(m_root / "stdout"), readFile(m_root / "stderr")};
    }

    static std::string quoted(const std::string& text)
    {
        std::string result = "'";
        for (char c : text)
            result += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return result + "'";
    }

#endif

    static std::string helpText() { return convert({"--help"}).out; }

    kivo::testing::TempFolder m_folder;
    fs::path m_root = m_folder.path();
    fs::path m_work;
    fs::path m_previous;
};

TEST_F(KivoConvert, OneFileWithoutOptionsTakesTheDefaultsOfADrop)
{
    const Outcome outcome = convert({"data/run1.dat"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, kCountRun1);
    EXPECT_EQ(readFile(m_work / "data" / "run1.itx"),
              "IGOR\r\n"
              "WAVES/D\trun1_Time\trun1_Field\trun1_Temperature\trun1_LongMoment\trun1_LongMomentSD\r\n"
              "BEGIN\r\n"
              "\t10.5\t1000\t300\t1.5E-5\t2E-7\r\n"
              "\t11.5\t2000\t299.5\t1.6E-5\t3E-7\r\n"
              "END\r\n"
              "X SetScale/P x 0,1,\"\", run1_Time; SetScale y 0,0,\"\", run1_Time\r\n"
              "X SetScale/P x 0,1,\"\", run1_Field; SetScale y 0,0,\"\", run1_Field\r\n"
              "X SetScale/P x 0,1,\"\", run1_Temperature; SetScale y 0,0,\"\", run1_Temperature\r\n"
              "X SetScale/P x 0,1,\"\", run1_LongMoment; SetScale y 0,0,\"\", run1_LongMoment\r\n"
              "X SetScale/P x 0,1,\"\", run1_LongMomentSD; SetScale y 0,0,\"\", run1_LongMomentSD\r\n");
    EXPECT_EQ(listing(m_work / "data"), (std::set<std::string>{"run1.dat", "run1.itx", "run2.dat"}));
}

TEST_F(KivoConvert, NoticesComeInTheOrderTheWindowShowsThem)
{
    writeFile(m_work / "data" / "1st-run.dat", squidFile(kRun1Rows));
    const Outcome outcome = convert({"data/1st-run.dat", "data", "data/run2.dat"});
    // The folder was given and not converted.
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, kFirstLetter + kDirectory + noExtension("data") + kConcatenated
                               + countNotice("1st-run.dat", 2) + countNotice("run2.dat", 1));
    EXPECT_EQ(readFile(m_work / "data" / "1st-run.itx"), itx("wst_run", concat(kRun1Lines, kRun2Lines)));
}

TEST_F(KivoConvert, GivenPrefixIsSanitizedLikeTheFieldLosingTheFocus)
{
    const struct {
        std::string given;
        std::string prefix;
        std::string notices;
    } cases[] = {
        {"x-y", "x_y", ""},
        {"my run", "my_run", ""},
        {"9a", "wa", kFirstLetter},
        {"", "w", kFirstLetter},
        {"Sample_2", "Sample_2", ""},
    };
    for (const auto& c : cases) {
        // A bad file name must not add a notice: the typed prefix is kept by the drop.
        writeFile(m_work / "data" / "1st-run.dat", squidFile(kRun1Rows));
        const Outcome outcome = convert({"-p", c.given, "data/1st-run.dat"});
        EXPECT_EQ(outcome.status, 0) << c.given;
        EXPECT_EQ(outcome.err, c.notices + countNotice("1st-run.dat", 2)) << c.given;
        EXPECT_EQ(readFile(m_work / "data" / "1st-run.itx"), itx(c.prefix, kRun1Lines)) << c.given;
    }
}

TEST_F(KivoConvert, GivenOutputIsKeptAndRelativeToTheCurrentFolder)
{
    fs::create_directory(m_work / "out");
    const Outcome outcome = convert({"-o", "out/all.itx", "data/run1.dat", "data/run2.dat"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, kConcatenated + kCountRun1 + countNotice("run2.dat", 1));
    EXPECT_EQ(readFile(m_work / "out" / "all.itx"), itx("run1", concat(kRun1Lines, kRun2Lines)));
    EXPECT_FALSE(fs::exists(m_work / "data" / "run1.itx"));
}

TEST_F(KivoConvert, OptionsMayBeAttachedOrFollowTheFilesUntilADoubleDash)
{
    writeFile(m_work / "-p.dat", squidFile(kRun2Rows));
    const Outcome outcome = convert({"data/run1.dat", "-oall.itx", "-pP", "--", "-p.dat"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, kConcatenated + kCountRun1 + countNotice("-p.dat", 1));
    EXPECT_EQ(readFile(m_work / "all.itx"), itx("P", concat(kRun1Lines, kRun2Lines)));
}

// Each FILE in a folder of its own inside the batch's, so nothing is concatenated to tell of;
// what became of each FILE is told at the end, a line each. A run that converts nothing
// writes nothing and fails.
TEST_F(KivoConvert, DetailedPutsEachFileInAFolderOfItsOwn)
{
    const Outcome outcome = convert({"--detailed", "-o", "all.itx", "-p", "batch", "data/run1.dat", "data/run2.dat"});
    EXPECT_EQ(outcome.status, 0);
    const std::string output = (m_work / "all.itx").string();
    const kivo::core::Notice summary = kivo::core::summaryNotice(
        {{{"run1.dat", kivo::core::NoticeKind::PointsExtracted, "run1", 2},
          {"run2.dat", kivo::core::NoticeKind::PointsExtracted, "run2", 1}},
         false,
         output});
    EXPECT_EQ(outcome.err, kivo::core::noticeLines(kivo::core::noticeText(summary)) + "\n");
    const std::string itx = readFile(m_work / "all.itx");
    EXPECT_EQ(itx.rfind("IGOR\r\nX NewDataFolder/O/S batch\r\nX NewDataFolder/O/S run1\r\nWAVES/D\trun1_Time\t", 0), 0u)
        << itx;
    EXPECT_NE(itx.find("X SetDataFolder ::\r\nX NewDataFolder/O/S run2\r\n"), std::string::npos) << itx;

    writeFile(m_work / "all.itx", "earlier");
    writeFile(m_work / "other.dat", "not a SQUID file\r\n");
    const Outcome none = convert({"--detailed", "-o", "all.itx", "other.dat"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(readFile(m_work / "all.itx"), "earlier");
}

TEST_F(KivoConvert, OutputAloneGetsHeaderAndTrailerOnly)
{
    Outcome outcome = convert({"-o", "empty.itx", "-p", "e"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(readFile(m_work / "empty.itx"), itx("e", {}));

    // Without -p the field is empty when the run takes it, as after pressing "Make itx".
    outcome = convert({"-o", "empty.itx"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, kFirstLetter);
    EXPECT_EQ(readFile(m_work / "empty.itx"), itx("w", {}));
}

#ifndef _WIN32
TEST_F(KivoConvert, RelativeFilesAreMadeAbsoluteAndDotDotIsLeftToTheKernel)
{
    // lnk/.. is the link target's parent, real/, not the work folder that a lexical ".."
    // would give; "." and doubled separators are dropped.
    fs::create_directories(m_work / "real" / "sub");
    fs::create_directory_symlink("real/sub", m_work / "lnk");
    writeFile(m_work / "real" / "run1.dat", squidFile(kRun1Rows));
    writeFile(m_work / "run1.dat", squidFile(kRun2Rows));
    const Outcome outcome = convert({"-o", "lnk/../o.itx", "lnk/.//../run1.dat"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, kCountRun1);
    EXPECT_EQ(readFile(m_work / "real" / "o.itx"), itx("run1", kRun1Lines));
    EXPECT_FALSE(fs::exists(m_work / "o.itx"));
}
#endif

TEST_F(KivoConvert, FolderNamedWithATrailingSeparatorIsRefusedLikeADroppedFolder)
{
    // A folder whose name ends in a dot is refused when dropped, and so it is here.
    fs::create_directory(m_work / "data.");
    const Outcome outcome = convert({"-o", "x.itx", "-p", "x", "data./", "data/run1.dat"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, kDirectory + noExtension("data./") + kCountRun1);
}

TEST_F(KivoConvert, FailuresExitWithOne)
{
    const struct {
        std::vector<std::string> args;
        std::string err;
        std::set<std::string> files;  // of the data folder afterwards
    } cases[] = {
        {{"-o", "nofolder/x.itx", "data/run1.dat"},
         "Outfile not open\nkivo-convert: cannot create " + (m_work / "nofolder" / "x.itx").string() + ": "
             + kMissingFolder + "\n",
         {"run1.dat", "run2.dat"}},
        {{"-o", "data", "data/run1.dat"},
         "Outfile not open\nkivo-convert: cannot create " + (m_work / "data").string() + ": " + kIsAFolder + "\n",
         {"run1.dat", "run2.dat"}},
        // The output would replace the measurement it converts.
        {{"-o", "data/run1.dat", "data/run2.dat", "data/run1.dat"},
         kConcatenated + "Outfile not open\nkivo-convert: the output names the input run1.dat\n",
         {"run1.dat", "run2.dat"}},
        // Nothing usable was given, so there is no default output path.
        {{"data"},
         kDirectory + noExtension("data") + kFirstLetter + "Outfile not open\nkivo-convert: the output path is empty\n",
         {"run1.dat", "run2.dat"}},
    };
    for (const auto& c : cases) {
        const Outcome outcome = convert(c.args);
        EXPECT_EQ(outcome.status, 1) << c.args.front();
        EXPECT_EQ(outcome.out, "") << c.args.front();
        EXPECT_EQ(outcome.err, c.err) << c.args.front();
        EXPECT_EQ(listing(m_work / "data"), c.files) << c.args.front();
        EXPECT_EQ(readFile(m_work / "data" / "run1.dat"), squidFile(kRun1Rows));
    }
    EXPECT_EQ(listing(m_work), (std::set<std::string>{"data"}));
}

// A missing file ends the run there: the earlier output stays as it was.
TEST_F(KivoConvert, MissingInputEndsTheRunAndKeepsTheEarlierOutput)
{
    writeFile(m_work / "out.itx", "earlier");
    const Outcome outcome = convert({"-o", "out.itx", "-p", "p", "data/run2.dat", "gone.dat", "data/run1.dat"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, kConcatenated + countNotice("run2.dat", 1)
                               + "File[ gone.dat ] not open\nkivo-convert: cannot open "
                               + (m_work / "gone.dat").string() + ": " + kMissingFile + "\n");
    EXPECT_EQ(readFile(m_work / "out.itx"), "earlier");
    EXPECT_EQ(listing(m_work), (std::set<std::string>{"data", "out.itx"}));
}

// Memory running out part way is told as the window tells it, not let out of the program,
// which would end it without unwinding and so leave a named staging file behind.
TEST_F(KivoConvert, AnyExceptionPartWayIsToldAndLeavesNoOutput)
{
    writeFile(m_work / "out.itx", "earlier");
    kivo::testing::FailingReads disk;
    disk.failingPath = (m_work / "data" / "run2.dat").string();
    disk.goodBytes = 20;
    disk.fail = [](const std::string&) { throw std::bad_alloc(); };

    const Outcome outcome = convert({"-o", "out.itx", "-p", "p", "data/run1.dat", "data/run2.dat"}, disk);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, kConcatenated + kCountRun1 + texts::readFailure((m_work / "out.itx").string()) + "\n"
                               + "kivo-convert: " + std::bad_alloc().what() + "\n");
    EXPECT_EQ(readFile(m_work / "out.itx"), "earlier");
    EXPECT_EQ(listing(m_work), (std::set<std::string>{"data", "out.itx"}));
}

// The window passes such files over silently; the command line says which and why, and
// the run still succeeds.
TEST_F(KivoConvert, FilesPassedOverForTheirColumnsAreNamedWithTheReason)
{
    writeFile(m_work / "rho.dat", "[Header]\r\n[Data]\r\nComment,Time Stamp (sec),Temperature (K),"
                                  "Magnetic Field (Oe),Resistance Ch1 (Ohms)\r\n,1,300,5000,12.5\r\n");
    writeFile(m_work / "bare.dat", "[Header]\r\n[Data]\r\n");
    const Outcome outcome = convert({"-o", "o.itx", "-p", "p", "rho.dat", "bare.dat", "data/run2.dat"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, kConcatenated + "kivo-convert: rho.dat: passed over: its column line is not one Kivo reads\n"
                               + "kivo-convert: bare.dat: passed over: it has no column line\n"
                               + countNotice("run2.dat", 1));
    EXPECT_EQ(readFile(m_work / "o.itx"), itx("p", kRun2Lines));
}

// The window's notice points at its box; the command line names the option instead, and
// the run succeeds all the same. The detailed output has the AC values, so it says nothing.
TEST_F(KivoConvert, AFileWithoutMomentsIsFollowedByTheLineNamingDetailed)
{
    writeFile(m_work / "ac.dat", kivo::testing::mpms3AcFile(2));
    const Outcome normal = convert({"-o", "o.itx", "ac.dat", "data/run2.dat"});
    EXPECT_EQ(normal.status, 0);
    EXPECT_EQ(normal.err, kConcatenated + countNotice("ac.dat", 2) + texts::noMomentLine("ac.dat")
                              + countNotice("run2.dat", 1));
    const Outcome detailed = convert({"--detailed", "-o", "d.itx", "ac.dat"});
    EXPECT_EQ(detailed.status, 0);
    EXPECT_EQ(detailed.err.find("--detailed"), std::string::npos) << detailed.err;
}

TEST_F(KivoConvert, UsageErrorsExitWithTwoAndTheUsage)
{
    const std::string usage = helpText();
    ASSERT_EQ(usage.rfind("Usage: kivo-convert [-o OUTPUT] [-p PREFIX] [--detailed] FILE...\n", 0), 0u) << usage;
    const struct {
        std::vector<std::string> args;
        std::string reason;
    } cases[] = {
        {{}, "no FILE and no -o OUTPUT"},
        {{"-p", "w"}, "no FILE and no -o OUTPUT"},
        {{"-x", "data/run1.dat"}, "unknown option -x"},
        {{"--verbose", "data/run1.dat"}, "unknown option --verbose"},
        {{"data/run1.dat", "-o"}, "-o needs a value"},
        {{"data/run1.dat", "-p"}, "-p needs a value"},
        {{"-o", "a.itx", "-o", "b.itx", "data/run1.dat"}, "-o is given twice"},
        {{"-p", "a", "data/run1.dat", "-pb"}, "-p is given twice"},
        {{"", "data/run1.dat"}, "a FILE is empty"},
        // Not the default output: an empty field would be no output at all.
        {{"-o", "", "data/run1.dat"}, "-o OUTPUT is empty"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = convert(c.args);
        EXPECT_EQ(outcome.status, 2) << c.reason;
        EXPECT_EQ(outcome.out, "") << c.reason;
        EXPECT_EQ(outcome.err, "kivo-convert: " + c.reason + "\n" + usage);
    }
    EXPECT_EQ(listing(m_work / "data"), (std::set<std::string>{"run1.dat", "run2.dat"}));
}

// kivo-convert without -o or -p must do what dropping the same files onto an empty window
// and pressing "Make itx" does: same notices in the same order, same bytes.
TEST_F(KivoConvert, MatchesADropOntoAnEmptyWindowAndMakeItx)
{
    writeFile(m_work / "data" / "1st-run.dat", squidFile(kRun1Rows));
    writeFile(m_work / "data" / "notes.txt", "measured on Tuesday\r\n");
    const std::vector<std::string> files = {"data/1st-run.dat", "data/notes.txt", "data", "data/run2.dat"};

    kivo::testing::RecordingHost window;
    std::vector<std::string> dropped;
    for (const std::string& file : files)
        dropped.push_back((m_work / file).lexically_normal().string());
    kivo::intake::AddDroppedFiles(window, dropped);
    ASSERT_TRUE(kivo::core::OnMakeItx(window, &kivo::intake::SanitizeWavePrefix).outputWritten);
    std::string windowNotices;
    for (const auto& shown : window.shown) {
        windowNotices += kivo::core::noticeLines(kivo::core::noticeText(shown.notice)) + "\n";
        // The command line also names the FILE that was not queued.
        if (shown.notice.kind == kivo::core::NoticeKind::DirectoryDropped)
            windowNotices += noExtension("data");
    }
    const std::string windowBytes = readFile(m_work / "data" / "1st-run.itx");
    fs::remove(m_work / "data" / "1st-run.itx");

    const Outcome outcome = convert(files);
    EXPECT_EQ(outcome.status, 1); // for the folder, which was not converted
    EXPECT_EQ(outcome.err, windowNotices);
    EXPECT_EQ(readFile(m_work / "data" / "1st-run.itx"), windowBytes);
    EXPECT_EQ(windowBytes, itx("wst_run", concat(kRun1Lines, kRun2Lines)));
}

// The real program through a POSIX shell, as a script runs it.
#ifndef _WIN32
TEST_F(KivoConvert, ProgramConvertsWithDefaultsEndToEnd)
{
    const Outcome outcome = execute({"data/run1.dat"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, kCountRun1);
    EXPECT_EQ(readFile(m_work / "data" / "run1.itx"), itx("run1", kRun1Lines));
}

TEST_F(KivoConvert, ProgramPassesItsArgumentsAndStatus)
{
    const std::string usage = helpText();
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;
    } cases[] = {
        {{"--version"}, 0, "Kivo 3.0\n", ""},
        {{"--help"}, 0, usage, ""},
        {{}, 2, "", "kivo-convert: no FILE and no -o OUTPUT\n" + usage},
        {{"-o", "nofolder/x.itx", "data/run1.dat"},
         1,
         "",
         "Outfile not open\nkivo-convert: cannot create " + (m_work / "nofolder/x.itx").string()
             + ": No such file or directory\n"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = execute(c.args);
        EXPECT_EQ(outcome.status, c.status) << c.err;
        EXPECT_EQ(outcome.out, c.out);
        EXPECT_EQ(outcome.err, c.err);
    }
}

// What is not a regular file is written as it is, never replaced by one; a standard
// stream is written through its descriptor, so that >> appends.
TEST_F(KivoConvert, ProgramWritesStreamsAndDevicesInPlace)
{
    const std::string whole = itx("run1", kRun1Lines);
    const struct {
        std::string output;
        std::string redirect; // of the program's standard output
    } cases[] = {
        {"/dev/stdout", ">>log.txt"},
        {"-", ">>log.txt"},
        {"/dev/fd/1", ">>log.txt"},
        {"/proc/self/fd/3", "3>>log.txt"},
        // Other names of standard output, told by the file they open.
        {"/dev/../dev/stdout", ">>log.txt"},
        {"/proc/thread-self/fd/1", ">>log.txt"},
        {"stdout-link", ">>log.txt"},
    };
    fs::create_symlink("/dev/stdout", m_work / "stdout-link");
    for (const auto& c : cases) {
        writeFile(m_work / "log.txt", "keep\n");
        const Outcome outcome = execute({"-o", c.output, "data/run1.dat"}, "", c.redirect + " ");
        EXPECT_EQ(outcome.status, 0) << c.output;
        EXPECT_EQ(outcome.err, kCountRun1) << c.output;
        EXPECT_EQ(readFile(m_work / "log.txt"), "keep\n" + whole) << c.output;
    }

    // A FIFO stays a FIFO, and its reader gets the output.
    const fs::path fifo = m_work / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const Outcome outcome = execute({"-o", "fifo", "data/run1.dat"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_TRUE(fs::is_fifo(fifo));
    std::string got(whole.size() + 1, '\0');
    const ssize_t n = ::read(reader, got.data(), got.size());
    ::close(reader);
    got.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    EXPECT_EQ(got, whole);
}

TEST_F(KivoConvert, ProgramWithAClosedStandardDescriptorKeepsNoticesOutOfTheOutput)
{
    for (const std::string closed : {"0", "1", "2"}) {
        const Outcome outcome = execute({"-o", "x.itx", "data/run1.dat"}, "exec " + closed + "<&-; ");
        EXPECT_EQ(outcome.status, 0) << closed;
        EXPECT_EQ(readFile(m_work / "x.itx"), itx("run1", kRun1Lines)) << closed;
    }
}

// A stream closed at start is no place to write: the output would be lost without a word.
TEST_F(KivoConvert, ProgramRefusesAStandardStreamClosedAtStart)
{
    const struct {
        std::string output;
        std::string closed;
        std::string err;  // empty: standard error is the stream closed
    } cases[] = {
        {"-", "1", "Outfile not open\nkivo-convert: cannot write to /dev/stdout: standard output is closed\n"},
        {"/proc/thread-self/fd/1", "1",
         "Outfile not open\nkivo-convert: cannot write to /proc/thread-self/fd/1: standard output is closed\n"},
        {"/dev/stderr", "2", ""},
    };
    for (const auto& c : cases) {
        const Outcome outcome = execute({"-o", c.output, "data/run1.dat"}, "exec " + c.closed + ">&-; ");
        EXPECT_EQ(outcome.status, 1) << c.output;
        if (!c.err.empty()) {
            EXPECT_EQ(outcome.err, c.err) << c.output;
        }
    }
}

// Outputs that cannot be made are refused with the reason that tells the user what to mend.
TEST_F(KivoConvert, ProgramNamesWhatRefusesTheOutput)
{
    // Root may write anywhere: the folder is tried as nobody.
    const std::string asUser = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const std::string work = m_work.string();
    const struct {
        std::string output;
        std::string prelude;
        std::string wrapper;
        std::string reason;
    } cases[] = {
        {"loop.itx", "ln -s loop.itx loop.itx; ", "",
         "cannot create " + work + "/loop.itx: Too many levels of symbolic links"},
        {"locked/o.itx", "mkdir locked; chmod 555 locked; chmod 755 " + m_root.string() + "; ", asUser,
         "cannot create " + work + "/locked/o.itx: cannot write in the folder " + work + "/locked: Permission denied"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = execute({"-o", c.output, "data/run1.dat"}, c.prelude, c.wrapper);
        EXPECT_EQ(outcome.status, 1) << c.output;
        EXPECT_EQ(outcome.err, "Outfile not open\nkivo-convert: " + c.reason + "\n") << c.output;
    }
    EXPECT_TRUE(fs::is_symlink(m_work / "loop.itx"));
}

// The access ACL as its extended attribute: the bytes the kernel keeps, empty when none.
std::string accessAcl(const fs::path& file)
{
    std::string value(1024, '\0');
    const ssize_t size = ::getxattr(file.c_str(), "system.posix_acl_access", value.data(), value.size());
    value.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    return value;
}

TEST_F(KivoConvert, ProgramKeepsWhatTheUserGaveTheReplacedFile)
{
    writeFile(m_work / "a.itx", "old\n");
    const std::string origin = "magnetometer";
    if (std::system(("cd " + quoted(m_work.string()) + " && chmod 640 a.itx && setfacl -m u:nobody:rw a.itx 2>/dev/null")
                        .c_str())
            != 0
        || ::setxattr((m_work / "a.itx").c_str(), "user.origin", origin.data(), origin.size(), 0) != 0)
        GTEST_SKIP() << "no setfacl, or no ACLs and extended attributes here";
    const std::string acl = accessAcl(m_work / "a.itx");
    ASSERT_FALSE(acl.empty());
    const Outcome outcome = execute({"-o", "a.itx", "data/run1.dat"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(readFile(m_work / "a.itx"), itx("run1", kRun1Lines));
    EXPECT_EQ(accessAcl(m_work / "a.itx"), acl);
    EXPECT_EQ(fs::status(m_work / "a.itx").permissions() & fs::perms::mask, fs::perms(0660));
    std::string kept(32, '\0');
    kept.resize(static_cast<std::size_t>(
        std::max<ssize_t>(0, ::getxattr((m_work / "a.itx").c_str(), "user.origin", kept.data(), kept.size()))));
    EXPECT_EQ(kept, origin);
}

// A new output is made as the shell makes a file: the umask, or the folder's default ACL.
TEST_F(KivoConvert, ProgramGivesANewOutputThePermissionsOfAFileTheShellMakes)
{
    const struct {
        std::string folder;
        std::string prelude;
    } cases[] = {
        {"plain", "mkdir plain; umask 027; "},
        {"shared", "mkdir shared && setfacl -d -m u:nobody:rwx,g::r-x,o::- shared 2>/dev/null; umask 022; "},
    };
    for (const auto& c : cases) {
        const Outcome outcome =
            execute({"-o", c.folder + "/new.itx", "data/run1.dat"}, c.prelude + ": > " + c.folder + "/shell.itx; ");
        EXPECT_EQ(outcome.status, 0) << c.folder;
        const fs::path made = m_work / c.folder / "new.itx";
        const fs::path shell = m_work / c.folder / "shell.itx";
        EXPECT_EQ(fs::status(made).permissions(), fs::status(shell).permissions()) << c.folder;
        EXPECT_EQ(accessAcl(made), accessAcl(shell)) << c.folder;
    }
    EXPECT_EQ(fs::status(m_work / "plain" / "new.itx").permissions() & fs::perms::mask, fs::perms(0640));
}

// Without /proc (a chroot, a container) an anonymous staging file could not be given its
// name at the end: the named one is taken from the start.
TEST_F(KivoConvert, ProgramWritesItsOutputWithoutProc)
{
#ifdef KIVO_SANITIZED
    GTEST_SKIP() << "the sanitizers' runtime itself needs /proc";
#endif
    if (std::system("unshare -m sh -c 'mount -t tmpfs none /proc' 2>/dev/null") != 0)
        GTEST_SKIP() << "cannot hide /proc here";
    const Outcome outcome =
        execute({"-o", "o.itx", "data/run1.dat"}, "", "unshare -m sh -c 'mount -t tmpfs none /proc && exec \"$0\" \"$@\"' ");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(readFile(m_work / "o.itx"), itx("run1", kRun1Lines));
    EXPECT_EQ(listing(m_work), (std::set<std::string>{"data", "o.itx"}));
}

TEST_F(KivoConvert, ProgramRefusesAFifoInputWithoutWaitingForAWriter)
{
    const Outcome outcome = execute({"-o", "o.itx", "data/run1.dat", "f.dat"}, "mkfifo f.dat; ", "timeout 10 ");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, kConcatenated + kCountRun1 + "File[ f.dat ] not open\nkivo-convert: cannot open "
                               + (m_work / "f.dat").string() + ": not a regular file\n");
    EXPECT_EQ(listing(m_work), (std::set<std::string>{"data", "f.dat"}));
}

TEST_F(KivoConvert, ProgramFailsWhenItCannotWriteItsHelpOrVersion)
{
    for (const std::string option : {"--help", "--version"}) {
        const Outcome outcome = execute({option}, "exec >/dev/full; ");
        EXPECT_EQ(outcome.status, 1) << option;
        EXPECT_EQ(outcome.err, "kivo-convert: cannot write to standard output: No space left on device\n") << option;
    }
}

// A write that fails part way (the file size limit with SIGXFSZ ignored, so write() fails
// with EFBIG as on a full disk) leaves no partial output and the earlier output untouched.
TEST_F(KivoConvert, ProgramLeavesNothingBehindWhenTheDiskFills)
{
    std::vector<std::string> rows;
    for (int i = 0; i < 5000; ++i)
        rows.push_back(std::to_string(i) + ".25,,1000,300.125,1.234567E-5,2.5E-8,1,2,3,4,5,6,7,8,9,");
    writeFile(m_work / "data" / "big.dat", squidFile(rows));
    writeFile(m_work / "data" / "big.itx", "earlier output\r\n");

    const Outcome outcome = execute({"data/big.dat"}, "ulimit -f 1; trap '' XFSZ; ");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err,
              (m_work / "data" / "big.itx").string()
                  + " へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。\nkivo-convert: write failed: File too large\n");
    EXPECT_EQ(readFile(m_work / "data" / "big.itx"), "earlier output\r\n");
    EXPECT_EQ(listing(m_work / "data"), (std::set<std::string>{"big.dat", "big.itx", "run1.dat", "run2.dat"}));
}

#endif

} // namespace
