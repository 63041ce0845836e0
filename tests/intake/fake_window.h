#pragma once

#include "core/host.h"
#include "intake/input_queue.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace kivo::test {

// A window with its two edit fields and its queue, recording every notice together with
// what the fields showed while it was open.
class FakeWindow final : public core::Host {
public:
    struct Shown {
        core::Notice notice;
        std::string prefixField;
        std::string outputField;
    };

    intake::InputQueue queue;
    std::string prefixField;
    std::string outputField;
    std::vector<Shown> shown;

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

    void notify(const core::Notice& notice) override { shown.push_back({notice, prefixField, outputField}); }

    std::vector<core::NoticeKind> noticeKinds() const
    {
        std::vector<core::NoticeKind> kinds;
        for (const Shown& s : shown)
            kinds.push_back(s.notice.kind);
        return kinds;
    }

    std::vector<core::QueueEntry> entries() const { return {queue.entries().begin(), queue.entries().end()}; }
};

} // namespace kivo::test
