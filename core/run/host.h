#pragma once

#include "core/run/notice.h"

#include <cstddef>
#include <string>

namespace kivo::core {

// One queued input: the name shown to the user and the path it is read from.
struct QueueEntry {
    std::string displayName;
    std::string fullPath;

    friend bool operator==(const QueueEntry&, const QueueEntry&) = default;
};

enum class Exchange {
    FromControls,  // copy what the fields show into the values
    ToControls,    // show the values in the fields
};

// What the conversion run and the drop intake need of the main window. The window, the
// command line and the tests each implement it, so all of them drive the same logic.
class Host {
public:
    virtual ~Host() = default;

    // The input queue, front first; entries keep their arrival order.
    virtual std::size_t queueCount() const = 0;
    // Precondition: queueCount() > 0.
    virtual QueueEntry queueFront() const = 0;
    // Precondition: index < queueCount().
    virtual QueueEntry queueEntry(std::size_t index) const = 0;
    // Precondition: queueCount() > 0.
    virtual void queueRemoveFront() = 0;
    virtual void queueAppend(QueueEntry entry) = 0;

    // Copies between the two edit fields and wavePrefix/outputPath.
    virtual void exchange(Exchange direction) = 0;

    // Shows a notice and returns once the user has confirmed it.
    virtual void notify(const Notice& notice) = 0;

    // A file that the normal output passes over without a notice: its column line is missing or not one Kivo
    // reads, and `reason` says which. The window stays silent about it, as it always has,
    // so by default nothing happens; the command line tells why.
    virtual void passedOver(const std::string& /*displayName*/, const Reason& /*reason*/) {}

    // The window's values, bound to the wave-prefix and output-path fields by exchange().
    std::string wavePrefix;
    std::string outputPath;
    // One data folder per file, with units and notes, instead of the five concatenated waves.
    // A window reads its box into it with the fields, by exchange(FromControls), so that the
    // run takes the box as it stands when "Make itx" is pressed.
    bool detailed = false;
};

} // namespace kivo::core
