// kivo-convert.exe as a Windows user runs it: a separate process given CP932 arguments, its
// standard error redirected to a file, while this test holds files open the way another
// program would.
#include "windows_test_files.h"

#include "core/files/text.h"
#include "notice_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kivo::testing {
namespace {

const std::string kConcatenated = texts::kConcatenated + "\n";

struct Outcome {
    DWORD status;
    std::string out;
    std::string err;
};

// The command-line quoting that the C runtime undoes, skipping the second byte of a CP932
// character: the 0x5C of ソ before a closing quote is no backslash to double.
std::string quoted(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
        return arg;
    std::string result = "\"";
    std::size_t backslashes = 0;
    for (std::size_t i = 0; i < arg.size(); ++i) {
        const char c = arg[i];
        if (core::isLeadByte(static_cast<unsigned char>(c), core::CodePage::Cp932) && i + 1 < arg.size()) {
            result.append(backslashes, '\\');
            backslashes = 0;
            result += c;
            result += arg[++i];
            continue;
        }
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        result.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        result += c;
        backslashes = 0;
    }
    result.append(backslashes * 2, '\\');
    return result + "\"";
}

// What a Japanese Windows program writes to a file or pipe for `utf8`: bytes in the ANSI code
// page, lines ending in CR LF.
std::string redirected(const std::string& utf8)
{
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                             wide.data(), static_cast<int>(wide.size()))));
    std::wstring lines;
    for (wchar_t c : wide) {
        if (c == L'\n')
            lines += L'\r';
        lines += c;
    }
    std::string bytes(lines.size() * 2, '\0');
    bytes.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, lines.data(), static_cast<int>(lines.size()),
                                                              bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                                              nullptr)));
    return bytes;
}

// kivo-convert.exe is copied beside this test by the build, and ended_run.exe built there.
std::string programPath(const std::string& program)
{
    char self[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self, length);
    const std::size_t slash = core::findLastChar(path, '\\', core::systemCodePage());
    return path.substr(0, slash + 1) + program;
}

HANDLE inheritableFile(const std::string& path)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// Runs kivo-convert.exe in `folder` with `args` (CP932) and then `wideArgs` (UTF-16, as
// Explorer passes names the code page cannot spell); standard output and error land in
// files outside it.
Outcome runProgram(const std::string& folder, const std::vector<std::string>& args, const std::wstring& wideArgs = {},
                   const std::string& program = "kivo-convert.exe")
{
    static TempFolder streams;
    const std::string outPath = streams / "stdout";
    const std::string errPath = streams / "stderr";
    std::string commandLine = quoted(programPath(program));
    for (const std::string& arg : args)
        commandLine += " " + quoted(arg);

    const HANDLE out = inheritableFile(outPath);
    const HANDLE err = inheritableFile(errPath);
    std::wstring wideLine(commandLine.size(), L'\0');
    wideLine.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, commandLine.data(),
                                                                 static_cast<int>(commandLine.size()), wideLine.data(),
                                                                 static_cast<int>(wideLine.size()))));
    if (!wideArgs.empty())
        wideLine += L" " + wideArgs;
    std::wstring wideFolder(folder.size(), L'\0');
    wideFolder.resize(
        static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, folder.data(), static_cast<int>(folder.size()),
                                                     wideFolder.data(), static_cast<int>(wideFolder.size()))));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, wideLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        wideFolder.c_str(), &startup, &process);
    CloseHandle(out);
    CloseHandle(err);
    if (!started) {
        ADD_FAILURE() << "cannot start " << commandLine << ": error " << GetLastError();
        return {~DWORD{0}, {}, {}};
    }
    DWORD status = ~DWORD{0};
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 10000);
        ADD_FAILURE() << "kivo-convert did not end within a minute";
    } else {
        GetExitCodeProcess(process.hProcess, &status);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {status, readFile(outPath).value_or("(none)"), readFile(errPath).value_or("(none)")};
}

TEST(KivoConvertOnWindows, ConvertsCp932NamesGivenAsArguments)
{
    TempFolder folder;
    makeFolder(folder / kSo);
    writeFile(folder / kSo + "\\" + kHyou + ".dat", squidFile(3));
    writeFile(folder / kSo + "\\my " + kSo + ".dat", squidFile(2));

    // Relative names, as typed in the folder: the program makes them whole paths itself.
    // The output's name ends in ソ and holds a blank, so its quoted argument ends in 0x5C
    // followed by the closing quote, which must not read as an escaped quote.
    const Outcome outcome = runProgram(folder.path(), {"-p", "run", "-o", "my " + kSo, kSo + "\\" + kHyou + ".dat",
                                                       kSo + "\\my " + kSo + ".dat"});
    EXPECT_EQ(outcome.status, 0u) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(readFile(folder / ("my " + kSo)).value_or("(missing)"), expectedItx("run", {3, 2}));
    // Redirected, the notices are in code page 932 throughout, the names' bytes as given.
    EXPECT_EQ(outcome.err,
              redirected(kConcatenated + texts::points("表.dat", 3) + "\n" + texts::points("my ソ.dat", 2) + "\n"));
    EXPECT_NE(outcome.err.find(kHyou + ".dat \x82\xA9\x82\xE7 3 "), std::string::npos);
}

TEST(KivoConvertOnWindows, InputHeldByAnotherProgramEndsTheRunWithStatusOne)
{
    TempFolder folder;
    writeFile(folder / "a.dat", squidFile(1));
    writeFile(folder / (kSo + ".dat"), squidFile(4));
    writeFile(folder / "c.dat", squidFile(2));
    writeFile(folder / "out.itx", "earlier");
    HeldFile other(folder / (kSo + ".dat"));
    ASSERT_TRUE(other.held());

    const Outcome outcome = runProgram(folder.path(), {"-p", "run", "-o", "out.itx", "a.dat", kSo + ".dat", "c.dat"});
    EXPECT_EQ(outcome.status, 1u);
    // The system's reason follows the notice, in its own words, and nothing comes after.
    const std::string reasonStart = redirected("kivo-convert: cannot open " + folder.path() + "\\ソ.dat: ");
    const std::string before = redirected(kConcatenated + texts::points("a.dat", 1) + "\n"
                                          + texts::fileNotOpen("ソ.dat") + "\n");
    ASSERT_GT(outcome.err.size(), before.size() + reasonStart.size()) << outcome.err;
    EXPECT_EQ(outcome.err.substr(0, before.size()), before);
    EXPECT_EQ(outcome.err.substr(before.size(), reasonStart.size()), reasonStart);
    EXPECT_EQ(outcome.err.find('\n', before.size()), outcome.err.size() - 1) << outcome.err;
    EXPECT_EQ(readFile(folder / "out.itx").value_or("(missing)"), "earlier");

    other.release();
    const Outcome again = runProgram(folder.path(), {"-p", "run", "-o", "out.itx", "a.dat", kSo + ".dat", "c.dat"});
    EXPECT_EQ(again.status, 0u) << again.err;
    EXPECT_EQ(readFile(folder / "out.itx").value_or("(missing)"), expectedItx("run", {1, 4, 2}));
}

// ¥ (U+00A5) has no spelling in code page 932; a best fit makes it "\\", so that a¥b.dat
// would open a\b.dat and -o x¥y.itx replace x\y.itx.
TEST(KivoConvertOnWindows, ANameTheCodePageCannotSpellIsRefusedRatherThanBestFitted)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "needs the Japanese ANSI code page";
    TempFolder folder;
    makeFolder(folder / "a");
    writeFile(folder / "a\\b.dat", squidFile(2));
    makeFolder(folder / "x");
    writeFile(folder / "x\\y.itx", "earlier output\r\n");
    struct Case {
        std::wstring args;
        std::string named;
    };
    const Case cases[] = {
        {L"a\u00A5b.dat", "a\u00A5b.dat"},
        {L"-o x\u00A5y.itx a\\b.dat", "x\u00A5y.itx"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = runProgram(folder.path(), {}, c.args);
        EXPECT_EQ(outcome.status, 1u);
        EXPECT_EQ(outcome.err, redirected("kivo-convert: " + c.named
                                          + ": U+00A5 in the name has no spelling in code page 932, so no file can be "
                                            "opened under it; nothing was converted\n"));
    }
    EXPECT_EQ(listFolder(folder / "a"), std::vector<std::string>{"b.dat"});
    EXPECT_EQ(readFile(folder / "x\\y.itx").value_or("(missing)"), "earlier output\r\n");
}

TEST(KivoConvertOnWindows, OutputNamingAQueuedInputIsRefusedBeforeAnythingIsWritten)
{
    TempFolder folder;
    makeFolder(folder / kSo);
    const std::string input = kSo + "\\" + kHyou + ".dat";
    writeFile(folder / input, squidFile(2));

    const Outcome outcome = runProgram(folder.path(), {"-p", "run", "-o", kSo + "\\.\\" + kHyou + ".DAT", input});
    EXPECT_EQ(outcome.status, 1u);
    EXPECT_EQ(outcome.err, redirected("Outfile not open\nkivo-convert: the output names the input 表.dat\n"));
    EXPECT_EQ(readFile(folder / input).value_or("(missing)"), squidFile(2));
    EXPECT_EQ(listFolder(folder / kSo), std::vector<std::string>{kHyou + ".dat"});
}

TEST(KivoConvertOnWindows, DashWritesTheOutputToStandardOutput)
{
    TempFolder folder;
    writeFile(folder / "a.dat", squidFile(1));
    const Outcome outcome = runProgram(folder.path(), {"-p", "run", "-o", "-", "a.dat"});
    EXPECT_EQ(outcome.status, 0u) << outcome.err;
    EXPECT_EQ(outcome.out, expectedItx("run", {1}));
    EXPECT_EQ(listFolder(folder.path()), std::vector<std::string>{"a.dat"});
}

TEST(KivoConvertOnWindows, EarlierOutputHeldByAnotherProgramIsNotTouched)
{
    TempFolder folder;
    writeFile(folder / "a.dat", squidFile(1));
    writeFile(folder / "out.itx", "earlier output\r\n");
    {
        HeldFile igor(folder / "out.itx");
        ASSERT_TRUE(igor.held());
        const Outcome outcome = runProgram(folder.path(), {"-p", "run", "-o", "out.itx", "a.dat"});
        EXPECT_EQ(outcome.status, 1u);
        const std::string start = "Outfile not open\r\nkivo-convert: cannot create " + (folder / "out.itx") + ": ";
        EXPECT_EQ(outcome.err.substr(0, start.size()), start);
    }
    EXPECT_EQ(readFile(folder / "out.itx").value_or("(missing)"), "earlier output\r\n");
    EXPECT_EQ(listFolder(folder.path()), (std::vector<std::string>{"a.dat", "out.itx"}));
}

// Nothing in a process that is killed can remove its staging file: the system has to.
TEST(KivoConvertOnWindows, ARunEndedWithoutNoticeLeavesNoStagingFile)
{
    TempFolder folder;
    writeFile(folder / "out.itx", "earlier output\r\n");
    const Outcome outcome = runProgram(folder.path(), {folder / "out.itx"}, {}, "ended_run.exe");
    ASSERT_EQ(outcome.status, 9u) << "the stand-in did not get as far as writing";
    EXPECT_EQ(listFolder(folder.path()), std::vector<std::string>{"out.itx"});
    EXPECT_EQ(readFile(folder / "out.itx").value_or("(missing)"), "earlier output\r\n");
}

} // namespace
} // namespace kivo::testing
