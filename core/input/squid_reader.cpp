#include "core/input/squid_reader.h"

#include "core/files/file_system.h"
#include "core/input/column_titles.h"
#include "core/input/row_splitter.h"
#include "core/waves/igor_number.h"

#include <algorithm>

namespace kivo::core {

namespace {

// Deciding the preamble never needs more of a line than the column line's first bytes.
constexpr std::size_t kPreambleBytes = ColumnStart::kBytes;

using Fields = std::array<std::string_view, RowLayout::kMaxSlots>;

// The value of each planned wave, from the judged fields of a row by slot.
void waveValues(const WavePlan& plan, const Fields& fields, std::uint32_t filled, std::span<std::string_view> values)
{
    std::array<int, RowLayout::kMaxSlots> slots{};
    plan.rowSlots(filled, slots);
    for (std::size_t k = 0; k < plan.waves.size(); ++k) {
        const int slot = slots[k];
        values[k] = slot < 0 ? std::string_view() : fields[static_cast<std::size_t>(slot)];
    }
}

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
    m_plan = std::move(*plan);
    return PreambleOutcome::Rows;
}

bool SquidDataReader::nextRow(std::span<std::string_view> values)
{
    if (!m_file.lines().nextLine())
        return false;
    const bool twoByte = m_page == CodePage::Cp932;
    RowScan s;
    Fields fields{};
    LinePiece piece = m_file.lines().piece();
    if (piece.lineEnds) {
        // The line lies whole in the read block: the scan that finds each field's end judges
        // it too, and a value that is missing, unreadable or not ended by its comma is empty.
        splitPiece<FieldBytes::Judged>(
            s, m_plan.layout, twoByte, piece,
            [&fields](int slot, std::string_view judged) { fields[static_cast<std::size_t>(slot)] = judged; });
        waveValues(m_plan, fields, s.filled, values);
        return true;
    }
    // The line crosses blocks: the needed fields are held as they pass, each only as far as
    // a value can be a number, so that a row's memory stays bounded however long it is.
    for (std::string& held : m_held)
        held.clear();
    const auto hold = [this](int slot, std::string_view bytes) {
        std::string& held = m_held[static_cast<std::size_t>(slot)];
        if (held.size() <= kLongestValue)
            held.append(bytes.substr(0, kLongestValue + 1 - held.size()));
    };
    for (;;) {
        splitPiece(s, m_plan.layout, twoByte, piece, hold);
        if (piece.lineEnds || s.done)
            break;
        piece = m_file.lines().piece();
    }
    for (std::size_t slot = 0; slot < m_held.size(); ++slot) {
        // A field that never ended, or that holds a CR or a tab, is missing.
        const std::uint32_t bit = slotBit(static_cast<int>(slot));
        if ((s.ended & bit) != 0 && (s.unreadableSlots & bit) == 0)
            fields[slot] = igorNumber(m_held[slot]);
    }
    waveValues(m_plan, fields, s.filled, values);
    return true;
}

void SquidDataReader::close()
{
    m_file.close();
}

} // namespace kivo::core
