#include "core/detailed_reader.h"

#include "core/column_titles.h"
#include "core/file_system.h"
#include "core/row_splitter.h"

namespace kivo::core {

namespace {

constexpr std::string_view kHeaderLine = "[Header]";
constexpr std::string_view kDataLine = "[Data]";
constexpr std::string_view kOlderColumns = "Time,Comme";
constexpr std::string_view kTodayColumns = "Comment,Time Stamp (sec),";

bool isExactly(const Line& line, std::string_view expected) noexcept
{
    return line.complete && line.text == expected;
}

} // namespace

DetailedReader::DetailedReader(CodePage page) : m_page(page)
{
}

DetailedReader::~DetailedReader() = default;

bool DetailedReader::open(FileSystem& files, const std::string& path)
{
    std::unique_ptr<ByteSource> source = files.openRead(path);
    if (!source)
        return false;
    open(std::move(source));
    return true;
}

void DetailedReader::open(std::unique_ptr<ByteSource> source)
{
    m_lines.reset();
    m_source = std::move(source);
    m_lines.emplace(*m_source);
}

DetailedOutcome DetailedReader::readPreamble(std::vector<std::string>* header)
{
    Line line{};
    // The same decisions as the normal output's, in the same order.
    if (m_lines->next(line, kHeaderLine.size()) && !isExactly(line, kHeaderLine))
        return DetailedOutcome::NotSquid;
    std::size_t noted = 0;
    bool cut = false;
    for (;;) {
        const std::size_t room = header != nullptr && !cut ? kMaxHeaderBytes - noted : 0;
        if (!m_lines->next(line, std::max(room, kDataLine.size())))
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
    if (!m_lines->nextLine())
        return DetailedOutcome::PassedOver;
    // The column line: its first bytes decide the layout, and its titles the plan.
    std::string start;
    LinePiece piece{};
    bool textEnds = false;
    do {
        piece = m_lines->piece();
        const std::size_t nul = piece.bytes.find('\0');
        start.append(piece.bytes.substr(0, nul));
        textEnds = piece.lineEnds || nul != std::string_view::npos;
    } while (!textEnds && start.size() < kTodayColumns.size());
    RowLayout::Kind kind = RowLayout::Kind::Today;
    if (start.starts_with(kOlderColumns))
        kind = RowLayout::Kind::Older;
    else if (!start.starts_with(kTodayColumns))
        return DetailedOutcome::PassedOver;
    TitleMatcher titles(detailedTitles(kind), m_page, kind);
    bool more = titles.feed(start, textEnds);
    while (more && !piece.lineEnds) {
        piece = m_lines->piece();
        more = titles.feed(piece.bytes, piece.lineEnds);
    }
    std::optional<DetailedPlan> plan = detailedPlan(kind, titles.columns());
    if (!plan)
        return DetailedOutcome::PassedOver;
    m_plan = std::move(*plan);
    return DetailedOutcome::Rows;
}

bool DetailedReader::nextRow(std::span<std::string_view, kDetailedWaves> values)
{
    if (!m_lines->nextLine())
        return false;
    const bool twoByte = m_page == CodePage::Cp932;
    RowScan s;
    std::array<std::string_view, kDetailedSlots> fields{};
    LinePiece piece = m_lines->piece();
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
        piece = m_lines->piece();
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
    m_lines.reset();
    if (m_source) {
        std::unique_ptr<ByteSource> source = std::move(m_source);
        source->close();
    }
}

} // namespace kivo::core
