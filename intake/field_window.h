#pragma once

#include "core/run/host.h"
#include "intake/input_queue.h"

#include <cstddef>
#include <string>
#include <utility>

namespace kivo::intake {

// A window without a screen: its queue is the model alone and its two fields are plain
// strings. The command line is one; tests derive theirs from it to record what they see.
class FieldWindow : public core::Host {
public:
    InputQueue queue;
    std::string prefixField;
    std::string outputField;

    std::size_t queueCount() const override { return queue.count(); }
    core::QueueEntry queueFront() const override { return queue.front(); }
    core::QueueEntry queueEntry(std::size_t index) const override { return queue.at(index); }
    void queueRemoveFront() override { queue.removeFront(); }
    void queueAppend(core::QueueEntry entry) override { queue.append(std::move(entry)); }

    void exchange(core::Exchange direction) override
    {
        if (direction == core::Exchange::FromControls) {
            wavePrefix = prefixField;
            outputPath = outputField;
        } else {
            prefixField = wavePrefix;
            outputField = outputPath;
        }
    }
};

} // namespace kivo::intake
