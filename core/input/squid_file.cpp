#include "core/input/squid_file.h"

#include "core/files/file_system.h"

namespace kivo::core {

namespace {

constexpr std::string_view kOlderColumns = "Time,Comme";
constexpr std::string_view kTodayColumns = "Comment,Time Stamp (sec),";
static_assert(kTodayColumns.size() == ColumnStart::kBytes && kOlderColumns.size() <= ColumnStart::kBytes);

} // namespace

SquidFile::SquidFile() = default;

SquidFile::~SquidFile() = default;

bool SquidFile::open(FileSystem& files, const std::string& path)
{
    std::unique_ptr<ByteSource> source = files.openRead(path);
    if (!source)
        return false;
    open(std::move(source));
    return true;
}

void SquidFile::open(std::unique_ptr<ByteSource> source)
{
    m_lines.reset();
    m_source = std::move(source);
    m_lines.emplace(*m_source);
}

void SquidFile::close()
{
    m_lines.reset();
    if (m_source) {
        std::unique_ptr<ByteSource> source = std::move(m_source);
        source->close();
    }
}

bool isExactly(const Line& line, std::string_view expected) noexcept
{
    return line.complete && line.text == expected;
}

ColumnStart readColumnStart(LineReader& lines)
{
    ColumnStart start{};
    do {
        start.piece = lines.piece();
        const std::size_t nul = start.piece.bytes.find('\0');
        start.text.append(start.piece.bytes.substr(0, nul));
        start.textEnds = start.piece.lineEnds || nul != std::string_view::npos;
    } while (!start.textEnds && start.text.size() < ColumnStart::kBytes);
    return start;
}

std::optional<RowLayout::Kind> columnKind(std::string_view start) noexcept
{
    if (start.starts_with(kOlderColumns))
        return RowLayout::Kind::Older;
    if (start.starts_with(kTodayColumns))
        return RowLayout::Kind::Today;
    return std::nullopt;
}

void readTitles(TitleMatcher& titles, LineReader& lines, ColumnStart& start)
{
    bool more = titles.feed(start.text, start.textEnds);
    while (more && !start.piece.lineEnds) {
        start.piece = lines.piece();
        more = titles.feed(start.piece.bytes, start.piece.lineEnds);
    }
}

} // namespace kivo::core
