#include "core/input/line_reader.h"

#include "core/files/background_task.h"
#include "core/files/file_system.h"

#include <cstring>
#include <system_error>

namespace kivo::core {

namespace {

constexpr char kCtrlZ = '\x1A';

// Pieces that are not in the block keep the slack a piece promises, as zero bytes.
constexpr char kCrBytes[1 + kScanSlack] = {'\r'};
constexpr std::string_view kCr(kCrBytes, 1);
constexpr char kNoBytes[kScanSlack] = {};
// An empty view whose data still points at bytes that can be read.
constexpr LinePiece kLineEnd = {std::string_view(kNoBytes, kNoBytes), true};

} // namespace

LineReader::LineReader(ByteSource& source)
    : m_source(source), m_block(std::make_unique_for_overwrite<char[]>(kBlockSize + kScanSlack))
{
}

LineReader::~LineReader() = default;

void LineReader::readAhead(bool fullBlock)
{
    // A file that filled two blocks is likely to fill more: the next block is then read
    // while this one is scanned. A smaller one, or one passed over after its first lines,
    // never starts a thread, and where none can be started, the blocks are read in turn.
    const bool twoFull = fullBlock && m_lastFull;
    m_lastFull = fullBlock;
    if (!m_ahead && twoFull) {
        if (!m_spare)
            m_spare = std::make_unique_for_overwrite<char[]>(kBlockSize + kScanSlack);
        try {
            m_ahead = std::make_unique<BackgroundTask>();
        } catch (const std::system_error&) {
            // No thread: the work is done in turn, as on a machine without threads.
        }
    }
    if (m_ahead)
        m_ahead->start([this] { m_aheadRead = m_source.read(m_spare.get(), kBlockSize); });
}

bool LineReader::fill()
{
    if (m_sourceDone)
        return false;
    std::size_t n = 0;
    if (m_ahead) {
        m_ahead->wait();
        m_block.swap(m_spare);
        n = m_aheadRead;
    } else {
        n = m_source.read(m_block.get(), kBlockSize);
    }
    if (n == 0) {
        m_sourceDone = true;
        return false;
    }
    const bool fullBlock = n == kBlockSize;
    // Ctrl-Z ends the input in text mode: nothing after it is read.
    if (const void* z = std::memchr(m_block.get(), kCtrlZ, n)) {
        n = static_cast<std::size_t>(static_cast<const char*>(z) - m_block.get());
        m_sourceDone = true;
    } else {
        readAhead(fullBlock);
    }
    // What a scan reads past the last piece is then never an uninitialised byte.
    std::memset(m_block.get() + n, 0, kScanSlack);
    m_pos = 0;
    m_end = n;
    return n > 0;
}

LinePiece LineReader::pieceAcrossBlocks()
{
    if (!m_inLine)
        return kLineEnd;
    if (m_heldCr) {
        // The CR that ended the last block: the line end's if LF follows, else a byte of
        // the text; a last line without a line end keeps it.
        m_heldCr = false;
        if (m_pos == m_end && !fill()) {
            m_inLine = false;
            return {kCr, true};
        }
        if (m_block[m_pos] == '\n') {
            ++m_pos;
            m_inLine = false;
            return kLineEnd;
        }
        return {kCr, false};
    }
    if (m_pos == m_end && !fill()) {
        m_inLine = false;
        return kLineEnd;
    }
    const char* begin = m_block.get() + m_pos;
    const std::size_t avail = m_end - m_pos;
    if (const void* lf = std::memchr(begin, '\n', avail)) {
        const auto length = static_cast<std::size_t>(static_cast<const char*>(lf) - begin);
        m_pos += length + 1;
        m_inLine = false;
        std::string_view text(begin, length);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        return {text, true};
    }
    m_pos = m_end;
    std::string_view text(begin, avail);
    if (text.back() == '\r') {
        text.remove_suffix(1);
        m_heldCr = true;
    }
    return {text, false};
}

void LineReader::skipLine()
{
    m_heldCr = false;
    while (m_inLine) {
        if (m_pos == m_end && !fill()) {
            m_inLine = false;
            return;
        }
        const char* begin = m_block.get() + m_pos;
        if (const void* lf = std::memchr(begin, '\n', m_end - m_pos)) {
            m_pos += static_cast<std::size_t>(static_cast<const char*>(lf) - begin) + 1;
            m_inLine = false;
            return;
        }
        m_pos = m_end;
    }
}

bool LineReader::next(Line& line, std::size_t maxBytes)
{
    if (!nextLine())
        return false;
    // One byte past the limit tells a line of exactly maxBytes from a longer one.
    const std::size_t wanted = maxBytes == kWhole ? kWhole : maxBytes + 1;
    LinePiece first = piece();
    std::string_view text;
    bool ended = first.lineEnds;
    if (first.lineEnds) {
        text = first.bytes;  // the whole line lies in one block: a view, no copy
    } else {
        m_carry.clear();
        LinePiece p = first;
        for (;;) {
            std::string_view bytes = p.bytes;
            const void* nul = bytes.empty() ? nullptr : std::memchr(bytes.data(), '\0', bytes.size());
            if (nul != nullptr)
                bytes = bytes.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - bytes.data()) + 1);
            m_carry.append(bytes.substr(0, std::min(bytes.size(), wanted - m_carry.size())));
            if (p.lineEnds) {
                ended = true;
                break;
            }
            if (nul != nullptr || m_carry.size() >= wanted)
                break;
            p = piece();
        }
        text = m_carry;
    }
    bool whole = ended;
    const std::size_t span = std::min(text.size(), wanted);
    if (const void* nul = span == 0 ? nullptr : std::memchr(text.data(), '\0', span)) {
        text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
        whole = true;
    }
    if (text.size() > maxBytes) {
        text = text.substr(0, maxBytes);
        whole = false;
    }
    line = {text, whole};
    return true;
}

} // namespace kivo::core
