#include "core/output/itx_writer.h"

#include "core/waves/igor_number.h"

#include <array>
#include <cstring>

namespace kivo::core {

namespace {

constexpr std::array<std::string_view, 5> kSuffixes = {
    "_Time", "_Field", "_Temperature", "_LongMoment", "_LongMomentSD",
};

// Igor reads no blank item in a data line; NaN is its word for a missing value.
constexpr std::string_view kNaN = "NaN";

// Where a row (RowValues) holds the moment.
constexpr std::size_t kMoment = 3;

// Whether Igor reads a value as written as NaN: the word in any case, with or without a sign.
constexpr bool writtenAsNaN(std::string_view value) noexcept
{
    if (value.size() > 4)
        return false;
    if (!value.empty() && (value[0] == '+' || value[0] == '-'))
        value.remove_prefix(1);
    return value.size() == 3 && (value[0] | 0x20) == 'n' && (value[1] | 0x20) == 'a' && (value[2] | 0x20) == 'n';
}

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

ItxWriter::ItxWriter() = default;

ItxWriter::~ItxWriter() = default;

bool ItxWriter::create(FileSystem& files, const std::string& path)
{
    return m_file.create(files, path);
}

void ItxWriter::writeHeader(std::string_view prefix)
{
    m_file.put("IGOR");
    m_file.put(kItxEol);
    m_file.put("WAVES/D");
    for (std::string_view suffix : kSuffixes) {
        m_file.put("\t");
        m_file.put(prefix);
        m_file.put(suffix);
    }
    m_file.put(kItxEol);
    m_file.put("BEGIN");
    m_file.put(kItxEol);
}

void ItxWriter::writeRow(const RowValues& given)
{
    // Rows are the bulk of the output: checked and copied straight into the buffer in one
    // pass while even the longest row fits, measured first when it may not.
    constexpr std::size_t kLongestRow = kItxEol.size() + 5 * (1 + kLongestValue);
    static_assert(kLongestRow <= ItxOutput::kBufferSize, "a row fits in the buffer");
    RowValues row;
    if (m_file.room() < kLongestRow) {
        std::size_t length = kItxEol.size();
        for (std::size_t k = 0; k < row.size(); ++k) {
            const std::string_view number = igorNumber(given[k]);
            row[k] = number.empty() ? kNaN : number;
            length += 1 + row[k].size();
        }
        if (m_file.room() < length)
            m_file.flush();
    } else {
        for (std::size_t k = 0; k < row.size(); ++k) {
            const std::string_view number = igorNumber(given[k]);
            row[k] = number.empty() ? kNaN : number;
        }
    }
    m_momentRows += writtenAsNaN(row[kMoment]) ? 0 : 1;
    char* const begin = m_file.end();
    char* out = begin;
    for (std::string_view value : row) {
        *out++ = '\t';
        copyValue(out, value.data(), value.size());
        out += value.size();
    }
    std::memcpy(out, kItxEol.data(), kItxEol.size());
    m_file.filled(static_cast<std::size_t>(out - begin) + kItxEol.size());
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
    m_file.put("END");
    m_file.put(kItxEol);
    for (std::string_view suffix : kSuffixes) {
        m_file.put("X SetScale/P x 0,1,\"\", ");
        m_file.put(prefix);
        m_file.put(suffix);
        m_file.put("; SetScale y 0,0,\"\", ");
        m_file.put(prefix);
        m_file.put(suffix);
        m_file.put(kItxEol);
    }
}

void ItxWriter::close()
{
    m_file.close();
}

} // namespace kivo::core
