#pragma once

#include "core/files/file_system.h"
#include "intake/notifier.h"
#include "win32/converter_dlg.h"
#include "win32/notifier.h"

#include <windows.h>

namespace kivo::win32 {

// The application object: builds the main window, runs it modally, and looks at every
// message of the user-interface thread before it is dispatched, which is where drops are
// taken. One at a time per process.
class CConverterApp final {
public:
    // The boxes are real message boxes.
    explicit CConverterApp(HINSTANCE instance);
    // The boxes go through `notifier`, which must outlive the application object.
    CConverterApp(HINSTANCE instance, intake::Notifier& notifier, core::FileSystem& files = core::platformFileSystem());
    CConverterApp(const CConverterApp&) = delete;
    CConverterApp& operator=(const CConverterApp&) = delete;
    ~CConverterApp();

    // Builds and shows the main window; false when it cannot be built.
    bool CreateMainWindow();
    // Shows the main window, queues the files named on the command line as one drop, and
    // returns once the window has closed. The exit status: 0, or 1 when the window could
    // not be built.
    int InitInstance();
    // Queues the files that `commandLine` (a program's command line, its own name first)
    // names, as if they had been dropped on the main window.
    void OpenCommandLineFiles(const wchar_t* commandLine);

    CConverterDlg& mainWindow() { return m_dlg; }

    // The look before dispatch: a files-dropped message is handed to the main window's
    // intake and freed. True when the message has been dealt with.
    bool PreTranslateMessage(MSG& message);
    // Fetches one message (waiting for one when `wait`) and routes it: the look above, then
    // the dialog manager's keys (Tab, Enter, Esc), then the window. False when there was
    // none, or on WM_QUIT, which is left in the queue.
    bool PumpMessage(bool wait);
    // Routes messages until `dialog` is destroyed, through the application object when
    // there is one: the message loop of every modal window of Kivo's own.
    static void RunModalLoop(HWND dialog);

private:
    HINSTANCE m_instance;
    MessageBoxNotifier m_boxes; // used unless a notifier is given
    CConverterDlg m_dlg;
};

} // namespace kivo::win32
