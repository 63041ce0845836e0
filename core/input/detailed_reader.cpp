#include "core/input/detailed_reader.h"

#include "core/input/column_titles.h"
#include "core/files/file_system.h"
#include "core/input/row_splitter.h"

namespace kivo::core {

DetailedReader::DetailedReader(CodePage page) : m_page(page)
{
}

DetailedReader::~DetailedReader() = default;

bool DetailedReader::open(FileSystem& files, const std::string& path)
{
    return m_file.open(files, path);
}

void DetailedReader::open(std::unique_ptr<ByteSource> source)
{
    m_file.open(std::move(source));
}

DetailedOutcome DetailedReader::readPreamble(std::vector<std::string>* header)
{
    Line line{};
    // The same decisions as the normal output's, in the same order.
    if (m_file.lines().next(line, kHeaderLine.size()) && !isExactly(line, kHeaderLine))
        return DetailedOutcome::NotSquid;
    std::size_t noted = 0;
    bool cut = false;
    for (;;) {
        const std::size_t room = header != nullptr && !cut ? kMaxHeaderBytes - noted : 0;
        if (!m_file.lines().next(line, std::max(room, kDataLine.size())))
            return DetailedOutcome::NoDataSection;
        if (isExactly(line, kDataLine))
            break;
        if (room == 0)
            continue;
        if (!line.complete || line.text.size() > room) {
            cut = true;
            header->push_back("(the header goes on past " + std::to_string(kMaxHeaderBytes) + " bytes)");
            continue;
        }
        header->emplace_back(line.text);
        noted += line.text.size();
    }
    if (!m_file.lines().nextLine())
        return DetailedOutcome::PassedOver;
    // The column line: its first bytes decide the layout, and its titles the plan.
    ColumnStart start = readColumnStart(m_file.lines());
    const std::optional<RowLayout::Kind> kind = columnKind(start.text);
    if (!kind)
        return DetailedOutcome::PassedOver;
    TitleMatcher titles(detailedTitles(*kind), m_page, *kind);
    readTitles(titles, m_file.lines(), start);
    std::optional<DetailedPlan> plan = detailedPlan(*kind, titles.columns());
    if (!plan)
        return DetailedOutcome::PassedOver;
    m_plan = std::move(*plan);
    return DetailedOutcome::Rows;
}

bool DetailedReader::nextRow(std::span<std::string_view, kDetailedWaves> values)
{
    if (!m_file.lines().nextLine())
        return false;
    const bool twoByte = m_page == CodePage::Cp932;
    RowScan s;
    std::array<std::string_view, kDetailedSlots> fields{};
    LinePiece piece = m_file.lines().piece();
    if (piece.lineEnds) {
        // The line lies whole in the read block: its values are views into it.
        splitPiece(s, m_plan.layout, twoByte, piece,
                   [&fields](int slot, std::string_view bytes) { fields[static_cast<std::size_t>(slot)] = bytes; });
        detailedValues(m_plan, fields, s.filled, values);
        return true;
    }
    // The line crosses blocks: the needed fields are held as they pass, each only as far as
    // a value can be a number.
    for (std::string& held : m_held)
        held.clear();
    const auto hold = [this](int slot, std::string_view bytes) {
        std::string& held = m_held[static_cast<std::size_t>(slot)];
        if (held.size() <= kMaxValueBytes)
            held.append(bytes.substr(0, kMaxValueBytes + 1 - held.size()));
    };
    for (;;) {
        splitPiece(s, m_plan.layout, twoByte, piece, hold);
        if (piece.lineEnds || s.done)
            break;
        piece = m_file.lines().piece();
    }
    for (std::size_t slot = 0; slot < kDetailedSlots; ++slot) {
        // A field that never ended, or that holds a CR or a tab, is missing.
        const std::uint32_t bit = slotBit(static_cast<int>(slot));
        const std::string& held = m_held[slot];
        if ((s.ended & bit) != 0 && (s.unreadableSlots & bit) == 0 && held.size() <= kMaxValueBytes)
            fields[slot] = held;
    }
    detailedValues(m_plan, fields, s.filled, values);
    return true;
}

void DetailedReader::close()
{
    m_file.close();
}

} // namespace kivo::core
