#include "win32/converter_dlg.h"

#include "core/conversion_run.h"
#include "core/io_error.h"
#include "intake/intake.h"
#include "win32/about_dlg.h"
#include "win32/notifier.h"
#include "win32/resource.h"
#include "win32/wide_text.h"

#include <shellapi.h>

#include <vector>

namespace kivo::win32 {

namespace {

std::wstring droppedPathW(HDROP drop, UINT index)
{
    std::wstring path(DragQueryFileW(drop, index, nullptr, 0), L'\0');
    DragQueryFileW(drop, index, path.data(), static_cast<UINT>(path.size() + 1));
    return path;
}

// Asked for its length first, so that a path of any length is taken whole.
std::string droppedPathA(HDROP drop, UINT index)
{
    std::string path(DragQueryFileA(drop, index, nullptr, 0), '\0');
    DragQueryFileA(drop, index, path.data(), static_cast<UINT>(path.size() + 1));
    return path;
}

std::wstring lastComponent(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

HICON loadIcon(HINSTANCE instance, int width, int height)
{
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, width, height,
                                         LR_DEFAULTCOLOR));
}

// Where a dialog whose template gives no position opens: centred over the screen's work area.
void centreOnScreen(HWND hwnd)
{
    RECT window{};
    RECT area{};
    GetWindowRect(hwnd, &window);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int x = area.left + (area.right - area.left - (window.right - window.left)) / 2;
    const int y = area.top + (area.bottom - area.top - (window.bottom - window.top)) / 2;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

CConverterDlg::CConverterDlg(Notifier& notifier, core::FileSystem& files)
    : m_notifier(notifier)
    , m_files(files)
{
}

CConverterDlg::~CConverterDlg()
{
    if (m_hwnd != nullptr) {
        m_closing = true;
        DestroyWindow(m_hwnd);
    }
    if (m_icon != nullptr)
        DestroyIcon(m_icon);
    if (m_smallIcon != nullptr)
        DestroyIcon(m_smallIcon);
}

bool CConverterDlg::Create(HINSTANCE instance)
{
    m_instance = instance;
    m_closing = false;
    if (m_icon == nullptr)
        m_icon = loadIcon(instance, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    if (m_smallIcon == nullptr)
        m_smallIcon = loadIcon(instance, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
    // A Unicode window, so that the template's Japanese reaches the screen as it is; the
    // queue and the fields are still read and written through the A messages below.
    return CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_KIVO_DIALOG), nullptr, &DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

INT_PTR CALLBACK CConverterDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CConverterDlg*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hwnd = hwnd;
        return self->OnInitDialog();
    }
    auto* self = reinterpret_cast<CConverterDlg*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr)
        return FALSE;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->m_hwnd = nullptr;
        return FALSE;
    }
    return self->OnMessage(message, wParam, lParam);
}

INT_PTR CConverterDlg::OnMessage(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            OnAppAbout();
            return TRUE;
        }
        return FALSE;
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_icon);
    case WM_DROPFILES:
        // Drops are taken before dispatch, by the application's message loop. One that
        // arrives here came through the loop of a notice or an error box: the run or the
        // drop that opened the box is not finished, so it is not taken.
        DragFinish(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_MAKE_ITX:
            if (HIWORD(wParam) == BN_CLICKED)
                OnMakeItx();
            return TRUE;
        case IDC_WAVE_PREFIX:
            if (HIWORD(wParam) == EN_KILLFOCUS)
                OnKillFocusWavePrefix();
            return TRUE;
        case IDOK:      // the hidden OK, should anything press it
        case IDCANCEL:  // Close, Esc, and the close box by way of WM_CLOSE
            OnClose();
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

BOOL CConverterDlg::OnInitDialog()
{
    if (HMENU systemMenu = GetSystemMenu(m_hwnd, FALSE)) {
        const wchar_t* text = nullptr;
        const int length = LoadStringW(m_instance, IDS_ABOUTBOX, reinterpret_cast<LPWSTR>(&text), 0);
        if (length > 0) {
            const std::wstring entry(text, static_cast<std::size_t>(length));
            AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, entry.c_str());
        }
    }
    SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
    centreOnScreen(m_hwnd);
    // The focus goes to the first control that takes it, which is Close (the OK before it
    // is hidden), so that a stray Enter closes. It is set through the dialog manager, which
    // makes Close the default button while it has the focus; a plain TRUE would leave that
    // to the system, and Wine, unlike Windows, does not do it then.
    SendMessageW(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetNextDlgTabItem(m_hwnd, nullptr, FALSE)), TRUE);
    return FALSE;
}

BOOL CConverterDlg::OnPaint()
{
    if (!IsIconic(m_hwnd))
        return FALSE;
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(m_hwnd, &paint);
    SendMessageW(m_hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(m_hwnd, &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_icon);
    EndPaint(m_hwnd, &paint);
    return TRUE;
}

void CConverterDlg::OnClose()
{
    // Closing takes the focus from the prefix field too; a user who closes the window is
    // done with the prefix and must not be stopped by a notice about it.
    m_closing = true;
    DestroyWindow(m_hwnd);
}

void CConverterDlg::OnDropFiles(HDROP drop)
{
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::string> paths;
    for (UINT index = 0; index < count; ++index) {
        const std::wstring name = droppedPathW(drop, index);
        if (!toAnsiExactly(name)) {
            m_notifier.notice(m_hwnd, unspellableNameText(lastComponent(name)));
            continue;
        }
        paths.push_back(droppedPathA(drop, index));
    }
    if (!paths.empty())
        intake::AddDroppedFiles(*this, paths);
}

void CConverterDlg::OnMakeItx()
{
    try {
        core::OnMakeItx(*this, &intake::SanitizeWavePrefix, m_files);
    } catch (const core::IoError& error) {
        m_notifier.error(m_hwnd, errorBoxText(error));
    }
}

void CConverterDlg::OnKillFocusWavePrefix()
{
    // The sanitizer's own notice takes the focus (from this field, when a run started with
    // Enter in it); running it again then would only tell the user the same thing twice.
    // A user who closes the window is done with the prefix: neither closing nor the press
    // on Close (which takes the focus first; Windows has already moved it when this comes)
    // stops them with a notice about it. "Make itx" sanitizes the prefix in any case.
    if (m_prefixNoticeOpen || m_closing || GetFocus() == GetDlgItem(m_hwnd, IDCANCEL))
        return;
    intake::SanitizeWavePrefix(*this);
}

void CConverterDlg::OnAppAbout()
{
    CAboutDlg::DoModal(m_instance, m_hwnd);
}

std::size_t CConverterDlg::queueCount() const
{
    const LRESULT count = SendDlgItemMessageA(m_hwnd, IDC_FILE_LIST, LB_GETCOUNT, 0, 0);
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

core::QueueEntry CConverterDlg::queueFront() const
{
    return queueEntry(0);
}

core::QueueEntry CConverterDlg::queueEntry(std::size_t index) const
{
    return {listText(IDC_FILE_LIST, index), listText(IDC_PATH_LIST, index)};
}

void CConverterDlg::queueRemoveFront()
{
    SendDlgItemMessageA(m_hwnd, IDC_FILE_LIST, LB_DELETESTRING, 0, 0);
    SendDlgItemMessageA(m_hwnd, IDC_PATH_LIST, LB_DELETESTRING, 0, 0);
}

void CConverterDlg::queueAppend(core::QueueEntry entry)
{
    // Neither list sorts, so adding appends.
    SendDlgItemMessageA(m_hwnd, IDC_FILE_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.displayName.c_str()));
    SendDlgItemMessageA(m_hwnd, IDC_PATH_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.fullPath.c_str()));
}

void CConverterDlg::exchange(core::Exchange direction)
{
    if (direction == core::Exchange::FromControls) {
        wavePrefix = fieldText(IDC_WAVE_PREFIX);
        outputPath = fieldText(IDC_OUTPUT_PATH);
        // Nothing of the logic changes it, so it is only ever read from the box.
        detailed = IsDlgButtonChecked(m_hwnd, IDC_DETAILED) == BST_CHECKED;
        return;
    }
    setFieldText(IDC_WAVE_PREFIX, wavePrefix);
    setFieldText(IDC_OUTPUT_PATH, outputPath);
}

void CConverterDlg::notify(const core::Notice& notice)
{
    const bool outer = m_prefixNoticeOpen;
    m_prefixNoticeOpen = outer || notice.kind == core::NoticeKind::PrefixFirstLetter;
    m_notifier.notice(m_hwnd, noticeBoxText(notice));
    m_prefixNoticeOpen = outer;
}

std::string CConverterDlg::listText(int list, std::size_t index) const
{
    const auto item = static_cast<WPARAM>(index);
    // The length the A message reports may exceed the text's; the text's own is what
    // LB_GETTEXT returns.
    const LRESULT length = SendDlgItemMessageA(m_hwnd, list, LB_GETTEXTLEN, item, 0);
    if (length <= 0)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT got = SendDlgItemMessageA(m_hwnd, list, LB_GETTEXT, item, reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

std::string CConverterDlg::fieldText(int field) const
{
    HWND control = GetDlgItem(m_hwnd, field);
    const int length = GetWindowTextLengthA(control);
    if (length <= 0)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(control, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

void CConverterDlg::setFieldText(int field, const std::string& text)
{
    // Only a changed text is set, so that the caret stays where the user left it.
    if (fieldText(field) != text)
        SetDlgItemTextA(m_hwnd, field, text.c_str());
}

} // namespace kivo::win32
