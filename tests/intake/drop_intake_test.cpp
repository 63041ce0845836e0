#include "intake/intake.h"

#include "fake_window.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using kivo::core::CodePage;
using kivo::core::Notice;
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

    std::string p(std::string text) const
    {
        if (separator() == '\\')
            return text;
        if (text.rfind("C:", 0) == 0)
            text.erase(0, 2);
        for (char& c : text) {
            if (c == '\\')
                c = '/';
        }
        return text;
    }

    QueueEntry entry(const std::string& displayName, const std::string& fullPath) const
    {
        return {p(displayName), p(fullPath)};
    }

    void drop(std::vector<std::string> paths) { dropOnto(window, std::move(paths)); }

    void dropOnto(kivo::test::FakeWindow& target, std::vector<std::string> paths) const
    {
        for (std::string& path : paths)
            path = p(path);
        kivo::intake::AddDroppedFiles(target, paths, separator(), CodePage::Utf8);
    }

    kivo::test::FakeWindow window;
};

INSTANTIATE_TEST_SUITE_P(Separators, DropIntake, testing::Values('\\', '/'),
                         [](const testing::TestParamInfo<char>& param) {
                             return param.param == '\\' ? std::string("Backslash") : std::string("Slash");
                         });

TEST_P(DropIntake, OneFileOntoAnEmptyWindowSetsBothDefaults)
{
    drop({"C:\\data\\run1.dat"});
    EXPECT_EQ(window.entries(), (std::vector{entry("run1.dat", "C:\\data\\run1.dat")}));
    EXPECT_EQ(window.outputField, p("C:\\data\\run1.itx"));
    EXPECT_EQ(window.prefixField, "run1");
    EXPECT_TRUE(window.shown.empty());
}

TEST_P(DropIntake, SecondDropKeepsTheFirstDefaultsAndTellsOfConcatenation)
{
    drop({"C:\\data\\run1.dat"});
    drop({"C:\\other\\run2.dat"});
    EXPECT_EQ(window.entries(),
              (std::vector{entry("run1.dat", "C:\\data\\run1.dat"), entry("run2.dat", "C:\\other\\run2.dat")}));
    EXPECT_EQ(window.outputField, p("C:\\data\\run1.itx"));
    EXPECT_EQ(window.prefixField, "run1");
    EXPECT_EQ(window.noticeKinds(), Kinds{kConcatenated});
}

TEST_P(DropIntake, ThreeFilesAtOnceGiveOneConcatenationNoticeAfterTheQueueing)
{
    drop({"C:\\d\\a.dat", "C:\\d\\b.dat", "C:\\d\\a.dat"});
    EXPECT_EQ(window.entries(), (std::vector{entry("a.dat", "C:\\d\\a.dat"), entry("b.dat", "C:\\d\\b.dat"),
                                             entry("a.dat", "C:\\d\\a.dat")}));
    ASSERT_EQ(window.noticeKinds(), Kinds{kConcatenated});
    EXPECT_EQ(window.shown[0].prefixField, "a");
    EXPECT_EQ(window.shown[0].outputField, p("C:\\d\\a.itx"));
}

TEST_P(DropIntake, ConcatenationIsToldOncePerGrowthPastOneEntry)
{
    struct Step {
        std::vector<std::string> paths;
        Kinds notices;
    };
    const Step steps[] = {
        {{"C:\\d\\a.dat"}, {}},
        {{"C:\\d"}, {kDirectory}},                      // still one entry
        {{"C:\\d\\b.dat"}, {kConcatenated}},            // one before the drop, two after
        {{"C:\\d\\c.dat", "C:\\d\\e.dat"}, {}},          // already two before the drop
        {{"C:\\d\\f.dat"}, {}},
    };
    for (const Step& step : steps) {
        window.shown.clear();
        drop(step.paths);
        EXPECT_EQ(window.noticeKinds(), step.notices) << step.paths.front();
    }
    EXPECT_EQ(window.queue.count(), 5u);
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

TEST_P(DropIntake, FolderOrNameEndingInADotIsRefused)
{
    for (const char* path : {"C:\\data", "C:\\data\\data."}) {
        kivo::test::FakeWindow fresh;
        dropOnto(fresh, {path});
        EXPECT_EQ(fresh.queue.count(), 0u) << path;
        EXPECT_EQ(fresh.prefixField, "") << path;
        EXPECT_EQ(fresh.outputField, "") << path;
        ASSERT_EQ(fresh.shown.size(), 1u) << path;
        EXPECT_EQ(fresh.shown[0].notice, (Notice{kDirectory, {}}));
    }
}

TEST_P(DropIntake, RefusedPathsDoNotStopTheRestOfTheDrop)
{
    drop({"C:\\data", "C:\\data\\1st-run.dat", "C:\\x\\", "C:\\data\\run2.dat"});
    EXPECT_EQ(window.entries(), (std::vector{entry("1st-run.dat", "C:\\data\\1st-run.dat"),
                                             entry("run2.dat", "C:\\data\\run2.dat")}));
    EXPECT_EQ(window.noticeKinds(), (Kinds{kDirectory, kFirstLetter, kDirectory, kConcatenated}));
    EXPECT_EQ(window.prefixField, "wst_run");
    EXPECT_EQ(window.outputField, p("C:\\data\\1st-run.itx"));
}

TEST_P(DropIntake, DottedFolderIsQueuedLikeAFile)
{
    drop({"C:\\run.1\\data"});
    EXPECT_EQ(window.entries(), (std::vector{entry("run.1\\data", "C:\\run.1\\data")}));
    EXPECT_EQ(window.outputField, p("C:\\run.itx"));
    EXPECT_EQ(window.prefixField, "run");
    EXPECT_TRUE(window.shown.empty());
}

TEST_P(DropIntake, NameStartingWithTheDotGivesPrefixW)
{
    drop({"C:\\data\\.dat"});
    EXPECT_EQ(window.entries(), (std::vector{entry(".dat", "C:\\data\\.dat")}));
    EXPECT_EQ(window.outputField, p("C:\\data\\.itx"));
    EXPECT_EQ(window.prefixField, "w");
    EXPECT_EQ(window.noticeKinds(), Kinds{kFirstLetter});
}

TEST_P(DropIntake, DefaultPrefixIsSanitized)
{
    const struct {
        const char* path;
        const char* prefix;
        Kinds notices;
    } cases[] = {
        {"C:\\data\\1st-run.dat", "wst_run", {kFirstLetter}},
        {"C:\\data\\my run.dat", "my_run", {}},
        {"C:\\data\\run.1.dat", "run_1", {}},
        {"C:\\data\\測定.dat", "w_____", {kFirstLetter}},
    };
    for (const auto& c : cases) {
        kivo::test::FakeWindow fresh;
        dropOnto(fresh, {c.path});
        EXPECT_EQ(fresh.prefixField, c.prefix) << c.path;
        EXPECT_EQ(fresh.wavePrefix, c.prefix) << c.path;
        EXPECT_EQ(fresh.noticeKinds(), c.notices) << c.path;
    }
}

TEST_P(DropIntake, WhatTheUserTypedStaysAndIsSanitizedOnEveryFile)
{
    // Typed into the fields but not yet exchanged: the drop reads the fields first.
    window.prefixField = "x-y";
    window.outputField = p("C:\\out\\all.itx");
    drop({"C:\\data\\run1.dat", "C:\\data\\run2.dat"});
    EXPECT_EQ(window.prefixField, "x_y");
    EXPECT_EQ(window.outputField, p("C:\\out\\all.itx"));
    EXPECT_EQ(window.noticeKinds(), Kinds{kConcatenated});
}

TEST_P(DropIntake, TypedPrefixWithABadFirstLetterIsToldOfOnlyOnce)
{
    window.prefixField = "9z";
    drop({"C:\\data\\run1.dat", "C:\\data\\run2.dat"});
    EXPECT_EQ(window.prefixField, "wz");
    EXPECT_EQ(window.noticeKinds(), (Kinds{kFirstLetter, kConcatenated}));
}

TEST_P(DropIntake, EmptiedPrefixFieldTakesTheNextDropsName)
{
    drop({"C:\\data\\run1.dat"});
    window.prefixField.clear();
    drop({"C:\\data\\run2.dat"});
    EXPECT_EQ(window.prefixField, "run2");
    EXPECT_EQ(window.outputField, p("C:\\data\\run1.itx"));
}

TEST_P(DropIntake, NothingDroppedChangesNothing)
{
    window.prefixField = "1a";
    drop({});
    EXPECT_EQ(window.prefixField, "1a");
    EXPECT_TRUE(window.shown.empty());
}

TEST(DropIntakeCp932, JapaneseNamesWithABackslashSecondByteSplitCorrectly)
{
    kivo::test::FakeWindow window;
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
    kivo::test::FakeWindow window;
    const std::string folder = "/" + std::string(250, 'f');
    const std::string name(300, 'n');
    kivo::intake::AddDroppedFiles(window, {folder + "/" + name + ".dat"}, '/', CodePage::Utf8);
    EXPECT_EQ(window.entries(), (std::vector<QueueEntry>{{name + ".dat", folder + "/" + name + ".dat"}}));
    EXPECT_EQ(window.outputField, folder + "/" + name + ".itx");
    EXPECT_EQ(window.prefixField, name);
}

} // namespace
