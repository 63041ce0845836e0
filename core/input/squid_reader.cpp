#include "core/input/squid_reader.h"

#include "core/input/column_titles.h"
#include "core/files/file_system.h"
#include "core/input/row_splitter.h"

namespace kivo::core {

namespace {

// Deciding the preamble never needs more of a line than the column line's first bytes.
constexpr std::size_t kPreambleBytes = ColumnStart::kBytes;

// The slot each wave takes its value from once a row split in pieces has ended: a field
// that never ended, or that holds a CR or a tab, is missing.
std::array<int, 5> heldWaveSlots(const RowScan& s, const RowLayout& layout) noexcept
{
    std::array<int, 5> slots = layout.waveSlots(s.filled);
    for (int& slot : slots) {
        if (slot != RowSink::kMissing && ((s.ended & slotBit(slot)) == 0 || (s.unreadableSlots & slotBit(slot)) != 0))
            slot = RowSink::kMissing;
    }
    return slots;
}

} // namespace

SquidDataReader::SquidDataReader(CodePage page) : m_page(page), m_layout(RowLayout::older())
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

PreambleOutcome SquidDataReader::readPreamble()
{
    Line line{};
    // An empty file has no first line to refuse; it goes on to look for "[Data]".
    if (m_file.lines().next(line, kPreambleBytes) && !isExactly(line, kHeaderLine))
        return PreambleOutcome::NotSquid;
    for (;;) {
        if (!m_file.lines().next(line, kPreambleBytes))
            return PreambleOutcome::NoDataSection;
        if (isExactly(line, kDataLine))
            break;
    }
    if (!m_file.lines().nextLine())
        return PreambleOutcome::NoColumnLine;
    // The column line: its first bytes decide the layout, and today's layout reads on.
    ColumnStart start = readColumnStart(m_file.lines());
    const std::optional<RowLayout::Kind> kind = columnKind(start.text);
    if (kind == RowLayout::Kind::Older) {
        m_layout = RowLayout::older();
        return PreambleOutcome::Rows;
    }
    if (!kind)
        return PreambleOutcome::ColumnMismatch;
    TitleMatcher titles(kTodayTitles, m_page, RowLayout::Kind::Today);
    readTitles(titles, m_file.lines(), start);
    std::optional<RowLayout> layout = RowLayout::today(titles.columns());
    if (!layout)
        return PreambleOutcome::ColumnMismatch;
    m_layout = std::move(*layout);
    return PreambleOutcome::Rows;
}

bool SquidDataReader::nextRow(RowSink& sink)
{
    if (!m_file.lines().nextLine())
        return false;
    const bool twoByte = m_page == CodePage::Cp932;
    RowScan s;
    LinePiece piece = m_file.lines().piece();
    if (piece.lineEnds) {
        // The line lies whole in the read block: its values are views into it, and a value
        // that is missing, unreadable or not ended by its comma is an empty one.
        std::array<std::string_view, RowSink::kHeldSlots> fields{};
        splitPiece(s, m_layout, twoByte, piece,
                   [&fields](int slot, std::string_view bytes) { fields[static_cast<std::size_t>(slot)] = bytes; });
        const std::array<int, 5> slots = m_layout.waveSlots(s.filled);
        RowValues row;
        for (std::size_t k = 0; k < row.size(); ++k)
            row[k] = slots[k] == RowSink::kMissing ? std::string_view() : fields[static_cast<std::size_t>(slots[k])];
        sink.writeRow(row);
        return true;
    }
    // The line crosses blocks: the sink holds the needed fields as they pass.
    const auto hold = [&sink](int slot, std::string_view bytes) { sink.holdValue(slot, bytes); };
    for (;;) {
        splitPiece(s, m_layout, twoByte, piece, hold);
        if (piece.lineEnds || s.done)
            break;
        piece = m_file.lines().piece();
    }
    sink.writeHeldRow(heldWaveSlots(s, m_layout));
    return true;
}

void SquidDataReader::close()
{
    m_file.close();
}

} // namespace kivo::core
