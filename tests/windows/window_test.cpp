// Kivo.exe's window, driven through its control ids with the messages Windows itself would
// send, in the same process as the test: drops arrive as WM_DROPFILES built here and are
// routed through the application's own message loop, and notices are recorded through the
// notifier seam, except where a real message box has to be open.
#include "windows_test_files.h"

#include "core/run/notice.h"
#include "core/run/run_summary.h"
#include "memory_files.h"
#include "notice_texts.h"
#include "recording_notifier.h"
#include "win32/converter_app.h"
#include "win32/notifier.h"
#include "win32/resource.h"
#include "win32/wide_text.h"

#include <gtest/gtest.h>

#include <shellapi.h>
#include <shlobj.h>  // DROPFILES

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace kivo::testing {
namespace {

using Said = std::vector<std::string>;

// An HDROP as the shell hands it over: DROPFILES, then the names one after another, each
// ended by a NUL, and one more NUL after the last.
template <typename Char>
HDROP makeDrop(const std::vector<std::basic_string<Char>>& paths)
{
    std::size_t chars = 1;
    for (const auto& path : paths)
        chars += path.size() + 1;
    const std::size_t size = sizeof(DROPFILES) + chars * sizeof(Char);
    HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = sizeof(Char) == sizeof(wchar_t);
    auto* names = reinterpret_cast<Char*>(reinterpret_cast<char*>(files) + sizeof(DROPFILES));
    for (const auto& path : paths) {
        std::memcpy(names, path.c_str(), (path.size() + 1) * sizeof(Char));
        names += path.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// Runs `action` on the UI thread, from inside whatever message loop is running (a message
// box's, the About box's), once `find` returns a window.
class WhenWindowAppears final {
public:
    WhenWindowAppears(std::function<HWND()> find, std::function<void(HWND)> action)
    {
        s_find = std::move(find);
        s_action = std::move(action);
        s_timer = SetTimer(nullptr, 0, 10, &tick);
    }
    ~WhenWindowAppears()
    {
        if (s_timer != 0)
            KillTimer(nullptr, s_timer);
        s_timer = 0;
    }
    WhenWindowAppears(const WhenWindowAppears&) = delete;
    WhenWindowAppears& operator=(const WhenWindowAppears&) = delete;

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD)
    {
        HWND found = s_find();
        if (found == nullptr || s_timer == 0)
            return;
        KillTimer(nullptr, s_timer);
        s_timer = 0;
        s_action(found);
    }

    static inline std::function<HWND()> s_find;
    static inline std::function<void(HWND)> s_action;
    static inline UINT_PTR s_timer = 0;
};

// A visible dialog of this thread owned by `owner`: a message box or the About box.
HWND ownedDialog(HWND owner)
{
    struct Search {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t cls[16] = {};
            GetClassNameW(hwnd, cls, 16);
            if (GetWindow(hwnd, GW_OWNER) == s->owner && IsWindowVisible(hwnd) && std::wcscmp(cls, L"#32770") == 0) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring windowTextW(HWND hwnd)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

class Window : public ::testing::Test {
protected:
    explicit Window(core::FileSystem& files = core::platformFileSystem())
        : app(GetModuleHandleW(nullptr), notifier, files)
    {
    }

    void SetUp() override
    {
        ASSERT_TRUE(app.CreateMainWindow());
        dlg = app.mainWindow().hwnd();
        pump();
    }

    // Routes every waiting message as Kivo's own loop does.
    void pump()
    {
        while (app.PumpMessage(false)) {
        }
    }

    void drop(HDROP files)
    {
        PostMessageW(dlg, WM_DROPFILES, reinterpret_cast<WPARAM>(files), 0);
        pump();
    }

    void pressEnterIn(HWND control)
    {
        SetFocus(control);
        // The loop's TranslateMessage makes the WM_CHAR, as for a key really pressed.
        PostMessageW(control, WM_KEYDOWN, VK_RETURN, 1);
        pump();
    }

    HWND item(int id) const { return GetDlgItem(dlg, id); }

    std::string text(int id) const
    {
        std::string bytes(static_cast<std::size_t>(GetWindowTextLengthA(item(id))) + 1, '\0');
        bytes.resize(static_cast<std::size_t>(GetWindowTextA(item(id), bytes.data(), static_cast<int>(bytes.size()))));
        return bytes;
    }

    std::vector<std::string> list(int id) const
    {
        std::vector<std::string> entries;
        const auto count = SendMessageA(item(id), LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            std::string bytes(static_cast<std::size_t>(SendMessageA(item(id), LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)) + 1, '\0');
            bytes.resize(static_cast<std::size_t>(
                SendMessageA(item(id), LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(bytes.data()))));
            entries.push_back(bytes);
        }
        return entries;
    }

    RecordingNotifier notifier;
    win32::CConverterApp app;
    HWND dlg = nullptr;
};

TEST_F(Window, StartsEmptyWithTheFocusOnCloseSoThatEnterCloses)
{
    EXPECT_EQ(text(IDC_WAVE_PREFIX), "");
    EXPECT_EQ(text(IDC_OUTPUT_PATH), "");
    EXPECT_TRUE(list(IDC_FILE_LIST).empty());
    EXPECT_TRUE(list(IDC_PATH_LIST).empty());
    EXPECT_NE(GetMenuState(GetSystemMenu(dlg, FALSE), IDM_ABOUTBOX, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_NE(SendMessageW(dlg, WM_GETICON, ICON_SMALL, 0), 0);
    ASSERT_EQ(GetFocus(), item(IDCANCEL));

    pressEnterIn(GetFocus());
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_TRUE(notifier.notices.empty());
}

TEST_F(Window, DropQueuesCp932NamesAndLongPathsAndRefusesFolders)
{
    const std::string folder = "C:\\data\\" + kSo;                   // ソ: second byte "\\"
    const std::string first = folder + "\\" + kHyou + ".dat";         // ソ\表.dat
    const std::string longName = std::string(280, 'x') + ".dat";      // past MAX_PATH on its own
    drop(makeDrop<char>({first, folder, "C:\\data\\" + longName}));

    EXPECT_EQ(list(IDC_FILE_LIST), (std::vector<std::string>{kHyou + ".dat", longName}));
    EXPECT_EQ(list(IDC_PATH_LIST), (std::vector<std::string>{first, "C:\\data\\" + longName}));
    EXPECT_EQ(text(IDC_OUTPUT_PATH), folder + "\\" + kHyou + ".itx");
    // Each byte of 表 is judged on its own: 0x95 is no letter, 0x5C no word character.
    EXPECT_EQ(text(IDC_WAVE_PREFIX), "w_");
    EXPECT_EQ(notifier.notices, (Said{texts::kPrefixFirstLetter, texts::kDirectory, texts::kConcatenated}));
}

TEST_F(Window, ANameTheCodePageCannotSpellIsNamedInANoticeAndLeftOut)
{
    drop(makeDrop<wchar_t>({L"C:\\data\\\xD55C\xAE00.dat", L"C:\\data\\ok.dat"}));  // 한글.dat

    EXPECT_EQ(list(IDC_PATH_LIST), std::vector<std::string>{"C:\\data\\ok.dat"});
    EXPECT_EQ(text(IDC_WAVE_PREFIX), "ok");
    EXPECT_EQ(notifier.notices, Said{texts::unspellable(win32::toUtf8(L"\xD55C\xAE00.dat"))});
}

TEST_F(Window, EnterInTheOutputFieldMakesTheItxWithItsNoticesInOrder)
{
    TempFolder folder;
    writeFile(folder / "a.dat", squidFile(3));
    writeFile(folder / (kHyou + ".dat"), squidFile(2));
    drop(makeDrop<char>({folder / "a.dat", folder / (kHyou + ".dat")}));
    notifier.notices.clear();

    pressEnterIn(item(IDC_OUTPUT_PATH));

    EXPECT_EQ(readFile(folder / "a.itx").value_or("?"), expectedItx("a", {3, 2}));
    EXPECT_EQ(notifier.notices, (Said{texts::points("a.dat", 3), texts::points("表.dat", 2)}));
    EXPECT_TRUE(list(IDC_FILE_LIST).empty());
    EXPECT_TRUE(list(IDC_PATH_LIST).empty());
    EXPECT_EQ(text(IDC_WAVE_PREFIX), "");
    EXPECT_EQ(text(IDC_OUTPUT_PATH), "");
    EXPECT_TRUE(IsWindow(dlg));
}

TEST_F(Window, ADropThatQueuesGivesMakeItxTheFocusSoThatEnterConverts)
{
    TempFolder folder;
    writeFile(folder / "a.dat", squidFile(3));
    drop(makeDrop<char>({folder / "folder"})); // queues nothing
    EXPECT_EQ(GetFocus(), item(IDCANCEL));

    drop(makeDrop<char>({folder / "a.dat"}));
    ASSERT_EQ(GetFocus(), item(IDC_MAKE_ITX));
    pressEnterIn(GetFocus());

    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_EQ(readFile(folder / "a.itx").value_or("?"), expectedItx("a", {3}));
}

// As Explorer starts Kivo.exe for files dropped on its icon, "Send to" or "Open with".
TEST_F(Window, FilesOnTheCommandLineAreQueuedAsADropAndUnspellableOnesAreRefused)
{
    TempFolder folder;
    wchar_t before[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.path().c_str()));
    // ¥ has no exact spelling in code page 932: a best fit would make it "\", naming b.dat
    // in the folder a.
    app.OpenCommandLineFiles(L"\"C:\\Program Files\\Kivo.exe\" run1.dat \"\" C:\\d\\a\u00A5b.dat \"my \u8868.dat\"");
    SetCurrentDirectoryW(before);

    EXPECT_EQ(list(IDC_PATH_LIST), (Said{folder / "run1.dat", folder / ("my " + kHyou + ".dat")}));
    EXPECT_EQ(notifier.notices, (Said{texts::unspellable("a\u00A5b.dat"), texts::kConcatenated}));
    EXPECT_EQ(text(IDC_WAVE_PREFIX), "run1");
    EXPECT_EQ(GetFocus(), item(IDC_MAKE_ITX));
}

// Unticked at start and last in the tab order; ticked, a drop tells of no concatenation and
// Enter writes each file into a folder of its own.
TEST_F(Window, TheDetailedBoxIsLastInTheTabOrderAndATickGivesAFolderPerFile)
{
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_DETAILED), BST_UNCHECKED);
    EXPECT_EQ(GetNextDlgTabItem(dlg, item(IDC_OUTPUT_PATH), FALSE), item(IDC_DETAILED));
    EXPECT_EQ(GetNextDlgTabItem(dlg, item(IDC_DETAILED), FALSE), item(IDCANCEL));
    SendMessageW(item(IDC_DETAILED), BM_CLICK, 0, 0);
    pump();
    TempFolder folder;
    writeFile(folder / "a.dat", squidFile(3));
    writeFile(folder / "b.dat", squidFile(2));
    drop(makeDrop<char>({folder / "a.dat", folder / "b.dat"}));
    EXPECT_EQ(notifier.notices, Said{});

    pressEnterIn(item(IDC_OUTPUT_PATH));

    // The batch's folder is the prefix's; one notice at the end tells of both files.
    const std::string itx = readFile(folder / "a.itx").value_or("?");
    EXPECT_EQ(itx.rfind("IGOR\r\nX NewDataFolder/O/S a\r\nX NewDataFolder/O/S a\r\nWAVES/D\ta_Time\t", 0), 0u)
        << itx.substr(0, 80);
    EXPECT_NE(itx.find("X SetDataFolder ::\r\nX NewDataFolder/O/S b\r\n"), std::string::npos);
    const kivo::core::Notice summary = kivo::core::summaryNotice(
        {{{"a.dat", kivo::core::NoticeKind::PointsExtracted, "a", 3}, {"b.dat", kivo::core::NoticeKind::PointsExtracted, "b", 2}},
         false,
         folder / "a.itx"});
    EXPECT_EQ(notifier.notices, Said{kivo::core::noticeLines(kivo::core::noticeDisplayText(summary))});
}

TEST_F(Window, LeavingThePrefixFieldSanitizesIt)
{
    SetDlgItemTextA(dlg, IDC_WAVE_PREFIX, "1x-y");
    SetFocus(item(IDC_WAVE_PREFIX));
    PostMessageW(item(IDC_WAVE_PREFIX), WM_KEYDOWN, VK_TAB, 1);  // on to the output field
    pump();

    EXPECT_EQ(GetFocus(), item(IDC_OUTPUT_PATH));
    EXPECT_EQ(text(IDC_WAVE_PREFIX), "wx_y");
    EXPECT_EQ(notifier.notices, Said{texts::kPrefixFirstLetter});
}

TEST_F(Window, ADropArrivingWhileANoticeIsOpenIsNotTaken)
{
    win32::MessageBoxNotifier real(dlg);
    notifier.whileOpen = [&] { real.notice(notifier.notices.back()); };
    std::wstring caption;
    bool ownerDisabled = false;
    WhenWindowAppears closeBox([this] { return ownedDialog(dlg); },
                               [&](HWND box) {
                                   caption = windowTextW(box);
                                   ownerDisabled = !IsWindowEnabled(dlg);
                                   // Both go into this thread's queue, so the box's own loop
                                   // meets the drop before its OK.
                                   PostMessageW(dlg, WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop<char>({"C:\\data\\late.dat"})), 0);
                                   PostMessageW(box, WM_COMMAND, IDOK, 0);
                               });
    drop(makeDrop<char>({"C:\\data\\folder"}));  // opens the directory notice

    EXPECT_EQ(caption, win32::applicationTitle());
    EXPECT_TRUE(ownerDisabled);
    EXPECT_EQ(notifier.notices, Said{texts::kDirectory});
    EXPECT_TRUE(list(IDC_FILE_LIST).empty());
    EXPECT_EQ(text(IDC_OUTPUT_PATH), "");
}

TEST_F(Window, TheSystemMenuEntryOpensTheAboutBoxAndItsOkClosesIt)
{
    std::wstring caption;
    bool ownerDisabled = false;
    WhenWindowAppears clickOk([this] { return ownedDialog(dlg); },
                              [&](HWND box) {
                                  caption = windowTextW(box);
                                  ownerDisabled = !IsWindowEnabled(dlg);
                                  SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
                              });
    SendMessageW(dlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);

    EXPECT_EQ(caption, L"Kivoのﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_TRUE(ownerDisabled);
    EXPECT_EQ(ownedDialog(dlg), nullptr);
    EXPECT_TRUE(IsWindowEnabled(dlg));
}

TEST(WindowClosing, CloseEscAndTheCloseBoxEachCloseTheWindowWithoutANotice)
{
    const std::function<void(HWND)> ways[] = {
        [](HWND dlg) { SendMessageW(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0); },
        [](HWND dlg) { PostMessageW(GetDlgItem(dlg, IDC_WAVE_PREFIX), WM_KEYDOWN, VK_ESCAPE, 1); },
        [](HWND dlg) { PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (const auto& close : ways) {
        RecordingNotifier notifier;
        win32::CConverterApp app(GetModuleHandleW(nullptr), notifier);
        ASSERT_TRUE(app.CreateMainWindow());
        HWND dlg = app.mainWindow().hwnd();
        // A prefix that the sanitizer would change, in the field that has the focus.
        SetDlgItemTextA(dlg, IDC_WAVE_PREFIX, "1x");
        SetFocus(GetDlgItem(dlg, IDC_WAVE_PREFIX));
        close(dlg);
        while (IsWindow(dlg) && app.PumpMessage(false)) {
        }
        EXPECT_FALSE(IsWindow(dlg));
        EXPECT_TRUE(notifier.notices.empty());
    }
}

// What the boxes say, as UTF-16: the core's UTF-8 text, each of its line breaks CR LF.
TEST(BoxText, TheCoresTextWithEachLineBreakAsWindowsBreaksIt)
{
    EXPECT_EQ(win32::boxText("File[ 表.dat ] not open\r\rアクセスが拒否されました。"),
              L"File[ 表.dat ] not open\r\n\r\nアクセスが拒否されました。");
    EXPECT_EQ(win32::boxText("one\r\ntwo\nthree"), L"one\r\ntwo\r\nthree");
}

// Kivo.exe itself, started as Explorer starts it (it is copied beside this test by the
// build): its window comes up from the program's own resources, and the process ends with
// status 0 once the window is closed.
TEST(KivoExe, ShowsItsWindowAndEndsWhenItIsClosed)
{
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    path = path.substr(0, path.rfind(L'\\') + 1) + L"Kivo.exe";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // A file named on its command line, as Explorer names one dropped on the program's icon.
    std::wstring commandLine = L"\"" + path + L"\" C:\\data\\run1.dat";
    ASSERT_TRUE(CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process))
        << "cannot start Kivo.exe: error " << GetLastError();
    WaitForInputIdle(process.hProcess, 30000);

    struct Search {
        DWORD process;
        HWND found;
    } search{process.dwProcessId, nullptr};
    while (search.found == nullptr && WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
        EnumWindows(
            [](HWND hwnd, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                DWORD owner = 0;
                GetWindowThreadProcessId(hwnd, &owner);
                if (owner == s->process && IsWindowVisible(hwnd)) {
                    s->found = hwnd;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
    }
    ASSERT_NE(search.found, nullptr) << "Kivo.exe ended without showing a window";
    EXPECT_EQ(windowTextW(search.found), L"Kivo");
    EXPECT_NE(GetDlgItem(search.found, IDC_MAKE_ITX), nullptr);
    LRESULT queued = 0;
    for (int wait = 0; wait < 100 && queued == 0; ++wait, Sleep(50))
        queued = SendMessageW(GetDlgItem(search.found, IDC_FILE_LIST), LB_GETCOUNT, 0, 0);
    EXPECT_EQ(queued, 1);

    PostMessageW(search.found, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD status = ~DWORD{0};
    GetExitCodeProcess(process.hProcess, &status);
    EXPECT_EQ(status, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

class WindowOnMemoryFiles : public Window {
protected:
    WindowOnMemoryFiles() : Window(files) {}
    static inline MemoryFileSystem files;
};

TEST_F(WindowOnMemoryFiles, AReadErrorShowsTheStopBoxAndKeepsTheQueue)
{
    files.files["C:\\d\\a.dat"] = squidFile(4);
    files.failReadAfter = 100;
    drop(makeDrop<char>({"C:\\d\\a.dat"}));
    notifier.notices.clear();

    SendMessageW(item(IDC_MAKE_ITX), BM_CLICK, 0, 0);

    // The framework's text, then the system's reason as a paragraph of its own.
    EXPECT_TRUE(notifier.notices.empty());
    ASSERT_EQ(notifier.errors.size(), 1u);
    const std::string readFailed =
        core::reasonText(core::because(core::ReasonKind::ReadFailed), core::Language::Japanese) + ": ";
    EXPECT_EQ(notifier.errors[0].rfind(texts::withReason(texts::readFailure("C:\\d\\a.dat"), readFailed), 0), 0u)
        << notifier.errors[0];
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_EQ(list(IDC_PATH_LIST), std::vector<std::string>{"C:\\d\\a.dat"});
    EXPECT_EQ(text(IDC_WAVE_PREFIX), "a");
    EXPECT_EQ(text(IDC_OUTPUT_PATH), "C:\\d\\a.itx");
}

} // namespace
} // namespace kivo::testing
