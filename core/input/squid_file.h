#pragma once

// What both readers share of a SQUID data file: its source and lines, the lines that open
// its sections, and the start of its column line, which decides the layout of its rows.

#include "core/input/column_titles.h"
#include "core/input/line_reader.h"
#include "core/input/row_layout.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kivo::core {

class ByteSource;
class FileSystem;

inline constexpr std::string_view kHeaderLine = "[Header]";
inline constexpr std::string_view kDataLine = "[Data]";

// The source of one file and the lines read from it.
class SquidFile final {
public:
    SquidFile();
    SquidFile(const SquidFile&) = delete;
    SquidFile& operator=(const SquidFile&) = delete;
    ~SquidFile();

    // Opens an existing regular file without sharing; false if missing, a directory or
    // held by another program.
    bool open(FileSystem& files, const std::string& path);
    // Reads from an already opened source (tests and fuzzers read from memory).
    void open(std::unique_ptr<ByteSource> source);
    // After open().
    LineReader& lines() noexcept { return *m_lines; }
    // Throws IoError (Close).
    void close();

private:
    std::unique_ptr<ByteSource> m_source;
    std::optional<LineReader> m_lines;
};

// Whether `line` is the whole of `expected`.
bool isExactly(const Line& line, std::string_view expected) noexcept;

// The first bytes of the column line, as many as decide its layout, and where reading
// stopped: the titles go on from there.
struct ColumnStart {
    static constexpr std::size_t kBytes = 25; // "Comment,Time Stamp (sec),"

    std::string text; // up to kBytes, or to the end of the line's text
    LinePiece piece;  // the last piece read
    bool textEnds;    // the line's text ends within `text`
};

// Reads the start of the column line, the line after "[Data]". Throws IoError (Read).
ColumnStart readColumnStart(LineReader& lines);
// The layout the column line's start names, or none.
std::optional<RowLayout::Kind> columnKind(std::string_view start) noexcept;
// Feeds the column line's titles to `titles`, from its start on, until nothing more of the
// line can change them. Throws IoError (Read).
void readTitles(TitleMatcher& titles, LineReader& lines, ColumnStart& start);

} // namespace kivo::core
