#pragma once

#include "core/file_system.h"
#include "core/host.h"
#include "intake/input_queue.h"

#include <QDialog>

#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QListWidget;
class QPushButton;

namespace kivo::app {

class Notifier;
class OutputPathEdit;
class WavePrefixEdit;

// Kivo's main window: the queue of dropped files, the wave prefix and output path fields,
// and "Make itx". It is the Host through which the drop intake and the conversion run see
// the queue and the two fields, and through which they tell the user things.
class CConverterDlg final : public QDialog, public core::Host {
    Q_OBJECT

public:
    // Notices and error boxes go through `notifier`; files are read and written through
    // `files`. Both must outlive the window.
    explicit CConverterDlg(Notifier& notifier, core::FileSystem& files = core::platformFileSystem(),
                           QWidget* parent = nullptr);
    ~CConverterDlg() override;

    // Files dropped on the window, in the order the drop lists them, enter the queue as
    // one drop. Ignored while a run or an earlier drop is still at a notice.
    void OnDropFiles(const std::vector<std::string>& paths);
    // "Make itx": converts the queue. A read, write or close error is shown in a stop box
    // and leaves the window open with the queue and fields as they were.
    void OnMakeItx();
    // The wave prefix field lost the focus: it is forced into a wave-name shape.
    void OnKillFocusWavePrefix();
    // Shows the About box and returns when it is closed.
    void OnAppAbout();

    // The queue's full paths, in the order of the visible file list.
    const intake::InputQueue& queue() const { return m_queue; }

    // core::Host
    std::size_t queueCount() const override;
    core::QueueEntry queueFront() const override;
    core::QueueEntry queueEntry(std::size_t index) const override;
    void queueRemoveFront() override;
    void queueAppend(core::QueueEntry entry) override;
    void exchange(core::Exchange direction) override;
    void notify(const core::Notice& notice) override;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    Notifier& m_notifier;
    core::FileSystem& m_files;
    intake::InputQueue m_queue;  // the full paths: the hidden twin of the file list

    QPushButton* m_ok;
    QPushButton* m_close;
    QListWidget* m_fileList;
    QPushButton* m_makeItx;
    WavePrefixEdit* m_wavePrefix;
    OutputPathEdit* m_outputPath;
    QCheckBox* m_detailed;
    QAction* m_about;

    bool m_busy = false;              // a run or a drop is under way
    bool m_prefixNoticeOpen = false;  // the sanitizer is telling the user of its change
    bool m_closing = false;           // the window is going away
};

} // namespace kivo::app
