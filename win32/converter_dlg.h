#pragma once

#include "core/files/file_system.h"
#include "intake/dialog_logic.h"
#include "intake/notifier.h"

#include <string>
#include <vector>

#include <windows.h>

#include <shellapi.h>

namespace kivo::win32 {

// Kivo's main window, dialog 102. Its two list boxes are the input queue (the visible file
// list and the hidden path list) and its two edit fields the wave prefix and output path;
// its events go to the dialog logic, which works on them through the controls below.
class CConverterDlg final : public intake::DialogControls {
public:
    // Notices and error boxes go through `notifier`; files are read and written through
    // `files`. Both must outlive the window.
    explicit CConverterDlg(intake::Notifier& notifier, core::FileSystem& files = core::platformFileSystem());
    CConverterDlg(const CConverterDlg&) = delete;
    CConverterDlg& operator=(const CConverterDlg&) = delete;
    ~CConverterDlg() override;

    // Builds the window from its resource, hidden; false when that fails.
    bool Create(HINSTANCE instance);
    // The window, or null before Create() and once it has closed.
    HWND hwnd() const { return m_hwnd; }

    // The files of a drop, read as the ANSI code page spells them, enter the queue as one
    // drop, and "Make itx" gets the focus when one was queued. A name the code page cannot
    // spell gets a notice and is left out.
    void OnDropFiles(HDROP drop);
    // The same for files named in UTF-16, as the command line names them.
    void OnOpenFiles(const std::vector<std::wstring>& paths);
    // "Make itx": converts the queue. A read, write or close error is shown in a stop box
    // and leaves the window open with the queue and fields as they were.
    void OnMakeItx();
    // The wave prefix field lost the focus: it is forced into a wave-name shape.
    void OnKillFocusWavePrefix();
    // Shows the About box and returns when it is closed.
    void OnAppAbout();

    // intake::DialogControls
    std::size_t queueCount() const override;
    core::QueueEntry queueEntry(std::size_t index) const override;
    void queueRemoveFront() override;
    void queueAppend(core::QueueEntry entry) override;
    std::string fieldText(intake::Field field) const override;
    void setFieldText(intake::Field field, const std::string& text) override;
    void focusMakeItx() override;
    bool detailedTicked() const override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialog();
    BOOL OnPaint();
    void OnClose();

    std::string listText(int list, std::size_t index) const;

    intake::DialogLogic m_logic;
    HINSTANCE m_instance = nullptr;
    HWND m_hwnd = nullptr;
    HICON m_icon = nullptr;       // the large icon: title bar, task switcher, minimised
    HICON m_smallIcon = nullptr;  // the small one: caption and task bar
};

} // namespace kivo::win32
