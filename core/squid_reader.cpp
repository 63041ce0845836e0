#include "core/squid_reader.h"

#include "core/file_system.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kivo::core {

namespace {

constexpr std::string_view kHeaderLine = "[Header]";
constexpr std::string_view kDataLine = "[Data]";
constexpr std::string_view kOlderColumns = "Time,Comme";
constexpr std::string_view kTodayColumns = "Comment,Time Stamp (sec),";

// Deciding the preamble never needs more of a line than the column line's first bytes.
constexpr std::size_t kPreambleBytes = kTodayColumns.size();

// The titles of today's instruments that feed the waves, by slot. The moment comes from
// the first pair whose moment a row holds: the moment of VSM mode, else the fitted moment
// of DC scan mode, whose free-centre fit is the one analysis tools in the field use.
constexpr std::array<std::string_view, RowSink::kHeldSlots> kTitles = {
    "Time Stamp (sec)",         "Magnetic Field (Oe)",         "Temperature (K)", "Moment (emu)",
    "M. Std. Err. (emu)",       "DC Moment Free Ctr (emu)",    "DC Moment Err Free Ctr (emu)",
};
constexpr std::size_t kLongestTitle = [] {
    std::size_t longest = 0;
    for (std::string_view title : kTitles)
        longest = std::max(longest, title.size());
    return longest;
}();

// A row's layout holds a few bytes per column up to the last one it needs. Instruments write
// up to about a hundred columns; titles past this many are not looked at, so that a crafted
// column line cannot make the layout grow without bound.
constexpr int kMaxColumns = 65536;

bool isExactly(const Line& line, std::string_view expected) noexcept
{
    return line.complete && line.text == expected;
}

constexpr unsigned bit(int slot) noexcept
{
    return 1u << static_cast<unsigned>(slot);
}

// Splits the titles of a column line, piece by piece: the texts between its commas, which
// are found double-byte aware; the text after the last comma is a title too.
class TitleScan {
public:
    explicit TitleScan(CodePage page) : m_page(page) { m_columnOf.fill(-1); }

    // False once nothing more of the line can change the answer.
    bool feed(std::string_view bytes, bool lineEnds)
    {
        for (char c : bytes) {
            if (c == '\0')
                return finish();  // the line's text ends here
            const auto byte = static_cast<unsigned char>(c);
            if (m_lead) {
                m_lead = false;
                if (byte >= 0x20) {
                    add(c);
                    continue;
                }
            }
            if (c == ',') {
                endTitle();
                if (allFound() || m_column == kMaxColumns)
                    return false;
                continue;
            }
            m_lead = isLeadByte(byte, m_page);
            add(c);
        }
        if (lineEnds)
            return finish();
        return true;
    }

    // The layout the titles give, if the file converts.
    std::optional<RowLayout> layout() const
    {
        auto has = [&](int slot) { return m_columnOf[static_cast<std::size_t>(slot)] >= 0; };
        const bool firstPair = has(RowLayout::Moment) && has(RowLayout::MomentSD);
        const bool dcPair = has(RowLayout::DcMoment) && has(RowLayout::DcMomentSD);
        if (!has(RowLayout::Time) || !has(RowLayout::Field) || !has(RowLayout::Temperature) || !(firstPair || dcPair))
            return std::nullopt;
        RowLayout layout;
        layout.today = true;
        for (int slot = 0; slot < RowSink::kHeldSlots; ++slot) {
            // A pair counts only with both of its titles.
            if ((slot == RowLayout::Moment || slot == RowLayout::MomentSD) && !firstPair)
                continue;
            if ((slot == RowLayout::DcMoment || slot == RowLayout::DcMomentSD) && !dcPair)
                continue;
            const int column = m_columnOf[static_cast<std::size_t>(slot)];
            if (static_cast<std::size_t>(column) >= layout.slotOfColumn.size())
                layout.slotOfColumn.resize(static_cast<std::size_t>(column) + 1, RowLayout::None);
            layout.slotOfColumn[static_cast<std::size_t>(column)] = static_cast<RowLayout::Slot>(slot);
        }
        layout.measureRuns();
        return layout;
    }

private:
    void add(char c)
    {
        // One byte past the longest title tells a longer title from it.
        if (m_title.size() <= kLongestTitle)
            m_title.push_back(c);
    }

    void endTitle()
    {
        for (std::size_t slot = 0; slot < kTitles.size(); ++slot) {
            // When a title occurs twice, the first counts.
            if (m_columnOf[slot] < 0 && m_title == kTitles[slot])
                m_columnOf[slot] = m_column;
        }
        ++m_column;
        m_title.clear();
        m_lead = false;
    }

    bool finish()
    {
        endTitle();
        return false;
    }

    bool allFound() const
    {
        return std::none_of(m_columnOf.begin(), m_columnOf.end(), [](int c) { return c < 0; });
    }

    CodePage m_page;
    std::array<int, RowSink::kHeldSlots> m_columnOf{};
    std::string m_title;
    int m_column = 0;
    bool m_lead = false;
};

// The state of a row being split, carried from one piece of its line to the next.
struct RowScan {
    std::size_t column = 0;  // the column whose bytes come next
    bool quoted = false;     // inside a quoted stretch
    bool lead = false;       // a lead byte ended the last piece: its second byte comes next
    bool unreadable = false; // the field in progress holds a CR or a tab
    bool held = false;       // the field in progress has handed on bytes already
    bool done = false;       // the row needs nothing more of its line
    unsigned ended = 0;      // slots whose field has ended
    unsigned filled = 0;     // slots whose field is not empty
    unsigned unreadableSlots = 0;
};

struct Skipped {
    const char* p;       // just after the last comma passed, or where the piece or text ended
    std::size_t passed;  // commas passed
    bool textEnded;      // the line's text ended at a NUL, at p
};

// Passes up to `count` commas that end columns no wave needs, from `p` on: all of them, or
// fewer when the piece ends or the line's text ends at a NUL. Today's rows carry
// dozens of such columns, mostly empty, so it counts the commas of sixteen bytes a round
// wherever they hold no quote, NUL or (under CP932) byte that may start a character.
template <bool Quotes>
Skipped skipColumns(RowScan& s, const char* p, const char* end, std::size_t count, bool twoByte) noexcept
{
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighs = 0x8080808080808080u;
    constexpr std::uint64_t kLows = 0x7F7F7F7F7F7F7F7Fu;
    constexpr std::uint64_t kCommas = kOnes * static_cast<unsigned char>(',');
    // Whether a word holds a byte that a count of its commas must not pass over: a NUL, a
    // quote, a byte that may start a two-byte character. One test takes every byte below
    // 0x23 (the quote) and every byte from 0x80 on, so a blank, a control byte or any
    // non-ASCII byte is passed a byte at a time too; numbers, the bulk, are not.
    constexpr std::uint64_t kBelow = kOnes * (Quotes ? 0x23u : 0x01u);
    const auto special = [](std::uint64_t word) noexcept { return (((word - kBelow) & ~word) | word) & kHighs; };
    // Exactly the comma bytes of a word that holds no special byte, one bit each: every byte
    // is below 0x80, so its difference from a comma is too, and adding 0x7F to it carries
    // into the byte's high bit, never beyond, unless the difference is zero.
    const auto commasOf = [](std::uint64_t word) noexcept { return (~((word ^ kCommas) + kLows) & kHighs) >> 7; };
    // One bit per comma byte: a multiply adds them up without a popcount instruction,
    // which the baseline processor may lack.
    const auto countOf = [](std::uint64_t commas) noexcept { return static_cast<std::size_t>((commas * kOnes) >> 56); };
    std::size_t passed = 0;
    // An empty column, such as the comment of nearly every row, costs one byte.
    if (!(Quotes && s.quoted) && p != end && *p == ',') {
        ++p;
        ++passed;
    }
    while (passed < count) {
        if (std::endian::native == std::endian::little && !(Quotes && s.quoted)) {
            // Sixteen bytes at a time while no comma that ends the run is among them.
            while (end - p >= 16) {
                std::uint64_t a;
                std::uint64_t b;
                std::memcpy(&a, p, sizeof a);
                std::memcpy(&b, p + 8, sizeof b);
                if ((special(a) | special(b)) != 0)
                    break;
                const std::size_t n = countOf(commasOf(a) + commasOf(b));
                if (passed + n >= count)
                    break;
                passed += n;
                p += 16;
            }
            std::uint64_t word;
            if (end - p >= 8 && (std::memcpy(&word, p, sizeof word), special(word) == 0)) {
                std::uint64_t commas = commasOf(word);
                const std::size_t n = countOf(commas);
                if (passed + n < count) {
                    passed += n;
                    p += 8;
                    continue;
                }
                for (std::size_t k = count - passed; k > 1; --k)
                    commas &= commas - 1;
                return {p + std::countr_zero(commas) / 8 + 1, count, false};
            }
        }
        if (p == end)
            break;
        // A byte at a time through quotes, NULs, two-byte characters and the last bytes.
        const char c = *p;
        if (c == '\0')
            return {p, passed, true};
        if (Quotes && c == '"') {
            s.quoted = !s.quoted;
        } else if (c == ',' && !(Quotes && s.quoted)) {
            ++passed;
        } else if (twoByte && isLeadByte(static_cast<unsigned char>(c), CodePage::Cp932)) {
            if (p + 1 == end) {
                s.lead = true;
                ++p;
                break;
            }
            if (static_cast<unsigned char>(p[1]) >= 0x20)
                ++p;
        }
        ++p;
    }
    return {p, passed, false};
}

// Splits one piece of a row's line, handing the bytes of every needed field to `out(slot,
// bytes)`: a field that lies in the piece in one call, a field that goes on in the next
// piece in one call per piece. A field ends at a comma, or (today's layout) at the end of
// the line's text; the row is done once the last needed column has ended.
template <bool Quotes, class Out>
void scanPiece(RowScan& s, const RowLayout& layout, bool twoByte, std::string_view piece, bool lineEnds, Out&& out)
{
    const char* p = piece.data();
    const char* end = p + piece.size();
    const char* start = p;
    // Kept in locals: the compiler cannot tell that the values stored on the way leave the
    // layout's arrays alone, and would load their addresses again for every field.
    const std::size_t columns = layout.slotOfColumn.size();
    const RowLayout::Slot* const slotOf = layout.slotOfColumn.data();
    const std::uint32_t* const runOf = layout.unneededRun.data();
    auto endField = [&](const char* at) {
        const int slot = slotOf[s.column];
        if (slot != RowLayout::None) {
            // An unreadable value's last bytes are not handed on: a row in one piece then
            // holds it empty, and a row in pieces drops what was held of it.
            if (at != start && !s.unreadable)
                out(slot, std::string_view(start, static_cast<std::size_t>(at - start)));
            if (at != start || s.held)
                s.filled |= bit(slot);
            if (s.unreadable)
                s.unreadableSlots |= bit(slot);
            s.ended |= bit(slot);
        }
        s.unreadable = false;
        s.held = false;
    };
    if (s.lead && p != end) {
        s.lead = false;
        // A control byte is never the second byte of a character: it is seen on its own.
        if (static_cast<unsigned char>(*p) >= 0x20)
            ++p;
    }
    for (;;) {
        if (slotOf[s.column] == RowLayout::None) {
            const std::size_t run = runOf[s.column];
            const Skipped skipped = skipColumns<Quotes>(s, p, end, run, twoByte);
            p = skipped.p;
            if (skipped.passed > 0) {
                s.column += skipped.passed;
                s.unreadable = false;
                s.held = false;
            }
            if (skipped.textEnded) {
                end = p;
                lineEnds = true;
                break;
            }
            if (skipped.passed < run)
                break;
            start = p;
        }
        // Today's rows hold many empty fields (the moment of every DC scan row): those need
        // no search. The older layout's fields are seldom empty.
        if (!Quotes || p == end || *p != ',')
            p = findFieldStop<Quotes>(p, end, ',', twoByte);
        if (p == end)
            break;
        const char c = *p;
        if (c == ',') {
            if (Quotes && s.quoted) {
                ++p;
                continue;
            }
            endField(p);
            if (++s.column == columns) {
                s.done = true;
                return;
            }
            start = ++p;
        } else if (Quotes && c == '"') {
            s.quoted = !s.quoted;
            ++p;
        } else if (c == '\0') {
            // The line's text ends at its first NUL; nothing after it is read.
            end = p;
            lineEnds = true;
            break;
        } else if (c == '\r' || c == '\t') {
            // Igor ends a line at a lone CR and splits items at tabs: a value holding either
            // is no item it can read, and goes on as a missing one.
            s.unreadable = true;
            ++p;
        } else if (twoByte && isLeadByte(static_cast<unsigned char>(c), CodePage::Cp932)) {
            if (p + 1 == end) {
                s.lead = true;
                break;
            }
            p += static_cast<unsigned char>(p[1]) < 0x20 ? 1 : 2;
        } else {
            ++p;
        }
    }
    if (lineEnds) {
        // In the older layout a field is taken only when a comma follows it.
        if (layout.today)
            endField(end);
        s.done = true;
        return;
    }
    const int slot = slotOf[s.column];
    if (slot != RowLayout::None && end != start) {
        out(slot, std::string_view(start, static_cast<std::size_t>(end - start)));
        s.held = true;
    }
}

template <class Out>
void scan(RowScan& s, const RowLayout& layout, bool twoByte, LinePiece piece, Out&& out)
{
    if (layout.today)
        scanPiece<true>(s, layout, twoByte, piece.bytes, piece.lineEnds, out);
    else
        scanPiece<false>(s, layout, twoByte, piece.bytes, piece.lineEnds, out);
}

// The slot each wave takes its value from once the row is split.
std::array<int, 5> waveSlots(const RowScan& s, const RowLayout& layout) noexcept
{
    std::array<int, 5> slots = {RowLayout::Time, RowLayout::Field, RowLayout::Temperature, RowLayout::Moment,
                                RowLayout::MomentSD};
    if (layout.today && (s.filled & bit(RowLayout::Moment)) == 0) {
        // Both values come from the first pair whose moment this row holds.
        const bool dc = (s.filled & bit(RowLayout::DcMoment)) != 0;
        slots[3] = dc ? RowLayout::DcMoment : RowSink::kMissing;
        slots[4] = dc ? RowLayout::DcMomentSD : RowSink::kMissing;
    }
    for (int& slot : slots) {
        if (slot != RowSink::kMissing && ((s.ended & bit(slot)) == 0 || (s.unreadableSlots & bit(slot)) != 0))
            slot = RowSink::kMissing;
    }
    return slots;
}

} // namespace

RowLayout RowLayout::older()
{
    // The comment column is read and dropped.
    RowLayout layout{{Time, None, Field, Temperature, Moment, MomentSD}, {}, false};
    layout.measureRuns();
    return layout;
}

void RowLayout::measureRuns()
{
    unneededRun.assign(slotOfColumn.size(), 0);
    std::uint32_t run = 0;
    for (std::size_t k = slotOfColumn.size(); k-- > 0;) {
        run = slotOfColumn[k] == None ? run + 1 : 0;
        unneededRun[k] = run;
    }
}

SquidDataReader::SquidDataReader(CodePage page) : m_page(page), m_layout(RowLayout::older()) {}

SquidDataReader::~SquidDataReader() = default;

bool SquidDataReader::open(FileSystem& files, const std::string& path)
{
    std::unique_ptr<ByteSource> source = files.openRead(path);
    if (!source)
        return false;
    open(std::move(source));
    return true;
}

void SquidDataReader::open(std::unique_ptr<ByteSource> source)
{
    m_lines.reset();
    m_source = std::move(source);
    m_lines.emplace(*m_source);
}

PreambleOutcome SquidDataReader::readPreamble()
{
    Line line{};
    // An empty file has no first line to refuse; it goes on to look for "[Data]".
    if (m_lines->next(line, kPreambleBytes) && !isExactly(line, kHeaderLine))
        return PreambleOutcome::NotSquid;
    for (;;) {
        if (!m_lines->next(line, kPreambleBytes))
            return PreambleOutcome::NoDataSection;
        if (isExactly(line, kDataLine))
            break;
    }
    if (!m_lines->nextLine())
        return PreambleOutcome::NoColumnLine;
    // The column line: its first bytes decide the layout, and today's layout reads on.
    std::string start;
    LinePiece piece{};
    bool textEnds = false;
    do {
        piece = m_lines->piece();
        const std::size_t nul = piece.bytes.find('\0');
        start.append(piece.bytes.substr(0, nul));
        textEnds = piece.lineEnds || nul != std::string_view::npos;
    } while (!textEnds && start.size() < kPreambleBytes);
    if (start.compare(0, kOlderColumns.size(), kOlderColumns) == 0 && start.size() >= kOlderColumns.size()) {
        m_layout = RowLayout::older();
        return PreambleOutcome::Rows;
    }
    if (start.compare(0, kTodayColumns.size(), kTodayColumns) != 0 || start.size() < kTodayColumns.size())
        return PreambleOutcome::ColumnMismatch;
    TitleScan titles(m_page);
    bool more = titles.feed(start, textEnds);
    while (more && !piece.lineEnds) {
        piece = m_lines->piece();
        more = titles.feed(piece.bytes, piece.lineEnds);
    }
    std::optional<RowLayout> layout = titles.layout();
    if (!layout)
        return PreambleOutcome::ColumnMismatch;
    m_layout = std::move(*layout);
    return PreambleOutcome::Rows;
}

bool SquidDataReader::nextRow(RowSink& sink)
{
    if (!m_lines->nextLine())
        return false;
    const bool twoByte = m_page == CodePage::Cp932;
    RowScan s;
    LinePiece piece = m_lines->piece();
    if (piece.lineEnds) {
        // The line lies whole in the read block: its values are views into it, and a value
        // that is missing, unreadable or not ended by its comma is an empty one.
        std::array<std::string_view, RowSink::kHeldSlots> fields{};
        scan(s, m_layout, twoByte, piece,
             [&fields](int slot, std::string_view bytes) { fields[static_cast<std::size_t>(slot)] = bytes; });
        RowValues row = {fields[RowLayout::Time], fields[RowLayout::Field], fields[RowLayout::Temperature],
                         fields[RowLayout::Moment], fields[RowLayout::MomentSD]};
        if (m_layout.today && (s.filled & bit(RowLayout::Moment)) == 0) {
            const bool dc = (s.filled & bit(RowLayout::DcMoment)) != 0;
            row[3] = dc ? fields[RowLayout::DcMoment] : std::string_view();
            row[4] = dc ? fields[RowLayout::DcMomentSD] : std::string_view();
        }
        sink.writeRow(row);
        return true;
    }
    // The line crosses blocks: the sink holds the needed fields as they pass.
    const auto hold = [&sink](int slot, std::string_view bytes) { sink.holdValue(slot, bytes); };
    for (;;) {
        scan(s, m_layout, twoByte, piece, hold);
        if (piece.lineEnds || s.done)
            break;
        piece = m_lines->piece();
    }
    sink.writeHeldRow(waveSlots(s, m_layout));
    return true;
}

void SquidDataReader::close()
{
    m_lines.reset();
    if (m_source) {
        std::unique_ptr<ByteSource> source = std::move(m_source);
        source->close();
    }
}

} // namespace kivo::core
