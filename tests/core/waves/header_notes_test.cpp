#include "core/waves/header_notes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kivo::core::HeaderNotes;

namespace {

// `times` lines of `bytes` bytes each.
struct Lines {
    std::size_t bytes;
    std::size_t times;
    bool complete = true;
};

struct NotesCase {
    const char* what;
    std::vector<Lines> header;
    std::size_t kept;
    std::string last; // the line after those kept, or empty
};

const std::string kPastBytes = "(the header goes on past 262144 bytes)";
const std::string kPastLines = "(the header goes on past 4096 lines)";

// Each line counts its bytes and one for its end: two of 131,071 bytes fill 262,144.
const NotesCase kCases[] = {
    {"exactly the most kept, then a blank line", {{131071, 2}, {0, 1}}, 2, kPastBytes},
    {"exactly the most kept, and the header ends", {{131071, 2}}, 2, ""},
    {"nothing after a line left out", {{131071, 1}, {131072, 1}, {1, 1}}, 1, kPastBytes},
    {"a line the reader cut", {{1, 1}, {10, 1, false}, {1, 1}}, 1, kPastBytes},
    {"as many lines as may be", {{0, 4096}}, 4096, ""},
    {"a million blank lines", {{0, 1000000}}, 4096, kPastLines},
};

TEST(HeaderNotes, LeavesOutWhatPassesTheMostAndSaysSo)
{
    for (const NotesCase& c : kCases) {
        HeaderNotes notes;
        std::size_t index = 0;
        for (const Lines& lines : c.header) {
            const std::string line(lines.bytes, 'x');
            for (std::size_t k = 0; k < lines.times; ++k) {
                // A reader asks for room() bytes of a line: a line that is kept must fit.
                if (index++ < c.kept) {
                    ASSERT_LE(line.size(), notes.room()) << c.what;
                }
                notes.add(line, lines.complete);
            }
        }
        const std::vector<std::string>& kept = notes.lines();
        ASSERT_EQ(kept.size(), c.kept + (c.last.empty() ? 0 : 1)) << c.what;
        if (!c.last.empty()) {
            EXPECT_EQ(kept.back(), c.last) << c.what;
        }
    }
}

} // namespace
