#pragma once

#include <windows.h>

namespace kivo::win32 {

// The About box, dialog 100. No state.
class CAboutDlg final {
public:
    // Shows the box over `owner`, which is disabled meanwhile, and returns once OK, Esc or
    // the close box has closed it. Its messages go through the application's loop.
    static void DoModal(HINSTANCE instance, HWND owner);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

} // namespace kivo::win32
