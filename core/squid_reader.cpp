#include "core/squid_reader.h"

#include "core/file_system.h"

namespace kivo::core {

namespace {

constexpr std::string_view kHeaderLine = "[Header]";
constexpr std::string_view kDataLine = "[Data]";
constexpr std::string_view kColumnStart = "Time,Comme";

// Deciding the preamble never needs more of a line than the column line's first bytes.
constexpr LineKeep kPreambleKeep = LineKeep::firstBytes(kColumnStart.size());
// A row needs its text up to the sixth comma; what follows is never used.
constexpr int kRowCommas = 6;

bool isExactly(const Line& line, std::string_view expected) noexcept
{
    return line.complete && line.text == expected;
}

} // namespace

RowValues splitRow(std::string_view line, CodePage page) noexcept
{
    std::array<std::string_view, kRowCommas> fields{};
    std::size_t taken = 0;
    bool unreadable = false;
    const bool twoByte = page == CodePage::Cp932;
    const char* const end = line.data() + line.size();
    const char* start = line.data();
    // A field is taken only when a comma follows it; fields without one stay empty.
    for (const char* p = findFieldStop<false>(start, end, ',', twoByte); p != end && taken < fields.size();
         p = findFieldStop<false>(p, end, ',', twoByte)) {
        if (*p == ',') {
            // Igor ends a line at a lone CR and splits items at tabs: a value holding
            // either is no item it can read, and goes on as a missing one.
            fields[taken++] = unreadable ? std::string_view() : std::string_view(start, static_cast<std::size_t>(p - start));
            unreadable = false;
            start = ++p;
        } else if (*p == '\r' || *p == '\t') {
            unreadable = true;
            ++p;
        } else if (isLeadByte(static_cast<unsigned char>(*p), page) && p + 1 != end) {
            // A control byte is never the second byte of a character: it is seen on its own.
            p += static_cast<unsigned char>(p[1]) < 0x20 ? 1 : 2;
        } else {
            ++p;
        }
    }
    // The second field is the comment column, read and dropped.
    return {fields[0], fields[2], fields[3], fields[4], fields[5]};
}

SquidDataReader::SquidDataReader(CodePage page) : m_page(page) {}

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
    m_lines.emplace(*m_source, m_page);
}

PreambleOutcome SquidDataReader::readPreamble()
{
    Line line{};
    // An empty file has no first line to refuse; it goes on to look for "[Data]".
    if (m_lines->next(line, kPreambleKeep) && !isExactly(line, kHeaderLine))
        return PreambleOutcome::NotSquid;
    for (;;) {
        if (!m_lines->next(line, kPreambleKeep))
            return PreambleOutcome::NoDataSection;
        if (isExactly(line, kDataLine))
            break;
    }
    if (!m_lines->next(line, kPreambleKeep))
        return PreambleOutcome::NoColumnLine;
    if (line.text.substr(0, kColumnStart.size()) != kColumnStart)
        return PreambleOutcome::ColumnMismatch;
    return PreambleOutcome::Rows;
}

bool SquidDataReader::nextRow(RowValues& row)
{
    Line line{};
    if (!m_lines->next(line, LineKeep::upToComma(kRowCommas)))
        return false;
    row = splitRow(line.text, m_page);
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
