#include "core/input/column_titles.h"

#include <algorithm>

namespace kivo::core {

TitleMatcher::TitleMatcher(std::span<const std::string_view> wanted, CodePage page, RowLayout::Kind kind)
    : m_wanted(wanted)
    , m_page(page)
    , m_quotes(kind == RowLayout::Kind::Today)
    , m_columnOf(wanted.size(), kAbsent)
    , m_missing(wanted.size())
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
            if (isTrailByte(byte)) {
                add(c);
                continue;
            }
        }
        if (m_quotes && c == '"') {
            // The rows' rule: a quote opens a stretch as a title's first byte or right after
            // the quote that closed one, closes it inside one, and is a byte anywhere else.
            if (m_quoted) {
                m_quoted = false;
                m_closed = true;
            } else if (!m_begun || m_closed) {
                m_quoted = true;
                m_closed = false;
            }
            m_begun = true;
            add(c);
            continue;
        }
        m_closed = false;
        if (c == ',' && !m_quoted) {
            endTitle();
            if (allFound() || m_column == kMaxColumns) {
                m_done = true;
                return false;
            }
            continue;
        }
        m_lead = isLeadByte(byte, m_page);
        m_begun = true;
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
    m_begun = false;
    m_quoted = false;
    m_closed = false;
}

bool TitleMatcher::allFound() const noexcept
{
    return m_missing == 0;
}

std::vector<int> matchTitles(std::string_view line, std::span<const std::string_view> wanted, CodePage page,
                             RowLayout::Kind kind)
{
    TitleMatcher matcher(wanted, page, kind);
    matcher.feed(line, true);
    return matcher.columns();
}

} // namespace kivo::core
