#include "core/output/detailed_writer.h"


#include <algorithm>
#include <array>
#include <cstring>

namespace kivo::core {

namespace {

// How many bytes of `text` from `i` form one character for Igor, or 0 for a byte that is
// none and must be dropped. Under CP932 Igor reads a lead byte with the byte after it
// whatever that is: a lead byte without a valid second byte would swallow the "\" of an
// escape or the closing quote, so it is dropped. A UTF-8 character is never cut between
// two command lines.
std::size_t characterSize(std::string_view text, std::size_t i, CodePage page) noexcept
{
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F)
        return 0;
    if (page == CodePage::Cp932) {
        if (!isLeadByte(byte, page))
            return 1;
        if (i + 1 == text.size())
            return 0;
        const auto next = static_cast<unsigned char>(text[i + 1]);
        return (next >= 0x40 && next <= 0x7E) || (next >= 0x80 && next <= 0xFC) ? 2 : 0;
    }
    const std::size_t size = byte >= 0xF0 && byte <= 0xF7 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    if (size == 1 || i + size > text.size())
        return 1;
    for (std::size_t k = 1; k < size; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 1;
    }
    return size;
}

} // namespace

DetailedWriter::DetailedWriter(CodePage page) : m_page(page)
{
}

DetailedWriter::~DetailedWriter() = default;

bool DetailedWriter::create(FileSystem& files, const std::string& path)
{
    return m_file.create(files, path);
}

void DetailedWriter::writeKeyword()
{
    m_file.putLine("IGOR");
}

void DetailedWriter::beginBlock(std::string_view folder, std::string_view prefix, std::span<const PlannedWave> waves)
{
    m_prefix = prefix;
    m_waves.assign(waves.begin(), waves.end());
    m_line = "X NewDataFolder/O/S ";
    m_line += folder;
    m_file.putLine(m_line);
    m_file.put("WAVES/D");
    for (const PlannedWave& wave : m_waves) {
        m_file.put("\t");
        m_file.put(prefix);
        m_file.put(wave.suffix);
    }
    m_file.put(kItxEol);
    m_file.putLine("BEGIN");
}

void DetailedWriter::endBlock(std::string_view source, std::span<const std::string> header)
{
    m_file.putLine("END");
    for (const PlannedWave& wave : m_waves) {
        const std::string name = m_prefix + std::string(wave.suffix);
        const std::string x = "SetScale/P x 0,1,\"\", " + name;
        const std::string d = "SetScale d 0,0,\"" + std::string(wave.unit) + "\", " + name;
        // One line as Igor users know it, two where a long prefix would pass the limit.
        if (2 + x.size() + 2 + d.size() <= kMaxCommandLine) {
            std::string both = "X " + x;
            both += "; ";
            both += d;
            m_file.putLine(both);
        } else {
            m_file.putLine("X " + x);
            m_file.putLine("X " + d);
        }
        putNoteLine(name, "Source:" + std::string(source));
        putNoteLine(name, "Column:" + wave.column);
        for (const std::string& line : header)
            putNoteLine(name, line);
    }
    m_file.putLine("X SetDataFolder ::");
}

void DetailedWriter::close()
{
    m_file.close();
}

void DetailedWriter::putNoteLine(std::string_view wave, std::string_view text)
{
    const std::string more = "X Note/NOCR " + std::string(wave) + ", \"";
    m_line = "X Note ";
    m_line += wave;
    m_line += ", \"";
    std::size_t start = m_line.size();
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t size = characterSize(text, i, m_page);
        if (size == 0) {
            ++i;
            continue;
        }
        const bool escaped = size == 1 && (text[i] == '\\' || text[i] == '"');
        const std::size_t written = size + (escaped ? 1 : 0);
        // The closing quote must fit too; a line holds at least one character, whatever the prefix.
        if (m_line.size() + written + 1 > kMaxCommandLine && m_line.size() > start) {
            m_line += '"';
            m_file.putLine(m_line);
            m_line = more;
            start = m_line.size();
        }
        if (escaped)
            m_line += '\\';
        m_line.append(text.substr(i, size));
        i += size;
    }
    m_line += '"';
    m_file.putLine(m_line);
}

} // namespace kivo::core
