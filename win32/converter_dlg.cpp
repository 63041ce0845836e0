#include "win32/converter_dlg.h"

#include "win32/about_dlg.h"
#include "win32/dropped_files.h"
#include "win32/resource.h"

#include <shellapi.h>

#include <vector>

namespace kivo::win32 {

namespace {

int fieldId(intake::Field field)
{
    return field == intake::Field::WavePrefix ? IDC_WAVE_PREFIX : IDC_OUTPUT_PATH;
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

CConverterDlg::CConverterDlg(intake::Notifier& notifier, core::FileSystem& files) : m_logic(*this, notifier, files)
{
}

CConverterDlg::~CConverterDlg()
{
    if (m_hwnd != nullptr) {
        m_logic.setClosing(true);
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
    m_logic.setClosing(false);
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
    // Closing takes the focus from the prefix field too.
    m_logic.setClosing(true);
    DestroyWindow(m_hwnd);
}

void CConverterDlg::OnDropFiles(HDROP drop)
{
    const DroppedFiles files = droppedFiles(drop);
    m_logic.OnDropFiles(files.paths, files.unspellable);
}

void CConverterDlg::OnOpenFiles(const std::vector<std::wstring>& paths)
{
    const DroppedFiles files = spelledFiles(paths);
    m_logic.OnDropFiles(files.paths, files.unspellable);
}

void CConverterDlg::OnMakeItx()
{
    m_logic.OnMakeItx();
}

void CConverterDlg::OnKillFocusWavePrefix()
{
    // The press on Close takes the focus first (Windows has already moved it when this
    // comes): a user on the way out is not stopped with a notice about the prefix either.
    // "Make itx" sanitizes the prefix in any case.
    if (GetFocus() == GetDlgItem(m_hwnd, IDCANCEL))
        return;
    m_logic.OnKillFocusWavePrefix();
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

std::string CConverterDlg::fieldText(intake::Field field) const
{
    HWND control = GetDlgItem(m_hwnd, fieldId(field));
    const int length = GetWindowTextLengthA(control);
    if (length <= 0)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(control, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

void CConverterDlg::setFieldText(intake::Field field, const std::string& text)
{
    SetDlgItemTextA(m_hwnd, fieldId(field), text.c_str());
}

bool CConverterDlg::detailedTicked() const
{
    return IsDlgButtonChecked(m_hwnd, IDC_DETAILED) == BST_CHECKED;
}

void CConverterDlg::focusMakeItx()
{
    // Through the dialog manager, which makes "Make itx" the default button again as well.
    SendMessageW(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(m_hwnd, IDC_MAKE_ITX)), TRUE);
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

} // namespace kivo::win32
