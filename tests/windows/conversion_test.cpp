// Drop and conversion on real Windows files under code page 932: CP932 names whose second
// byte is "\\", share modes, CR LF and Ctrl-Z on disk, and an earlier output that is
// replaced only by a complete one.
#include "windows_test_files.h"

#include "core/run/conversion_run.h"
#include "core/files/file_system.h"
#include "core/files/io_error.h"
#include "failing_reads.h"
#include "intake/intake.h"
#include "memory_files.h"
#include "recording_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kivo::testing {
namespace {

using core::Notice;
using core::NoticeKind;
using core::ReasonKind;

core::RunResult convert(RecordingHost& host, core::FileSystem& files = core::platformFileSystem())
{
    return core::OnMakeItx(host, nullptr, files);
}

TEST(WindowsConversion, Cp932NamesWithABackslashSecondByteSplitAndConvert)
{
    TempFolder folder;
    const std::string dir = folder / kSo;  // a folder named ソ
    makeFolder(dir);
    const std::string first = dir + "\\" + kHyou + ".dat";  // ソ\表.dat
    const std::string second = dir + "\\" + kSo + ".dat";   // ソ\ソ.dat
    writeFile(first, squidFile(3));
    writeFile(second, squidFile(2));

    RecordingHost host;
    intake::AddDroppedFiles(host, {first, second});
    ASSERT_EQ(host.queue.count(), 2u);
    EXPECT_EQ(host.queue.at(0), (core::QueueEntry{kHyou + ".dat", first}));
    EXPECT_EQ(host.queue.at(1), (core::QueueEntry{kSo + ".dat", second}));
    EXPECT_EQ(host.outputField, dir + "\\" + kHyou + ".itx");
    // Each byte of 表 is judged on its own: 0x95 is no letter, 0x5C no word character.
    EXPECT_EQ(host.prefixField, "w_");

    host.notices.clear();
    const core::RunResult result = convert(host);
    EXPECT_TRUE(result.outputWritten);
    EXPECT_TRUE(result.everyInputOpened);
    EXPECT_EQ(host.notices, (std::vector<Notice>{{NoticeKind::PointsExtracted, kHyou + ".dat", 3},
                                                 {NoticeKind::PointsExtracted, kSo + ".dat", 2}}));
    EXPECT_EQ(readFile(dir + "\\" + kHyou + ".itx").value_or("?"), expectedItx("w_", {3, 2}));
    EXPECT_EQ(listFolder(dir), (std::vector<std::string>{kSo + ".dat", kHyou + ".dat", kHyou + ".itx"}));
    EXPECT_TRUE(host.queue.empty());
    EXPECT_EQ(host.outputField, "");
    EXPECT_EQ(host.prefixField, "");
}

TEST(WindowsConversion, InputHeldByAnotherProgramEndsTheRunWithItsNotice)
{
    TempFolder folder;
    writeFile(folder / "a.dat", squidFile(1));
    writeFile(folder / (kHyou + ".dat"), squidFile(5));
    writeFile(folder / "c.dat", squidFile(2));
    writeFile(folder / "out.itx", "earlier");
    HeldFile other(folder / (kHyou + ".dat"), GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(other.held());

    RecordingHost host;
    host.enqueue("a.dat", folder / "a.dat");
    host.enqueue(kHyou + ".dat", folder / (kHyou + ".dat"));
    host.enqueue("c.dat", folder / "c.dat");
    const std::vector<core::QueueEntry> queued = host.entries();
    host.prefixField = "run";
    host.outputField = folder / "out.itx";

    const core::RunResult result = convert(host);
    EXPECT_FALSE(result.outputWritten);
    EXPECT_FALSE(result.everyInputOpened);
    // The path in UTF-8, then the system's reason in its own words.
    ASSERT_EQ(host.notices.size(), 2u);
    EXPECT_EQ(host.notices[1].reason.steps,
              (std::vector<core::ReasonStep>{{ReasonKind::CannotOpen, folder.path() + "\\表.dat"}}));
    EXPECT_NE(host.notices[1].reason.systemText, "");
    host.notices[1].reason = {};
    EXPECT_EQ(host.notices, (std::vector<Notice>{{NoticeKind::PointsExtracted, "a.dat", 1},
                                                 {NoticeKind::FileNotOpen, kHyou + ".dat"}}));
    EXPECT_EQ(noticeText(host.notices[1]), "File[ " + kHyou + ".dat ] not open");
    EXPECT_EQ(readFile(folder / "out.itx").value_or("?"), "earlier");
    EXPECT_EQ(host.entries(), queued);
    EXPECT_EQ(host.outputField, folder / "out.itx");
}

TEST(WindowsConversion, OutputNamingAQueuedInputIsRefusedBeforeAnythingIsWritten)
{
    TempFolder folder;
    makeFolder(folder / kSo);
    const std::string input = folder / kSo + "\\" + kHyou + ".dat";
    writeFile(input, squidFile(2));

    RecordingHost host;
    host.enqueue("x.dat", folder / "x.dat");  // missing, and never reached
    host.enqueue(kHyou + ".dat", input);
    host.prefixField = "run";
    // Another spelling of the input's path: a plain comparison of the texts would miss it.
    host.outputField = folder.path() + "/" + kSo + "/.\\" + kHyou + ".DAT";

    const core::RunResult result = convert(host);
    EXPECT_FALSE(result.outputWritten);
    // The reason is UTF-8, the name in it too.
    EXPECT_EQ(host.notices,
              (std::vector<Notice>{
                  {NoticeKind::OutfileNotOpen, {}, 0, because(ReasonKind::OutputNamesInput, "表.dat")}}));
    EXPECT_EQ(readFile(input).value_or("?"), squidFile(2));
    EXPECT_EQ(listFolder(folder / kSo), std::vector<std::string>{kHyou + ".dat"});
    EXPECT_EQ(host.queue.count(), 2u);
}

TEST(WindowsConversion, CrLfOnDiskAndCtrlZEndTheInput)
{
    TempFolder folder;
    // A lone CR stays in its line, and the value holding it is written NaN, since Igor would
    // end the line there; Ctrl-Z ends the file even mid-line, so neither the rest of its
    // line nor the line after it is read.
    writeFile(folder / "in.dat", "[Header]\r\n[Data]\r\nTime,Comment\r\n"
                                 "1,c,2,3,4,5,6\r\n"
                                 "a\rb,c,1,2,3,4,\n"
                                 "7,c,8,9,10,11,\x1A" "12\r\nnever,c,1,1,1,1,1\r\n");
    RecordingHost host;
    host.enqueue("in.dat", folder / "in.dat");
    host.prefixField = "p";
    host.outputField = folder / "out.itx";

    convert(host);
    EXPECT_EQ(host.notices, (std::vector<Notice>{{NoticeKind::PointsExtracted, "in.dat", 3}}));
    const std::string itx = readFile(folder / "out.itx").value_or("?");
    const std::string body = "BEGIN\r\n\t1\t2\t3\t4\t5\r\n\tNaN\t1\t2\t3\t4\r\n\t7\t8\t9\t10\t11\r\nEND\r\n";
    EXPECT_NE(itx.find(body), std::string::npos) << itx;
    // Every line end on disk is CR LF: no LF stands alone.
    for (std::size_t at = itx.find('\n'); at != std::string::npos; at = itx.find('\n', at + 1))
        ASSERT_EQ(itx[at - 1], '\r') << "at byte " << at;
    EXPECT_EQ(itx.substr(0, 6), "IGOR\r\n");
}

TEST(WindowsConversion, EarlierOutputIsReplacedOnlyByACompleteOne)
{
    TempFolder folder;
    const std::string output = folder / (kHyou + ".itx");
    writeFile(output, "earlier output\r\n");
    writeFile(folder / "good.dat", squidFile(4));
    writeFile(folder / "bad.dat", squidFile(400));

    RecordingHost host;
    host.enqueue("good.dat", folder / "good.dat");
    host.enqueue("bad.dat", folder / "bad.dat");
    host.prefixField = "p";
    host.outputField = output;

    // A read error after the first block of bad.dat.
    FailingReads failing;
    failing.failingPath = folder / "bad.dat";
    failing.goodBytes = 100;
    EXPECT_THROW(convert(host, failing), core::IoError);
    EXPECT_EQ(readFile(output).value_or("?"), "earlier output\r\n");
    EXPECT_EQ(listFolder(folder.path()), (std::vector<std::string>{"bad.dat", "good.dat", kHyou + ".itx"}));
    // The batch is given back, so the same press converts it once the cause is mended.
    ASSERT_EQ(host.queue.count(), 2u);
    EXPECT_EQ(host.outputField, output);

    host.notices.clear();
    convert(host);
    EXPECT_EQ(readFile(output).value_or("?"), expectedItx("p", {4, 400}));
    EXPECT_EQ(listFolder(folder.path()), (std::vector<std::string>{"bad.dat", "good.dat", kHyou + ".itx"}));
}

} // namespace
} // namespace kivo::testing
