#pragma once

#include "core/line_reader.h"
#include "core/text.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kivo::core {

class ByteSource;
class FileSystem;

enum class PreambleOutcome { NotSquid, NoDataSection, NoColumnLine, ColumnMismatch, Rows };

// The five values of a data row, in wave order: time, field, temperature, moment and
// moment standard deviation. Views into the reader's buffer, valid until the next row.
using RowValues = std::array<std::string_view, 5>;

// Splits a data row: fields 1, 3, 4, 5 and 6, each taken only when a comma follows it, so
// the text after the last comma is never used and missing fields are empty. A field
// holding a CR or a tab is handed on empty: Igor could not read it as one item.
RowValues splitRow(std::string_view line, CodePage page) noexcept;

// Reads one SQUID data file: decides from its preamble whether it converts, then hands
// out the values of every data row as the bytes they are.
class SquidDataReader final {
public:
    explicit SquidDataReader(CodePage page = systemCodePage());
    SquidDataReader(const SquidDataReader&) = delete;
    SquidDataReader& operator=(const SquidDataReader&) = delete;
    ~SquidDataReader();

    // Opens an existing regular file without sharing; false if missing, a directory or
    // held by another program.
    bool open(FileSystem& files, const std::string& path);
    // Reads from an already opened source (tests and fuzzers read from memory).
    void open(std::unique_ptr<ByteSource> source);

    // Consumes the lines up to and including the column line. Throws IoError (Read).
    PreambleOutcome readPreamble();
    // After Rows: the next row, or false at the end of the file. Throws IoError (Read).
    bool nextRow(RowValues& row);
    // Throws IoError (Close).
    void close();

private:
    CodePage m_page;
    std::unique_ptr<ByteSource> m_source;
    std::optional<LineReader> m_lines;
};

} // namespace kivo::core
