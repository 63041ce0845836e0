#include "win32/about_dlg.h"

#include "win32/converter_app.h"
#include "win32/resource.h"

namespace kivo::win32 {

namespace {

void centreOver(HWND hwnd, HWND owner)
{
    RECT window{};
    RECT over{};
    GetWindowRect(hwnd, &window);
    GetWindowRect(owner, &over);
    const int x = over.left + (over.right - over.left - (window.right - window.left)) / 2;
    const int y = over.top + (over.bottom - over.top - (window.bottom - window.top)) / 2;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

void CAboutDlg::DoModal(HINSTANCE instance, HWND owner)
{
    HWND box = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_ABOUTBOX), owner, &DialogProc, 0);
    if (box == nullptr)
        return;
    if (owner != nullptr)
        centreOver(box, owner);
    EnableWindow(owner, FALSE);
    ShowWindow(box, SW_SHOW);
    CConverterApp::RunModalLoop(box);
    EnableWindow(owner, TRUE);
}

INT_PTR CALLBACK CAboutDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            // The owner is enabled before the box goes, so that Windows gives the activation
            // back to it rather than to another program's window.
            EnableWindow(GetWindow(hwnd, GW_OWNER), TRUE);
            DestroyWindow(hwnd);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace kivo::win32
