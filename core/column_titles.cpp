#include "core/column_titles.h"

#include <algorithm>

namespace kivo::core {

TitleMatcher::TitleMatcher(std::span<const std::string_view> wanted, CodePage page)
    : m_wanted(wanted), m_page(page), m_columnOf(wanted.size(), kAbsent), m_missing(wanted.size())
{
    for (std::string_view title : wanted)
        m_longest = std::max(m_longest, title.size());
}

bool TitleMatcher::feed(std::string_view bytes, bool lineEnds)
{
    if (m_done)
        return false;
    for (char c : bytes) {
        if (c == '\0') {
            // The line's text ends here.
            lineEnds = true;
            break;
        }
        const auto byte = static_cast<unsigned char>(c);
        if (m_lead) {
            m_lead = false;
            if (byte >= 0x20) {
                add(c);
                continue;
            }
        }
        if (c == ',') {
            endTitle();
            if (allFound() || m_column == kMaxColumns) {
                m_done = true;
                return false;
            }
            continue;
        }
        m_lead = isLeadByte(byte, m_page);
        add(c);
    }
    if (lineEnds) {
        endTitle();
        m_done = true;
        return false;
    }
    return true;
}

void TitleMatcher::add(char c)
{
    // One byte past the longest title tells a longer title from it.
    if (m_title.size() <= m_longest)
        m_title.push_back(c);
}

void TitleMatcher::endTitle()
{
    for (std::size_t k = 0; k < m_wanted.size(); ++k) {
        if (m_columnOf[k] == kAbsent && m_title == m_wanted[k]) {
            m_columnOf[k] = m_column;
            --m_missing;
        }
    }
    ++m_column;
    m_title.clear();
    m_lead = false;
}

bool TitleMatcher::allFound() const noexcept
{
    return m_missing == 0;
}

std::vector<int> matchTitles(std::string_view line, std::span<const std::string_view> wanted, CodePage page)
{
    TitleMatcher matcher(wanted, page);
    matcher.feed(line, true);
    return matcher.columns();
}

} // namespace kivo::core
