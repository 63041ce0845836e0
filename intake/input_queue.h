#pragma once

#include "core/run/host.h"

#include <cstddef>
#include <deque>
#include <utility>

namespace kivo::intake {

// The files waiting for the next conversion run, in arrival order. Not sorted; the same
// file may stand in it twice.
class InputQueue final {
public:
    std::size_t count() const noexcept { return m_entries.size(); }
    bool empty() const noexcept { return m_entries.empty(); }
    // Precondition: !empty().
    const core::QueueEntry& front() const { return m_entries.front(); }
    // Precondition: index < count().
    const core::QueueEntry& at(std::size_t index) const { return m_entries[index]; }
    // Precondition: !empty().
    void removeFront() { m_entries.pop_front(); }
    void append(core::QueueEntry entry) { m_entries.push_back(std::move(entry)); }
    const std::deque<core::QueueEntry>& entries() const noexcept { return m_entries; }

private:
    std::deque<core::QueueEntry> m_entries;
};

} // namespace kivo::intake
