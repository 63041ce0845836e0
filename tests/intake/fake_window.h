#pragma once

#include "core/host.h"
#include "intake/field_window.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace kivo::test {

// A window with its two edit fields and its queue, recording every notice together with
// what the fields showed while it was open.
class FakeWindow final : public intake::FieldWindow {
public:
    struct Shown {
        core::Notice notice;
        std::string prefixField;
        std::string outputField;
    };

    std::vector<Shown> shown;

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
