#include "win32/converter_app.h"

#include "win32/dropped_files.h"

#include <shellapi.h>

namespace kivo::win32 {

namespace {

CConverterApp* g_app = nullptr;

bool isDialog(HWND hwnd)
{
    // The dialog class's atom, 32770, which is how Windows names it.
    return hwnd != nullptr && GetClassLongPtrW(hwnd, GCW_ATOM) == 32770;
}

} // namespace

CConverterApp::CConverterApp(HINSTANCE instance) : CConverterApp(instance, m_boxes)
{
}

CConverterApp::CConverterApp(HINSTANCE instance, intake::Notifier& notifier, core::FileSystem& files)
    : m_instance(instance), m_dlg(notifier, files)
{
    g_app = this;
}

CConverterApp::~CConverterApp()
{
    if (g_app == this)
        g_app = nullptr;
}

bool CConverterApp::CreateMainWindow()
{
    if (!m_dlg.Create(m_instance))
        return false;
    m_boxes.setOwner(m_dlg.hwnd());
    ShowWindow(m_dlg.hwnd(), SW_SHOW);
    SetForegroundWindow(m_dlg.hwnd());
    return true;
}

int CConverterApp::InitInstance()
{
    if (!CreateMainWindow())
        return 1;
    OpenCommandLineFiles(GetCommandLineW());
    RunModalLoop(m_dlg.hwnd());
    return 0;
}

void CConverterApp::OpenCommandLineFiles(const wchar_t* commandLine)
{
    const std::vector<std::wstring> files = commandLineFiles(commandLine);
    if (!files.empty())
        m_dlg.OnOpenFiles(files);
}

bool CConverterApp::PreTranslateMessage(MSG& message)
{
    if (message.message != WM_DROPFILES || m_dlg.hwnd() == nullptr)
        return false;
    const auto drop = reinterpret_cast<HDROP>(message.wParam);
    m_dlg.OnDropFiles(drop);
    DragFinish(drop);
    return true;
}

bool CConverterApp::PumpMessage(bool wait)
{
    MSG message{};
    if (wait) {
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
    } else {
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            return false;
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
    }
    if (PreTranslateMessage(message))
        return true;
    HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (isDialog(root) && IsDialogMessageW(root, &message))
        return true;
    TranslateMessage(&message);
    DispatchMessageW(&message);
    return true;
}

void CConverterApp::RunModalLoop(HWND dialog)
{
    while (IsWindow(dialog)) {
        if (g_app != nullptr) {
            if (!g_app->PumpMessage(true))
                return;
            continue;
        }
        MSG message{};
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

} // namespace kivo::win32
