#include "core/itx_writer.h"

#include "core/file_system.h"
#include "core/igor_number.h"

#include <array>
#include <cstring>

namespace kivo::core {

namespace {

// Igor Text lines end in CR LF on every platform, as the files have always been written.
constexpr std::string_view kEol = "\r\n";

constexpr std::array<std::string_view, 5> kSuffixes = {
    "_Time", "_Field", "_Temperature", "_LongMoment", "_LongMomentSD",
};

// Igor reads no blank item in a data line; NaN is its word for a missing value.
constexpr std::string_view kNaN = "NaN";

// Copies a value of a data line. Most are a few to sixteen bytes, which two overlapping
// fixed-size copies move without a call into the C library; nothing past the value is read.
inline void copyValue(char* out, const char* in, std::size_t n) noexcept
{
    if (n >= 8 && n <= 16) {
        char head[8];
        char tail[8];
        std::memcpy(head, in, 8);
        std::memcpy(tail, in + n - 8, 8);
        std::memcpy(out, head, 8);
        std::memcpy(out + n - 8, tail, 8);
    } else if (n >= 4 && n < 8) {
        char head[4];
        char tail[4];
        std::memcpy(head, in, 4);
        std::memcpy(tail, in + n - 4, 4);
        std::memcpy(out, head, 4);
        std::memcpy(out + n - 4, tail, 4);
    } else if (n > 16) {
        std::memcpy(out, in, n);
    } else if (n > 0) {
        out[0] = in[0];
        out[n / 2] = in[n / 2];
        out[n - 1] = in[n - 1];
    }
}

} // namespace

ItxWriter::ItxWriter() : m_buffer(std::make_unique<char[]>(kBufferSize)) {}

ItxWriter::~ItxWriter() = default;

bool ItxWriter::create(FileSystem& files, const std::string& path)
{
    std::unique_ptr<StagedOutput> output = files.createStaged(path);
    if (!output)
        return false;
    create(std::move(output), path);
    return true;
}

void ItxWriter::create(std::unique_ptr<StagedOutput> output, std::string path)
{
    m_output = std::move(output);
    m_path = std::move(path);
    m_used = 0;
}

void ItxWriter::writeHeader(std::string_view prefix)
{
    put("IGOR");
    put(kEol);
    put("WAVES/D");
    for (std::string_view suffix : kSuffixes) {
        put("\t");
        put(prefix);
        put(suffix);
    }
    put(kEol);
    put("BEGIN");
    put(kEol);
}

void ItxWriter::writeRow(const RowValues& given)
{
    // Rows are the bulk of the output: checked and copied straight into the buffer in one
    // pass while even the longest row fits, measured first when it may not.
    constexpr std::size_t kLongestRow = kEol.size() + 5 * (1 + kLongestValue);
    static_assert(kLongestRow <= kBufferSize, "a row fits in the buffer");
    RowValues row;
    if (m_used + kLongestRow > kBufferSize) {
        std::size_t length = kEol.size();
        for (std::size_t k = 0; k < row.size(); ++k) {
            const std::string_view number = igorNumber(given[k]);
            row[k] = number.empty() ? kNaN : number;
            length += 1 + row[k].size();
        }
        if (m_used + length > kBufferSize)
            flush();
    } else {
        for (std::size_t k = 0; k < row.size(); ++k) {
            const std::string_view number = igorNumber(given[k]);
            row[k] = number.empty() ? kNaN : number;
        }
    }
    char* const begin = m_buffer.get() + m_used;
    char* out = begin;
    for (std::string_view value : row) {
        *out++ = '\t';
        copyValue(out, value.data(), value.size());
        out += value.size();
    }
    std::memcpy(out, kEol.data(), kEol.size());
    m_used += static_cast<std::size_t>(out - begin) + kEol.size();
}

void ItxWriter::holdValue(int slot, std::string_view bytes)
{
    Held& held = m_held[static_cast<std::size_t>(slot)];
    if (held.tooLong)
        return;
    if (held.bytes.size() + bytes.size() > kLongestValue) {
        held.tooLong = true;
        held.bytes.clear();
        return;
    }
    held.bytes.append(bytes);
}

void ItxWriter::writeHeldRow(const std::array<int, 5>& slots)
{
    RowValues row;
    for (std::size_t k = 0; k < row.size(); ++k) {
        const int slot = slots[k];
        const Held* held = slot == kMissing ? nullptr : &m_held[static_cast<std::size_t>(slot)];
        if (held != nullptr && !held->tooLong)
            row[k] = held->bytes;
    }
    writeRow(row);
    for (Held& held : m_held) {
        held.bytes.clear();
        held.tooLong = false;
    }
}

void ItxWriter::writeTrailer(std::string_view prefix)
{
    put("END");
    put(kEol);
    for (std::string_view suffix : kSuffixes) {
        put("X SetScale/P x 0,1,\"\", ");
        put(prefix);
        put(suffix);
        put("; SetScale y 0,0,\"\", ");
        put(prefix);
        put(suffix);
        put(kEol);
    }
}

void ItxWriter::close()
{
    // Closed already, or never created: nothing is left to put in place.
    if (!m_output)
        return;
    flush();
    std::unique_ptr<StagedOutput> output = std::move(m_output);
    output->commit();
}

void ItxWriter::put(std::string_view bytes)
{
    if (m_used + bytes.size() > kBufferSize) {
        flush();
        if (bytes.size() >= kBufferSize) {
            m_output->write(bytes.data(), bytes.size());
            return;
        }
    }
    std::memcpy(m_buffer.get() + m_used, bytes.data(), bytes.size());
    m_used += bytes.size();
}

void ItxWriter::flush()
{
    if (m_used == 0)
        return;
    m_output->write(m_buffer.get(), m_used);
    m_used = 0;
}

} // namespace kivo::core
