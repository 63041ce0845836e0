#pragma once

#include "core/input/row_layout.h"
#include "core/input/row_sink.h"
#include "core/input/squid_file.h"
#include "core/files/text.h"

#include <memory>
#include <optional>
#include <string>

namespace kivo::core {

class ByteSource;
class FileSystem;

enum class PreambleOutcome { NotSquid, NoDataSection, NoColumnLine, ColumnMismatch, Rows };

// Reads one SQUID data file: decides from its preamble whether it converts, and how, then
// hands out the values of every data row as the bytes they are.
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
    // After Rows: hands the next row to `sink`, or returns false at the end of the file.
    // A value holding a CR or a tab goes on as a missing one. Throws IoError (Read), and
    // what the sink throws.
    bool nextRow(RowSink& sink);
    // Throws IoError (Close).
    void close();

private:
    CodePage m_page;
    SquidFile m_file;
    RowLayout m_layout;
};

} // namespace kivo::core
