#pragma once

#include "core/input/row_layout.h"
#include "core/files/text.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::core {

// Finds the columns of the wanted titles in a column line handed over piece by piece. The
// line is split as the rows of its layout are: at commas, found double-byte aware, and in
// today's layout not at those inside a quoted stretch; the text after the last comma is a
// title too, and the line's text ends at its first NUL. A title is wanted only as it stands,
// byte for byte (quotes included); of a title given twice the first counts.
class TitleMatcher {
public:
    static constexpr int kAbsent = -1;
    // A layout holds a few bytes per column up to the last one it needs. Instruments write up
    // to about a hundred columns; titles past this many are not looked at, so that a crafted
    // column line cannot make a layout grow without bound.
    static constexpr int kMaxColumns = 65536;

    // `wanted` must outlive the matcher.
    TitleMatcher(std::span<const std::string_view> wanted, CodePage page, RowLayout::Kind kind);

    // Reads on in the line; false once nothing more of it can change the columns.
    bool feed(std::string_view bytes, bool lineEnds);
    // The column of each wanted title, in the order given, or kAbsent.
    const std::vector<int>& columns() const noexcept { return m_columnOf; }

private:
    void add(char c);
    void endTitle();
    bool allFound() const noexcept;

    std::span<const std::string_view> m_wanted;
    CodePage m_page;
    bool m_quotes;
    std::size_t m_longest = 0;
    std::vector<int> m_columnOf;
    std::size_t m_missing;
    std::string m_title;
    int m_column = 0;
    bool m_lead = false;
    bool m_begun = false;  // the title in progress has a byte
    bool m_quoted = false; // inside a quoted stretch
    bool m_closed = false; // the last byte closed a quoted stretch
    bool m_done = false;
};

// The columns of `wanted` in a whole column line.
std::vector<int> matchTitles(std::string_view line, std::span<const std::string_view> wanted, CodePage page,
                             RowLayout::Kind kind);

} // namespace kivo::core
