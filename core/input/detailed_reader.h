#pragma once

#include "core/waves/detailed_waves.h"
#include "core/input/squid_file.h"
#include "core/files/text.h"

#include <array>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::core {

class ByteSource;
class FileSystem;

enum class DetailedOutcome {
    NotSquid,      // the first line is not "[Header]"
    NoDataSection, // no "[Data]" line
    PassedOver,    // no column line, or none with the titles the detailed waves need
    Rows,          // plan() says how the rows feed the waves
};

// Reads one SQUID data file for the detailed output: its header lines, the plan its column
// titles give (detailed_waves.h), then the value of each wave in every data row, split by
// the same rules as the normal output's rows.
class DetailedReader final {
public:
    // Header lines are noted up to this many bytes in all: an instrument writes a few
    // kilobytes, and a crafted header must not fill the memory.
    static constexpr std::size_t kMaxHeaderBytes = 256 * 1024;
    // A value this long is no number an instrument writes; a longer one is not held.
    static constexpr std::size_t kMaxValueBytes = 4096;

    explicit DetailedReader(CodePage page = systemCodePage());
    DetailedReader(const DetailedReader&) = delete;
    DetailedReader& operator=(const DetailedReader&) = delete;
    ~DetailedReader();

    // False if the file cannot be opened (missing, a directory, held by another program).
    bool open(FileSystem& files, const std::string& path);
    // Reads from an already opened source (tests read from memory).
    void open(std::unique_ptr<ByteSource> source);

    // Consumes the lines up to and including the column line. With `header`, appends to it
    // the lines between "[Header]" and "[Data]" as they stand, and one line saying so when
    // they pass kMaxHeaderBytes. Throws IoError (Read).
    DetailedOutcome readPreamble(std::vector<std::string>* header = nullptr);
    // After Rows: how the rows feed the waves.
    const DetailedPlan& plan() const noexcept { return m_plan; }
    // After Rows: reads no more of the rows than `waves` need.
    void narrow(WaveSet waves) { m_plan = m_plan.only(waves); }
    // After Rows: the value of each wave in the next row, or false at the end of the file.
    // The views stay valid until the next call; a value that is missing, holds a CR or a
    // tab, or is longer than kMaxValueBytes is empty. Throws IoError (Read).
    bool nextRow(std::span<std::string_view, kDetailedWaves> values);
    // Throws IoError (Close).
    void close();

private:
    CodePage m_page;
    SquidFile m_file;
    DetailedPlan m_plan;
    std::array<std::string, kDetailedSlots> m_held; // a row across read blocks
};

} // namespace kivo::core
