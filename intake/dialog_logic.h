#pragma once

#include "core/files/file_system.h"
#include "core/run/host.h"
#include "intake/notifier.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kivo::intake {

// The main window's two edit fields.
enum class Field {
    WavePrefix,
    OutputPath,
};

// The controls of a main window as its logic sees them; each window implements them over
// its own toolkit. Texts are in the system's narrow encoding, as the core takes them.
class DialogControls {
public:
    virtual ~DialogControls() = default;

    // The input queue: the visible file list and its hidden twin of full paths.
    virtual std::size_t queueCount() const = 0;
    // Precondition: index < queueCount().
    virtual core::QueueEntry queueEntry(std::size_t index) const = 0;
    // Precondition: queueCount() > 0.
    virtual void queueRemoveFront() = 0;
    virtual void queueAppend(core::QueueEntry entry) = 0;

    // What `field` shows.
    virtual std::string fieldText(Field field) const = 0;
    // Makes `field` show `text`.
    virtual void setFieldText(Field field, const std::string& text) = 0;

    // Gives "Make itx" the keyboard focus, so that Enter presses it.
    virtual void focusMakeItx() = 0;
    // Whether the box "ファイル別・単位付き" is ticked: the detailed output.
    virtual bool detailedTicked() const = 0;
};

// What Kivo's main window does, whatever toolkit draws it: the window forwards its events
// here and keeps only its controls, its boxes and its event wiring. As the Host it lets the
// drop intake and the conversion run work on the window's controls.
class DialogLogic final : public core::Host {
public:
    // `controls`, `notifier` and `files` must outlive the logic.
    DialogLogic(DialogControls& controls, Notifier& notifier, core::FileSystem& files);
    DialogLogic(const DialogLogic&) = delete;
    DialogLogic& operator=(const DialogLogic&) = delete;

    // Files dropped on the window, in the order the drop lists them. Each name in
    // `unspellable` (UTF-8: a file whose name the ANSI code page cannot spell) is told in a
    // notice and left out; then `paths` enter the queue as one drop, and when that queued a
    // file, "Make itx" gets the focus. Ignored while a run or an earlier drop is still at a
    // notice: it would change the queue under that run's feet.
    void OnDropFiles(const std::vector<std::string>& paths, const std::vector<std::string>& unspellable = {});
    // "Make itx": converts the queue. A failure of the run (a read, write or close error, or
    // any other std::exception such as std::bad_alloc, told as an unknown error on the
    // output with its what() as the reason) is shown in a stop box and leaves the window
    // open with the queue and fields as they were. Ignored during a run or drop.
    void OnMakeItx();
    // The wave prefix field lost the focus: it is forced into a wave-name shape, unless the
    // window is closing or the sanitizer's own notice took the focus.
    void OnKillFocusWavePrefix();

    // The window is going away (true) or is shown again (false). A user who closes the
    // window is done with the prefix and must not be stopped by a notice about it.
    void setClosing(bool closing) noexcept { m_closing = closing; }
    // A run or a drop is under way: the window takes no drop now.
    bool busy() const noexcept { return m_busy; }

    // core::Host
    std::size_t queueCount() const override;
    core::QueueEntry queueFront() const override;
    core::QueueEntry queueEntry(std::size_t index) const override;
    void queueRemoveFront() override;
    void queueAppend(core::QueueEntry entry) override;
    void exchange(core::Exchange direction) override;
    void notify(const core::Notice& notice) override;

private:
    void setIfChanged(Field field, const std::string& text);

    DialogControls& m_controls;
    Notifier& m_notifier;
    core::FileSystem& m_files;
    bool m_busy = false;             // a run or a drop is under way
    bool m_prefixNoticeOpen = false; // the sanitizer is telling the user of its change
    bool m_closing = false;          // the window is going away
};

} // namespace kivo::intake
