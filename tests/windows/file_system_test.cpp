// The Windows files of the core on real files: share modes, the staged output and file
// identity, under the Japanese ANSI code page that the Wine runner sets.
#include "windows_test_files.h"

#include "core/files/file_system.h"
#include "core/files/io_error.h"
#include "core/files/text.h"
#include "core/run/notice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kivo::testing {
namespace {

using core::platformFileSystem;
using core::ReasonKind;
using core::ReasonStep;

// The last refusal's reason, as kivo-convert words it, for a failed test to show.
std::string lastRefusal()
{
    return core::reasonText(platformFileSystem().failureReason(), core::Language::English);
}

std::string readAll(core::ByteSource& source)
{
    std::string bytes;
    char buffer[7];  // small, so that the file takes several reads
    for (std::size_t n; (n = source.read(buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, n);
    return bytes;
}

std::wstring widen(const std::string& ansi)
{
    std::wstring wide(ansi.size(), L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(),
                                      static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(n));
    return wide;
}

TEST(WindowsCodePage, JapaneseAnsiCodePageGivesCp932Rules)
{
    // Every CP932 test below depends on the runner having set the code page; say so plainly
    // when it has not, instead of failing them one by one for no clear reason.
    ASSERT_EQ(GetACP(), 932u) << "run under Wine with LANG=ja_JP.UTF-8 (a generated ja_JP.UTF-8 locale)";
    EXPECT_EQ(core::systemCodePage(), core::CodePage::Cp932);
}

TEST(WindowsFiles, ReadsTheBytesAsStoredWithoutTranslation)
{
    TempFolder folder;
    const std::string bytes = std::string("a\r\nb\rc\n\x1A" "d\0e", 12);
    writeFile(folder / "raw.dat", bytes);
    auto source = platformFileSystem().openRead(folder / "raw.dat");
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(readAll(*source), bytes);
    source->close();
}

TEST(WindowsFiles, OpensACp932NameWhoseSecondByteIsBackslash)
{
    TempFolder folder;
    makeFolder(folder / kSo);
    const std::string path = folder / kSo + "\\" + kHyou + ".dat";
    writeFile(path, "[Header]\r\n");
    // The file must really carry the Japanese name, not a name mangled on the way.
    EXPECT_NE(GetFileAttributesW((widen(folder.path()) + L"\\\x30BD\\\x8868.dat").c_str()), INVALID_FILE_ATTRIBUTES);

    auto source = platformFileSystem().openRead(path);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(readAll(*source), "[Header]\r\n");
}

TEST(WindowsFiles, AFileHeldOpenByAnotherProgramDoesNotOpen)
{
    TempFolder folder;
    writeFile(folder / "held.dat", "[Header]\r\n");
    {
        // Even a holder that lets others read and write keeps Kivo out, since Kivo opens
        // without sharing and so cannot coexist with any open handle.
        HeldFile other(folder / "held.dat", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_TRUE(other.held());
        EXPECT_EQ(platformFileSystem().openRead(folder / "held.dat"), nullptr);
    }
    EXPECT_NE(platformFileSystem().openRead(folder / "held.dat"), nullptr);
}

TEST(WindowsFiles, AnOpenInputIsNotSharedWithOtherPrograms)
{
    TempFolder folder;
    writeFile(folder / "in.dat", "x");
    auto source = platformFileSystem().openRead(folder / "in.dat");
    ASSERT_NE(source, nullptr);

    HeldFile reader(folder / "in.dat", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    EXPECT_FALSE(reader.held());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(platformFileSystem().openRead(folder / "in.dat"), nullptr);

    source->close();
    HeldFile afterClose(folder / "in.dat", GENERIC_READ, FILE_SHARE_READ);
    EXPECT_TRUE(afterClose.held());
}

TEST(WindowsFiles, MissingFilesFoldersAndDevicesDoNotOpen)
{
    TempFolder folder;
    makeFolder(folder / "sub.dat");
    EXPECT_EQ(platformFileSystem().openRead(folder / "missing.dat"), nullptr);
    EXPECT_EQ(platformFileSystem().openRead(folder / "sub.dat"), nullptr);
    EXPECT_EQ(platformFileSystem().openRead(""), nullptr);
    EXPECT_EQ(platformFileSystem().openRead("NUL"), nullptr);
}

TEST(WindowsStagedOutput, TargetIsReplacedOnlyOnCommit)
{
    TempFolder folder;
    const std::string target = folder / (kHyou + ".itx");
    writeFile(target, "earlier output");

    auto output = platformFileSystem().createStaged(target);
    ASSERT_NE(output, nullptr);
    output->write("new\r\n", 5);
    output->write("data\r\n", 6);
    // The earlier output is held unshared meanwhile, so only its size can be looked at.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(target.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 14u);
    // The staging file lies beside the target, in the same folder.
    EXPECT_EQ(listFolder(folder.path()).size(), 2u);

    output->commit();
    EXPECT_EQ(readFile(target).value_or("?"), "new\r\ndata\r\n");
    output.reset();
    EXPECT_EQ(listFolder(folder.path()), std::vector<std::string>{kHyou + ".itx"});
}

// The staging name is longer than the output's: the paths just under MAX_PATH must work,
// new and replaced alike.
TEST(WindowsStagedOutput, AnyPathWindowsTakesCanBeTheOutput)
{
    TempFolder folder;
    for (const std::size_t length : {std::size_t{243}, std::size_t{259}}) {
        // A long folder and a short name: the staging name cannot be the short one alone.
        const std::string sub = folder / std::string(length - folder.path().size() - 7, 'd');
        makeFolder(sub);
        const std::string target = sub + "\\o.itx";
        ASSERT_EQ(target.size(), length);
        for (const std::string content : {"first", "second"}) {
            auto output = platformFileSystem().createStaged(target);
            ASSERT_NE(output, nullptr) << length << ": " << lastRefusal();
            output->write(content.data(), content.size());
            output->commit();
            output.reset();
            EXPECT_EQ(readFile(target).value_or("?"), content) << length;
            EXPECT_EQ(listFolder(sub), std::vector<std::string>{"o.itx"}) << length;
        }
    }
}

TEST(WindowsStagedOutput, AReplacedOutputKeepsItsAttributes)
{
    TempFolder folder;
    const std::string target = folder / "out.itx";
    writeFile(target, "earlier output");
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_HIDDEN));
    auto output = platformFileSystem().createStaged(target);
    ASSERT_NE(output, nullptr);
    output->write("new", 3);
    output->commit();
    EXPECT_EQ(readFile(target).value_or("?"), "new");
    const DWORD attributes = GetFileAttributesA(target.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST(WindowsStagedOutput, DiscardedOutputLeavesTheEarlierFileAndNoStagingFile)
{
    TempFolder folder;
    const std::string target = folder / "out.itx";
    writeFile(target, "earlier output");
    {
        auto output = platformFileSystem().createStaged(target);
        ASSERT_NE(output, nullptr);
        output->write("half a file", 11);
    }
    EXPECT_EQ(readFile(target).value_or("?"), "earlier output");
    EXPECT_EQ(listFolder(folder.path()), std::vector<std::string>{"out.itx"});
}

TEST(WindowsStagedOutput, NewTargetAppearsOnlyOnCommit)
{
    TempFolder folder;
    const std::string target = folder / "new.itx";
    auto output = platformFileSystem().createStaged(target);
    ASSERT_NE(output, nullptr);
    output->write("x", 1);
    EXPECT_EQ(readFile(target), std::nullopt);
    output->commit();
    EXPECT_EQ(readFile(target).value_or("?"), "x");
}

TEST(WindowsStagedOutput, EarlierOutputIsHeldUnsharedWhileTheRunGoesOn)
{
    TempFolder folder;
    const std::string target = folder / "out.itx";
    writeFile(target, "earlier output");
    auto output = platformFileSystem().createStaged(target);
    ASSERT_NE(output, nullptr);
    HeldFile other(target, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    EXPECT_FALSE(other.held());
    other.release();
    output->commit();
    EXPECT_EQ(readFile(target).value_or("?"), "");
}

TEST(WindowsStagedOutput, RefusedWhereTheOutputCannotBeWritten)
{
    TempFolder folder;
    makeFolder(folder / "folder.itx");
    writeFile(folder / "held.itx", "held");
    writeFile(folder / "readonly.itx", "read-only");
    ASSERT_TRUE(SetFileAttributesA((folder / "readonly.itx").c_str(), FILE_ATTRIBUTE_READONLY));
    HeldFile holder(folder / "held.itx");
    ASSERT_TRUE(holder.held());

    // Each with its reason: the program's own steps, then the system's sentence where the
    // system refused.
    const struct {
        std::string path;
        std::vector<ReasonStep> steps;
        bool systemSays;
    } cases[] = {
        {"", {{ReasonKind::OutputPathEmpty}}, false},
        {folder / "folder.itx", {{ReasonKind::CannotCreate, folder / "folder.itx"}, {ReasonKind::IsAFolder}}, false},
        {folder / "missing\\out.itx", {{ReasonKind::CannotCreate, folder / "missing\\out.itx"}}, true},
        {folder / "held.itx", {{ReasonKind::CannotCreate, folder / "held.itx"}}, true},
        {folder / "readonly.itx", {{ReasonKind::CannotCreate, folder / "readonly.itx"}, {ReasonKind::ReadOnly}}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platformFileSystem().createStaged(c.path), nullptr) << c.path;
        const core::Reason reason = platformFileSystem().failureReason();
        EXPECT_EQ(reason.steps, c.steps) << c.path;
        EXPECT_EQ(!reason.systemText.empty(), c.systemSays) << c.path;
    }
    // Nothing was left behind by the refused attempts.
    EXPECT_EQ(listFolder(folder.path()), (std::vector<std::string>{"folder.itx", "held.itx", "readonly.itx"}));
    EXPECT_EQ(readFile(folder / "readonly.itx").value_or("?"), "read-only");
}

// A device cannot be replaced by a file: it is written as it is.
TEST(WindowsStagedOutput, DevicesAreWrittenInPlace)
{
    auto output = platformFileSystem().createStaged("NUL");
    ASSERT_NE(output, nullptr) << lastRefusal();
    output->write("data\r\n", 6);
    output->commit();
}

TEST(WindowsFileIdentity, TwoSpellingsOfOneFileAreTheSameFile)
{
    TempFolder folder;
    makeFolder(folder / kSo);
    const std::string path = folder / kSo + "\\a.dat";
    writeFile(path, "x");
    writeFile(folder / "b.dat", "x");

    EXPECT_TRUE(platformFileSystem().sameFile(path, folder / kSo + "\\.\\a.dat"));
    EXPECT_TRUE(platformFileSystem().sameFile(path, folder / kSo + "\\..\\" + kSo + "\\a.dat"));
    EXPECT_TRUE(platformFileSystem().sameFile(path, folder.path() + "/" + kSo + "/A.DAT"));
    EXPECT_FALSE(platformFileSystem().sameFile(path, folder / "b.dat"));
    EXPECT_FALSE(platformFileSystem().sameFile(path, folder / "missing.dat"));
    EXPECT_FALSE(platformFileSystem().sameFile("", ""));
}

TEST(WindowsFileIdentity, AFileHeldUnsharedCanStillBeRecognised)
{
    TempFolder folder;
    writeFile(folder / "in.dat", "x");
    HeldFile holder(folder / "in.dat");
    ASSERT_TRUE(holder.held());
    EXPECT_TRUE(platformFileSystem().sameFile(folder / "in.dat", folder / ".\\in.dat"));
}

// The path arrives in the ANSI code page; the message is shown as UTF-8, like every other.
TEST(WindowsIoError, TheMessageIsUtf8WhateverTheCodePageOfThePath)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "needs the Japanese ANSI code page";
    const core::IoError error(core::IoOperation::Write, "C:\\" + kHyou + ".itx", ERROR_DISK_FULL);
    EXPECT_STREQ(error.what(), "C:\\表.itx へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。");
    EXPECT_EQ(error.path(), "C:\\" + kHyou + ".itx");
}

} // namespace
} // namespace kivo::testing
