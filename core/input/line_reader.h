#pragma once

#include <cstddef>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace kivo::core {

class BackgroundTask;
class ByteSource;

struct Line {
    // The start of the line's text, at most the bytes asked for; valid until the next call.
    std::string_view text;
    bool complete;  // text is the whole line
};

// How many bytes after every piece may be read (never written): scans that take 16 to 64
// bytes at once load past a field near the end of a piece without a test for it. What those
// bytes hold is no part of the line.
inline constexpr std::size_t kScanSlack = 64;

// A stretch of a line as it stands in the input, valid until the next call. The line's
// text ends at its first NUL byte; a piece still holds that NUL and what follows it, so
// that the caller, which scans the bytes anyway, finds it in the same pass. At least
// kScanSlack readable bytes follow bytes.end() in every piece a LineReader hands out, an
// empty one too.
struct LinePiece {
    std::string_view bytes;
    bool lineEnds;  // the last piece of the line: its line end has been read
};

// Reads lines the way a C runtime's text mode does on Windows, on every platform: CR LF
// becomes a line feed, a lone CR stays, Ctrl-Z ends the input, a last line without a line
// end still counts, and a line's text ends at its first NUL byte. Reads large blocks and
// hands out views into them, so a steady stream of lines allocates nothing, and a line of
// any length is handed out in pieces of at most a block. Past its first two full blocks, a
// source is read a block ahead on a thread of its own: the reading of a large file then
// overlaps its scanning. The source is read by one thread at a time, and a read's error
// reaches the caller where the block it was reading is needed.
class LineReader final {
public:
    static constexpr std::size_t kBlockSize = 1024 * 1024;
    static constexpr std::size_t kWhole = std::numeric_limits<std::size_t>::max();

    explicit LineReader(ByteSource& source);
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;
    ~LineReader();

    // The next line's text, or false at the end of the input; at most `maxBytes` of it are
    // kept and the rest is skipped. Throws IoError (Read).
    bool next(Line& line, std::size_t maxBytes = kWhole);

    // Starts the next line, skipping what is left of the current one; false at the end of
    // the input. Throws IoError (Read).
    bool nextLine()
    {
        if (m_inLine)
            skipLine();
        if (m_pos == m_end && !fill())
            return false;
        m_inLine = true;
        return true;
    }
    // The next piece of the current line; the first one is the whole line whenever the
    // line lies in one block. Pieces may be empty. Throws IoError (Read).
    LinePiece piece()
    {
        // Inline for the line that lies whole in the block, which nearly every row does.
        if (m_inLine && !m_heldCr && m_pos != m_end) {
            const char* begin = m_block.get() + m_pos;
            if (const void* lf = std::memchr(begin, '\n', m_end - m_pos)) {
                const auto length = static_cast<std::size_t>(static_cast<const char*>(lf) - begin);
                m_pos += length + 1;
                m_inLine = false;
                return {std::string_view(begin, length > 0 && begin[length - 1] == '\r' ? length - 1 : length), true};
            }
        }
        return pieceAcrossBlocks();
    }
    // Skips what is left of the current line. Throws IoError (Read).
    void skipLine();

private:
    bool fill();
    // Starts reading the next block into m_spare, where a thread does so.
    void readAhead(bool fullBlock);
    LinePiece pieceAcrossBlocks();

    ByteSource& m_source;
    // kBlockSize bytes and kScanSlack after them. Not zero-filled: a small file touches only
    // the pages it reads into; each fill zeroes the kScanSlack bytes after what it read.
    std::unique_ptr<char[]> m_block;
    // Past two full blocks, a file is read a block ahead, into the spare block, while the
    // current one is scanned; m_ahead is declared after the blocks, so that it ends first.
    std::unique_ptr<char[]> m_spare;
    bool m_lastFull = false; // the block read last filled the block
    std::size_t m_aheadRead = 0;
    std::unique_ptr<BackgroundTask> m_ahead;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_sourceDone = false;
    bool m_inLine = false;   // a line has been started and its line end not yet read
    bool m_heldCr = false;   // a CR ended the last block: a line end if LF comes next
    std::string m_carry;     // the kept start of a line that next() gathers across blocks
};

} // namespace kivo::core
