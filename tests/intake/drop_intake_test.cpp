#include "intake/intake.h"

#include "posix_twin.h"
#include "recording_window.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using kivo::core::CodePage;
using kivo::core::NoticeKind;
using kivo::core::QueueEntry;
using Kinds = std::vector<NoticeKind>;

constexpr NoticeKind kDirectory = NoticeKind::DirectoryDropped;
constexpr NoticeKind kConcatenated = NoticeKind::FilesConcatenated;
constexpr NoticeKind kFirstLetter = NoticeKind::PrefixFirstLetter;

// Every sequence runs twice: with Windows paths as written, and with their POSIX twins
// (C:\data\run1.dat becomes /data/run1.dat).
class DropIntake : public testing::TestWithParam<char> {
protected:
    char separator() const { return GetParam(); }

    std::string p(std::string text) const { return separator() == '\\' ? text : kivo::testing::posixTwin(text); }

    QueueEntry entry(const std::string& displayName, const std::string& fullPath) const
    {
        return {p(displayName), p(fullPath)};
    }

    void drop(std::vector<std::string> paths) { dropOnto(window, std::move(paths)); }

    void dropOnto(kivo::testing::RecordingHost& target, std::vector<std::string> paths) const
    {
        for (std::string& path : paths)
            path = p(path);
        kivo::intake::AddDroppedFiles(target, paths, separator(), CodePage::Utf8);
    }

    kivo::testing::RecordingHost window;
};

INSTANTIATE_TEST_SUITE_P(Separators, DropIntake, testing::Values('\\', '/'),
                         [](const testing::TestParamInfo<char>& param) {
                             return param.param == '\\' ? std::string("Backslash") : std::string("Slash");
                         });

struct DropCase {
    const char* behaviour;
    std::string typedPrefix;  // in the fields before the first drop
    std::string typedOutput;
    std::vector<std::vector<std::string>> drops;
    std::vector<QueueEntry> queue;
    std::string prefix;
    std::string output;
    Kinds notices;
};

const DropCase kDropCases[] = {
    {"one file onto an empty window sets both defaults", "", "", {{"C:\\data\\run1.dat"}},
     {{"run1.dat", "C:\\data\\run1.dat"}}, "run1", "C:\\data\\run1.itx", {}},
    {"a second drop keeps the first defaults", "", "", {{"C:\\data\\run1.dat"}, {"C:\\other\\run2.dat"}},
     {{"run1.dat", "C:\\data\\run1.dat"}, {"run2.dat", "C:\\other\\run2.dat"}}, "run1", "C:\\data\\run1.itx",
     {kConcatenated}},
    {"three files at once give one concatenation notice", "", "", {{"C:\\d\\a.dat", "C:\\d\\b.dat", "C:\\d\\a.dat"}},
     {{"a.dat", "C:\\d\\a.dat"}, {"b.dat", "C:\\d\\b.dat"}, {"a.dat", "C:\\d\\a.dat"}}, "a", "C:\\d\\a.itx",
     {kConcatenated}},
    {"concatenation is told once, when the queue grows past one entry", "", "",
     {{"C:\\d\\a.dat"}, {"C:\\d"}, {"C:\\d\\b.dat"}, {"C:\\d\\c.dat", "C:\\d\\e.dat"}, {"C:\\d\\f.dat"}},
     {{"a.dat", "C:\\d\\a.dat"}, {"b.dat", "C:\\d\\b.dat"}, {"c.dat", "C:\\d\\c.dat"}, {"e.dat", "C:\\d\\e.dat"},
      {"f.dat", "C:\\d\\f.dat"}},
     "a", "C:\\d\\a.itx", {kDirectory, kConcatenated}},
    {"a folder is refused", "", "", {{"C:\\data"}}, {}, "", "", {kDirectory}},
    {"a name ending in a dot is refused", "", "", {{"C:\\data\\data."}}, {}, "", "", {kDirectory}},
    {"refused paths do not stop the rest of the drop", "", "",
     {{"C:\\data", "C:\\data\\1st-run.dat", "C:\\x\\", "C:\\data\\run2.dat"}},
     {{"1st-run.dat", "C:\\data\\1st-run.dat"}, {"run2.dat", "C:\\data\\run2.dat"}}, "wst_run",
     "C:\\data\\1st-run.itx", {kDirectory, kFirstLetter, kDirectory, kConcatenated}},
    {"a dotted folder is queued like a file", "", "", {{"C:\\run.1\\data"}}, {{"run.1\\data", "C:\\run.1\\data"}},
     "run", "C:\\run.itx", {}},
    {"a name starting with the dot gives the prefix w", "", "", {{"C:\\data\\.dat"}}, {{".dat", "C:\\data\\.dat"}},
     "w", "C:\\data\\.itx", {kFirstLetter}},
    {"the default prefix is sanitized", "", "", {{"C:\\data\\1st-run.dat"}}, {{"1st-run.dat", "C:\\data\\1st-run.dat"}},
     "wst_run", "C:\\data\\1st-run.itx", {kFirstLetter}},
    {"a blank becomes an underscore without a notice", "", "", {{"C:\\data\\my run.dat"}},
     {{"my run.dat", "C:\\data\\my run.dat"}}, "my_run", "C:\\data\\my run.itx", {}},
    {"each byte of a Japanese name is replaced", "", "", {{"C:\\data\\測定.dat"}},
     {{"測定.dat", "C:\\data\\測定.dat"}}, "w_____", "C:\\data\\測定.itx", {kFirstLetter}},
    // Typed into the fields but not yet exchanged: the drop reads the fields first.
    {"typed values stay and the prefix is sanitized", "x-y", "C:\\out\\all.itx",
     {{"C:\\data\\run1.dat", "C:\\data\\run2.dat"}},
     {{"run1.dat", "C:\\data\\run1.dat"}, {"run2.dat", "C:\\data\\run2.dat"}}, "x_y", "C:\\out\\all.itx",
     {kConcatenated}},
    {"a typed bad first letter is told of once", "9z", "", {{"C:\\data\\run1.dat", "C:\\data\\run2.dat"}},
     {{"run1.dat", "C:\\data\\run1.dat"}, {"run2.dat", "C:\\data\\run2.dat"}}, "wz", "C:\\data\\run1.itx",
     {kFirstLetter, kConcatenated}},
    {"dropping nothing changes nothing", "1a", "", {{}}, {}, "1a", "", {}},
};

TEST_P(DropIntake, Sequences)
{
    for (const DropCase& c : kDropCases) {
        kivo::testing::RecordingHost fresh;
        fresh.prefixField = c.typedPrefix;
        fresh.outputField = p(c.typedOutput);
        for (const std::vector<std::string>& paths : c.drops)
            dropOnto(fresh, paths);
        std::vector<QueueEntry> queue;
        for (const QueueEntry& e : c.queue)
            queue.push_back(entry(e.displayName, e.fullPath));
        EXPECT_EQ(fresh.entries(), queue) << c.behaviour;
        EXPECT_EQ(fresh.prefixField, c.prefix) << c.behaviour;
        EXPECT_EQ(fresh.outputField, p(c.output)) << c.behaviour;
        EXPECT_EQ(fresh.noticeKinds(), c.notices) << c.behaviour;
    }
}

TEST_P(DropIntake, EmptiedQueueCountsFromZeroAgain)
{
    drop({"C:\\d\\a.dat", "C:\\d\\b.dat"});
    while (window.queueCount() > 0)
        window.queueRemoveFront();
    window.shown.clear();
    drop({"C:\\d\\c.dat"});
    EXPECT_TRUE(window.shown.empty());
    drop({"C:\\d\\e.dat"});
    EXPECT_EQ(window.noticeKinds(), Kinds{kConcatenated});
}

TEST_P(DropIntake, EmptiedPrefixFieldTakesTheNextDropsName)
{
    drop({"C:\\data\\run1.dat"});
    window.prefixField.clear();
    drop({"C:\\data\\run2.dat"});
    EXPECT_EQ(window.prefixField, "run2");
    EXPECT_EQ(window.outputField, p("C:\\data\\run1.itx"));
}

TEST(DropIntakeCp932, JapaneseNamesWithABackslashSecondByteSplitCorrectly)
{
    kivo::testing::RecordingHost window;
    // C:\ソ\表.dat: both characters end in 0x5C.
    const std::string path = "C:\\\x83\x5C\\\x95\x5C.dat";
    kivo::intake::AddDroppedFiles(window, {path}, '\\', CodePage::Cp932);
    EXPECT_EQ(window.entries(), (std::vector<QueueEntry>{{"\x95\x5C.dat", path}}));
    EXPECT_EQ(window.outputField, "C:\\\x83\x5C\\\x95\x5C.itx");
    EXPECT_EQ(window.prefixField, "w_");
    EXPECT_EQ(window.noticeKinds(), Kinds{kFirstLetter});
}

TEST(DropIntakeLongPath, IsQueuedWhole)
{
    kivo::testing::RecordingHost window;
    const std::string folder = "/" + std::string(250, 'f');
    const std::string name(300, 'n');
    kivo::intake::AddDroppedFiles(window, {folder + "/" + name + ".dat"}, '/', CodePage::Utf8);
    EXPECT_EQ(window.entries(), (std::vector<QueueEntry>{{name + ".dat", folder + "/" + name + ".dat"}}));
    EXPECT_EQ(window.outputField, folder + "/" + name + ".itx");
    // Igor refuses longer wave names.
    EXPECT_EQ(window.prefixField, name.substr(0, 242));
}

} // namespace
