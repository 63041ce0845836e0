#pragma once

#include "core/text.h"

#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace kivo::core {

class ByteSource;

// How much of a line the caller needs. The reader keeps at most that much of a line,
// whatever its length, and skips the rest without holding it.
struct LineKeep {
    std::size_t maxBytes = std::numeric_limits<std::size_t>::max();
    int maxCommas = std::numeric_limits<int>::max();  // keep up to and including this comma

    static constexpr LineKeep firstBytes(std::size_t n) { return {n, std::numeric_limits<int>::max()}; }
    static constexpr LineKeep upToComma(int n) { return {std::numeric_limits<std::size_t>::max(), n}; }
};

struct Line {
    // The start of the line's text, valid until the next call: with firstBytes(n) at most n
    // bytes, with upToComma(n) at least up to the n-th comma (the whole text if it has
    // fewer) and perhaps more, when the line lies in one block and the view costs nothing.
    std::string_view text;
    bool complete;  // text is the whole line
};

// Reads lines the way a C runtime's text mode does on Windows, on every platform: CR LF
// becomes a line feed, a lone CR stays, Ctrl-Z ends the input, a last line without a line
// end still counts, and a line's text ends at its first NUL byte. Reads large blocks and
// hands out views into them, so a steady stream of lines allocates nothing.
class LineReader final {
public:
    static constexpr std::size_t kBlockSize = 256 * 1024;

    LineReader(ByteSource& source, CodePage page);
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line, or false at the end of the input. Throws IoError (Read).
    bool next(Line& line, LineKeep keep = {});

private:
    bool fill();
    void keepPiece(std::string_view piece, LineKeep keep);

    ByteSource& m_source;
    CodePage m_page;
    // Not zero-filled: a small file touches only the pages it reads into.
    std::unique_ptr<char[]> m_block;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_sourceDone = false;

    // A line that crosses block boundaries is gathered here, only as far as it is kept.
    std::string m_carry;
    std::size_t m_rawLength = 0;
    std::size_t m_scanPos = 0;
    int m_commas = 0;
    bool m_keeping = true;
    char m_lastRaw = '\0';
};

} // namespace kivo::core
