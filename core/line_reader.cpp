#include "core/line_reader.h"

#include "core/file_system.h"

#include <cstring>

namespace kivo::core {

namespace {

constexpr char kCtrlZ = '\x1A';

// Shapes what the caller asked for out of a line's text. `text` is the line's text or,
// when !wholeText, the start of it that keepPiece() gathered, which may still hold the NUL
// that ends the text. Only the first bytes are cut to size: a view past the last comma a
// row needs costs nothing when the line lies in one block, and sparing that cut spares
// every row a second search for its commas.
Line shape(std::string_view text, bool wholeText, LineKeep keep) noexcept
{
    bool whole = wholeText;
    // One byte past the limit tells a line of exactly maxBytes from a longer one.
    const std::size_t span = keep.maxBytes < text.size() ? keep.maxBytes + 1 : text.size();
    if (const void* nul = std::memchr(text.data(), '\0', span)) {
        text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
        whole = true;
    }
    if (text.size() > keep.maxBytes) {
        text = text.substr(0, keep.maxBytes);
        whole = false;
    }
    return {text, whole};
}

} // namespace

LineReader::LineReader(ByteSource& source, CodePage page)
    : m_source(source), m_page(page), m_block(std::make_unique_for_overwrite<char[]>(kBlockSize))
{
}

bool LineReader::fill()
{
    if (m_sourceDone)
        return false;
    std::size_t n = m_source.read(m_block.get(), kBlockSize);
    if (n == 0) {
        m_sourceDone = true;
        return false;
    }
    // Ctrl-Z ends the input in text mode: nothing after it is read.
    if (const void* z = std::memchr(m_block.get(), kCtrlZ, n)) {
        n = static_cast<std::size_t>(static_cast<const char*>(z) - m_block.get());
        m_sourceDone = true;
    }
    m_pos = 0;
    m_end = n;
    return n > 0;
}

void LineReader::keepPiece(std::string_view piece, LineKeep keep)
{
    m_rawLength += piece.size();
    if (!piece.empty())
        m_lastRaw = piece.back();
    if (!m_keeping)
        return;
    // The text ends at a NUL; it is kept so that shape() sees where the text ended.
    if (const void* nul = std::memchr(piece.data(), '\0', piece.size())) {
        piece = piece.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - piece.data()) + 1);
        m_keeping = false;
    }
    // maxBytes + 1 raw bytes, and one more for a CR that may yet turn out to end the line.
    if (keep.maxBytes < std::numeric_limits<std::size_t>::max() - 2) {
        const std::size_t room = keep.maxBytes + 2 > m_carry.size() ? keep.maxBytes + 2 - m_carry.size() : 0;
        if (piece.size() >= room) {
            piece = piece.substr(0, room);
            m_keeping = false;
        }
    }
    m_carry.append(piece);
    if (keep.maxCommas < std::numeric_limits<int>::max()) {
        while (m_commas < keep.maxCommas) {
            const CharSearch hit = scanForChar(m_carry, ',', m_page, m_scanPos);
            m_scanPos = hit.found ? hit.pos + 1 : hit.pos;
            if (!hit.found)
                break;
            ++m_commas;
        }
        if (m_commas == keep.maxCommas) {
            m_carry.resize(m_scanPos);
            m_keeping = false;
        }
    }
}

bool LineReader::next(Line& line, LineKeep keep)
{
    m_carry.clear();
    m_rawLength = 0;
    m_scanPos = 0;
    m_commas = 0;
    m_keeping = true;
    m_lastRaw = '\0';

    for (;;) {
        if (m_pos == m_end && !fill()) {
            if (m_rawLength == 0)
                return false;
            // A last line without a line end keeps any CR it ends with.
            line = shape(m_carry, m_keeping, keep);
            return true;
        }
        const char* begin = m_block.get() + m_pos;
        const std::size_t avail = m_end - m_pos;
        const void* lf = std::memchr(begin, '\n', avail);
        if (lf == nullptr) {
            keepPiece({begin, avail}, keep);
            m_pos = m_end;
            continue;
        }
        const auto length = static_cast<std::size_t>(static_cast<const char*>(lf) - begin);
        m_pos += length + 1;
        if (m_rawLength == 0) {
            // The whole line lies in this block: hand out a view, copy nothing.
            std::string_view text(begin, length);
            if (!text.empty() && text.back() == '\r')
                text.remove_suffix(1);
            line = shape(text, true, keep);
            return true;
        }
        keepPiece({begin, length}, keep);
        // CR LF becomes a line feed, even when the block boundary fell between the two.
        if (m_lastRaw == '\r' && m_carry.size() == m_rawLength)
            m_carry.pop_back();
        line = shape(m_carry, m_keeping, keep);
        return true;
    }
}

} // namespace kivo::core
