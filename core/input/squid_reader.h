#pragma once

#include "core/files/text.h"
#include "core/input/squid_file.h"
#include "core/waves/header_notes.h"
#include "core/waves/sample_facts.h"
#include "core/waves/wave_plan.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::core {

class ByteSource;
class FileSystem;

enum class PreambleOutcome { NotSquid, NoDataSection, NoColumnLine, ColumnMismatch, Rows };

// What the lines between "[Header]" and "[Data]" tell: the lines themselves, as far as they
// are kept, and the sample's facts from all of them.
struct FileHeader {
    HeaderNotes notes;
    SampleFacts facts;
};

// Reads one SQUID data file for either output: decides from its preamble whether it
// converts and by which wave plan, then hands out the value of each planned wave in every
// data row.
class SquidDataReader final {
public:
    // A header line longer than this tells no fact: the facts' lines are a few dozen bytes.
    static constexpr std::size_t kMaxFactLine = 4096;

    explicit SquidDataReader(CodePage page = systemCodePage(), OutputKind output = OutputKind::Normal);
    SquidDataReader(const SquidDataReader&) = delete;
    SquidDataReader& operator=(const SquidDataReader&) = delete;
    ~SquidDataReader();

    // Opens an existing regular file without sharing; false if missing, a directory or
    // held by another program.
    bool open(FileSystem& files, const std::string& path);
    // Reads from an already opened source (tests and fuzzers read from memory).
    void open(std::unique_ptr<ByteSource> source);

    // Consumes the lines up to and including the column line; with `header`, reads what the
    // header lines tell into it. Throws IoError (Read).
    PreambleOutcome readPreamble(FileHeader* header = nullptr);
    // After Rows: how the rows feed the waves.
    const WavePlan& plan() const noexcept { return m_plan; }
    // After Rows: reads the next rows by `plan` instead, one that WavePlan::only() made of
    // plan(), so that rows are read no further than its waves need.
    void usePlan(WavePlan plan);
    // After Rows: reads the next row, or gives false at the end of the file. Throws IoError
    // (Read).
    bool nextRow();
    // After nextRow() gave true: the value of wave k of plan() at k. A value is the bytes Igor
    // reads as a number (igor_number.h), or empty for one that is missing, holds a CR or a
    // tab, or is no number; the views stay valid until the next call of nextRow().
    std::span<const std::string_view> row() const noexcept { return {m_values.data(), m_waves}; }
    // Throws IoError (Close).
    void close();

private:
    // Reads a row whose line crosses read blocks, from its first piece.
    void readRowInPieces(LinePiece piece);
    // Puts the row's values in place once its fields are split: missing ones empty, the
    // moment pair's chosen (choosePair).
    void finishRow(std::uint32_t ended, std::uint32_t filled) noexcept;
    void choosePair(std::uint32_t ended, std::uint32_t filled) noexcept;

    CodePage m_page;
    OutputKind m_output;
    SquidFile m_file;
    WavePlan m_plan;
    // The plan's layout with each slot numbered by its value's place in m_values.
    RowLayout m_layout;
    std::uint32_t m_wavePlaces = 0; // the places that waves read
    // The moment pairs by place, in the plan's order; an error the layout lacks is -1.
    std::vector<std::pair<int, int>> m_pairs;
    std::size_t m_waves = 0;
    std::array<std::string_view, RowLayout::kMaxSlots> m_values{};
    std::array<std::string, RowLayout::kMaxSlots> m_held; // a row across read blocks
};

} // namespace kivo::core
