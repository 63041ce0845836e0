#pragma once

#include "core/files/file_system.h"
#include "intake/dialog_logic.h"
#include "intake/input_queue.h"
#include "intake/notifier.h"

#include <QDialog>

#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QListWidget;
class QPushButton;

namespace kivo::app {

class OutputPathEdit;
class WavePrefixEdit;

// Kivo's main window: the queue of dropped files, the wave prefix and output path fields,
// and "Make itx". Its events go to the dialog logic, which works on it through its controls.
class CConverterDlg final : public QDialog, public intake::DialogControls {
    Q_OBJECT

public:
    // Notices and error boxes go through `notifier`; files are read and written through
    // `files`. Both must outlive the window.
    explicit CConverterDlg(intake::Notifier& notifier, core::FileSystem& files = core::platformFileSystem(),
                           QWidget* parent = nullptr);
    ~CConverterDlg() override;

    // Files dropped on the window, in the order the drop lists them, enter the queue as
    // one drop, and "Make itx" gets the focus when one was queued. Ignored while a run or
    // an earlier drop is still at a notice.
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
    // Precondition: queueCount() > 0.
    core::QueueEntry queueFront() const;

    // intake::DialogControls
    std::size_t queueCount() const override;
    core::QueueEntry queueEntry(std::size_t index) const override;
    void queueRemoveFront() override;
    void queueAppend(core::QueueEntry entry) override;
    std::string fieldText(intake::Field field) const override;
    void setFieldText(intake::Field field, const std::string& text) override;
    void focusMakeItx() override;
    bool detailedTicked() const override;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    intake::DialogLogic m_logic;
    intake::InputQueue m_queue;  // the full paths: the hidden twin of the file list

    QPushButton* m_ok;
    QPushButton* m_close;
    QListWidget* m_fileList;
    QPushButton* m_makeItx;
    WavePrefixEdit* m_wavePrefix;
    OutputPathEdit* m_outputPath;
    QCheckBox* m_detailed;
    QAction* m_about;
};

} // namespace kivo::app
