#include "core/input/squid_reader.h"

#include "core/files/file_system.h"
#include "core/input/column_titles.h"
#include "core/input/row_splitter.h"
#include "core/waves/igor_number.h"

#include <algorithm>
#include <bit>

namespace kivo::core {

namespace {

// Deciding the preamble never needs more of a line than the column line's first bytes.
constexpr std::size_t kPreambleBytes = ColumnStart::kBytes;

} // namespace

SquidDataReader::SquidDataReader(CodePage page, OutputKind output) : m_page(page), m_output(output)
{
}

SquidDataReader::~SquidDataReader() = default;

bool SquidDataReader::open(FileSystem& files, const std::string& path)
{
    return m_file.open(files, path);
}

void SquidDataReader::open(std::unique_ptr<ByteSource> source)
{
    m_file.open(std::move(source));
}

PreambleOutcome SquidDataReader::readPreamble(FileHeader* header)
{
    Line line{};
    // An empty file has no first line to refuse; it goes on to look for "[Data]".
    if (m_file.lines().next(line, kPreambleBytes) && !isExactly(line, kHeaderLine))
        return PreambleOutcome::NotSquid;
    for (;;) {
        const std::size_t wanted = header == nullptr ? kPreambleBytes : std::max(header->notes.room(), kMaxFactLine);
        if (!m_file.lines().next(line, wanted))
            return PreambleOutcome::NoDataSection;
        if (isExactly(line, kDataLine))
            break;
        if (header == nullptr)
            continue;
        if (line.complete)
            header->facts.read(line.text);
        header->notes.add(line.text, line.complete);
    }
    if (!m_file.lines().nextLine())
        return PreambleOutcome::NoColumnLine;
    // The column line: its first bytes decide the layout, and its titles the plan.
    ColumnStart start = readColumnStart(m_file.lines());
    const std::optional<RowLayout::Kind> kind = columnKind(start.text);
    if (!kind)
        return PreambleOutcome::ColumnMismatch;
    const std::span<const std::string_view> wanted = plannedTitles(m_output, *kind);
    std::vector<int> columns;
    if (!wanted.empty()) {
        TitleMatcher titles(wanted, m_page, *kind);
        readTitles(titles, m_file.lines(), start);
        columns = titles.columns();
    }
    std::optional<WavePlan> plan = planWaves(m_output, *kind, columns);
    if (!plan)
        return PreambleOutcome::ColumnMismatch;
    usePlan(std::move(*plan));
    return PreambleOutcome::Rows;
}

void SquidDataReader::usePlan(WavePlan plan)
{
    m_plan = std::move(plan);
    m_waves = m_plan.waves.size();
    m_waveSlots = 0;
    for (std::size_t k = 0; k < m_waves; ++k) {
        const int slot = m_plan.waves[k].slot;
        m_placeOfSlot.at(static_cast<std::size_t>(slot)) = static_cast<std::uint8_t>(k);
        m_waveSlots |= slotBit(slot);
    }
    std::size_t next = m_waves;
    for (const RowLayout::Slot slot : m_plan.layout.slotOfColumn) {
        if (slot != RowLayout::kNone && (m_waveSlots & slotBit(slot)) == 0)
            m_placeOfSlot.at(static_cast<std::size_t>(slot)) = static_cast<std::uint8_t>(next++);
    }
}

bool SquidDataReader::nextRow()
{
    if (!m_file.lines().nextLine())
        return false;
    const LinePiece piece = m_file.lines().piece();
    if (!piece.lineEnds) {
        readRowInPieces(piece);
        return true;
    }
    // The line lies whole in the read block: the scan that finds each field's end judges it
    // too, and a value that is missing, unreadable or not ended by its comma is empty.
    RowScan s;
    splitPiece<FieldBytes::Judged>(s, m_plan.layout, m_page == CodePage::Cp932, piece,
                                   [this](int slot, std::string_view judged) {
                                       m_values[static_cast<std::size_t>(m_placeOfSlot[static_cast<std::size_t>(slot)])] =
                                           judged;
                                   });
    finishRow(s.ended, s.filled);
    return true;
}

void SquidDataReader::readRowInPieces(LinePiece piece)
{
    // The needed fields are held as they pass, each only as far as a value can be a number,
    // so that a row's memory stays bounded however long it is.
    for (std::string& held : m_held)
        held.clear();
    const auto hold = [this](int slot, std::string_view bytes) {
        std::string& held = m_held[static_cast<std::size_t>(slot)];
        if (held.size() <= kLongestValue)
            held.append(bytes.substr(0, kLongestValue + 1 - held.size()));
    };
    RowScan s;
    for (;;) {
        splitPiece(s, m_plan.layout, m_page == CodePage::Cp932, piece, hold);
        if (piece.lineEnds || s.done)
            break;
        piece = m_file.lines().piece();
    }
    for (std::uint32_t ended = s.ended; ended != 0; ended &= ended - 1) {
        // A field that holds a CR or a tab is missing.
        const int slot = std::countr_zero(ended);
        const std::string_view value = (s.unreadableSlots & slotBit(slot)) == 0
                                           ? igorNumber(m_held[static_cast<std::size_t>(slot)])
                                           : std::string_view();
        m_values[static_cast<std::size_t>(m_placeOfSlot[static_cast<std::size_t>(slot)])] = value;
    }
    finishRow(s.ended, s.filled);
}

void SquidDataReader::finishRow(std::uint32_t ended, std::uint32_t filled) noexcept
{
    // A wave whose field never ended (the row stops short of it) has no value in this row.
    for (std::uint32_t missing = m_waveSlots & ~ended; missing != 0; missing &= missing - 1)
        m_values[static_cast<std::size_t>(m_placeOfSlot[static_cast<std::size_t>(std::countr_zero(missing))])] = {};
    if (!m_plan.pairs.empty())
        choosePair(ended, filled);
}

void SquidDataReader::choosePair(std::uint32_t ended, std::uint32_t filled) noexcept
{
    const auto place = [this](int slot) { return static_cast<std::size_t>(m_placeOfSlot[static_cast<std::size_t>(slot)]); };
    std::string_view moment;
    std::string_view error;
    if (const std::pair<int, int>* pair = m_plan.pairOfRow(filled)) {
        moment = m_values[place(pair->first)];
        if ((ended & slotBit(pair->second)) != 0)
            error = m_values[place(pair->second)];
    }
    if (m_plan.momentWave >= 0)
        m_values[static_cast<std::size_t>(m_plan.momentWave)] = moment;
    if (m_plan.momentSDWave >= 0)
        m_values[static_cast<std::size_t>(m_plan.momentSDWave)] = error;
}

void SquidDataReader::close()
{
    m_file.close();
}

} // namespace kivo::core
