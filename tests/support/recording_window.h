#pragma once

#include "core/run/host.h"
#include "core/run/notice.h"
#include "intake/field_window.h"

#include <string>
#include <vector>

namespace kivo::testing {

// A window without controls whose notices are recorded twice over: as they are in
// `notices`, and in `shown` with what the two fields showed while each was open. A test
// reads (and clears) one of the two.
class RecordingHost : public intake::FieldWindow {
public:
    struct Shown {
        core::Notice notice;
        std::string prefixField;
        std::string outputField;
    };

    std::vector<core::Notice> notices;
    std::vector<Shown> shown;

    void enqueue(const std::string& displayName, const std::string& fullPath) { queue.append({displayName, fullPath}); }

    void notify(const core::Notice& notice) override
    {
        notices.push_back(notice);
        shown.push_back({notice, prefixField, outputField});
    }

    // The kinds of the notices in `shown`.
    std::vector<core::NoticeKind> noticeKinds() const
    {
        std::vector<core::NoticeKind> kinds;
        for (const Shown& s : shown)
            kinds.push_back(s.notice.kind);
        return kinds;
    }

    std::vector<core::QueueEntry> entries() const { return {queue.entries().begin(), queue.entries().end()}; }
};

} // namespace kivo::testing
