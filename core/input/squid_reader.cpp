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
    // Each slot's place in m_values: a wave's slot at the wave's place, the other slots (the
    // moment pairs' that stand in for the long moment) after the waves.
    std::array<int, RowLayout::kMaxSlots> placeOfSlot;
    placeOfSlot.fill(-1);
    for (std::size_t k = 0; k < m_waves; ++k)
        placeOfSlot.at(static_cast<std::size_t>(m_plan.waves[k].slot)) = static_cast<int>(k);
    int places = static_cast<int>(m_waves);
    const std::vector<RowLayout::Slot>& slotOfColumn = m_plan.layout.slotOfColumn;
    for (const RowLayout::Slot slot : slotOfColumn) {
        if (slot != RowLayout::kNone && placeOfSlot.at(static_cast<std::size_t>(slot)) < 0)
            placeOfSlot.at(static_cast<std::size_t>(slot)) = places++;
    }
    // The reader's own layout numbers its slots by those places, so that the splitter puts
    // each value where row() hands it out.
    std::vector<int> columnOfPlace(static_cast<std::size_t>(places), -1);
    for (std::size_t column = 0; column < slotOfColumn.size(); ++column) {
        if (const RowLayout::Slot slot = slotOfColumn[column]; slot != RowLayout::kNone)
            columnOfPlace[static_cast<std::size_t>(placeOfSlot.at(static_cast<std::size_t>(slot)))] = static_cast<int>(column);
    }
    m_layout = RowLayout::fromColumns(columnOfPlace, m_plan.layout.kind);
    m_wavePlaces = m_waves >= 32 ? ~std::uint32_t{0} : slotBit(static_cast<int>(m_waves)) - 1;
    m_pairs.clear();
    for (const auto& [moment, error] : m_plan.pairs) {
        // A pair whose moment the layout does not hold is never a row's.
        const int at = placeOfSlot.at(static_cast<std::size_t>(moment));
        if (at >= 0)
            m_pairs.push_back({at, placeOfSlot.at(static_cast<std::size_t>(error))});
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
    splitPiece<FieldBytes::Judged>(s, m_layout, m_page == CodePage::Cp932, piece,
                                   [this](int place, std::string_view judged) {
                                       m_values[static_cast<std::size_t>(place)] = judged;
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
    const auto hold = [this](int place, std::string_view bytes) {
        std::string& held = m_held[static_cast<std::size_t>(place)];
        if (held.size() <= kLongestValue)
            held.append(bytes.substr(0, kLongestValue + 1 - held.size()));
    };
    RowScan s;
    for (;;) {
        splitPiece(s, m_layout, m_page == CodePage::Cp932, piece, hold);
        if (piece.lineEnds || s.done)
            break;
        piece = m_file.lines().piece();
    }
    for (std::uint32_t ended = s.ended; ended != 0; ended &= ended - 1) {
        // A field that holds a CR or a tab is missing.
        const int place = std::countr_zero(ended);
        m_values[static_cast<std::size_t>(place)] = (s.unreadableSlots & slotBit(place)) == 0
                                                        ? igorNumber(m_held[static_cast<std::size_t>(place)])
                                                        : std::string_view();
    }
    finishRow(s.ended, s.filled);
}

void SquidDataReader::finishRow(std::uint32_t ended, std::uint32_t filled) noexcept
{
    // A wave whose field never ended (the row stops short of it) has no value in this row.
    for (std::uint32_t missing = m_wavePlaces & ~ended; missing != 0; missing &= missing - 1)
        m_values[static_cast<std::size_t>(std::countr_zero(missing))] = {};
    if (!m_plan.pairs.empty())
        choosePair(ended, filled);
}

void SquidDataReader::choosePair(std::uint32_t ended, std::uint32_t filled) noexcept
{
    std::string_view moment;
    std::string_view error;
    for (const auto& [momentAt, errorAt] : m_pairs) {
        if ((filled & slotBit(momentAt)) != 0) {
            moment = m_values[static_cast<std::size_t>(momentAt)];
            if (errorAt >= 0 && (ended & slotBit(errorAt)) != 0)
                error = m_values[static_cast<std::size_t>(errorAt)];
            break;
        }
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
