#include "core/waves/header_notes.h"

namespace kivo::core {

void HeaderNotes::add(std::string_view line, bool complete)
{
    if (m_cut)
        return;
    if (complete && m_lines.size() < kMaxLines && line.size() + 1 <= kMaxBytes - m_bytes) {
        m_lines.emplace_back(line);
        m_bytes += line.size() + 1;
        return;
    }
    m_cut = true;
    m_lines.push_back(m_lines.size() < kMaxLines
                          ? "(the header goes on past " + std::to_string(kMaxBytes) + " bytes)"
                          : "(the header goes on past " + std::to_string(kMaxLines) + " lines)");
}

std::size_t HeaderNotes::room() const noexcept
{
    if (m_cut || m_lines.size() == kMaxLines || m_bytes == kMaxBytes)
        return 0;
    return kMaxBytes - m_bytes - 1;
}

} // namespace kivo::core
