#include "core/itx_writer.h"

#include "core/file_system.h"
#include "core/io_error.h"
#include "core/scratch.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <system_error>

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

void ItxWriter::writeRow(const RowValues& row)
{
    std::size_t length = kEol.size();
    for (std::string_view value : row)
        length += 1 + (value.empty() ? kNaN.size() : value.size());
    if (m_used + length > kBufferSize) {
        flush();
        if (length > kBufferSize) {
            // A value too long for the buffer goes out piece by piece.
            for (std::string_view value : row) {
                put("\t");
                put(value.empty() ? kNaN : value);
            }
            put(kEol);
            return;
        }
    }
    // Rows are the bulk of the output: copy them straight into the buffer.
    char* out = m_buffer.get() + m_used;
    for (std::string_view value : row) {
        *out++ = '\t';
        const std::string_view bytes = value.empty() ? kNaN : value;
        copyValue(out, bytes.data(), bytes.size());
        out += bytes.size();
    }
    std::memcpy(out, kEol.data(), kEol.size());
    m_used += length;
}

void ItxWriter::holdValue(int slot, std::string_view bytes)
{
    Held& held = m_held[static_cast<std::size_t>(slot)];
    if (held.spilled == 0 && held.bytes.size() + bytes.size() <= kHeldBytes) {
        held.bytes.append(bytes);
        return;
    }
    // The scratch file is part of making the output: its failures are the output's.
    try {
        ScratchFile& file = scratch();
        if (held.spilled == 0) {
            held.spillAt = file.size();
            file.append(held.bytes.data(), held.bytes.size());
            held.spilled = held.bytes.size();
            held.bytes.clear();
        }
        file.append(bytes.data(), bytes.size());
        held.spilled += bytes.size();
    } catch (const std::system_error& e) {
        throw IoError(IoOperation::Write, m_path, e.code().value());
    }
}

void ItxWriter::writeHeldRow(const std::array<int, 5>& slots)
{
    for (int slot : slots) {
        put("\t");
        const Held* held = slot == kMissing ? nullptr : &m_held[static_cast<std::size_t>(slot)];
        if (held == nullptr || (held->spilled == 0 && held->bytes.empty()))
            put(kNaN);
        else
            putHeld(*held);
    }
    put(kEol);
    for (Held& held : m_held) {
        held.bytes.clear();
        held.spilled = 0;
    }
    try {
        if (m_scratch && m_scratch->size() > 0)
            m_scratch->clear();
    } catch (const std::system_error& e) {
        throw IoError(IoOperation::Write, m_path, e.code().value());
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

void ItxWriter::putHeld(const Held& held)
{
    if (held.spilled == 0) {
        put(held.bytes);
        return;
    }
    std::uint64_t at = held.spillAt;
    std::uint64_t left = held.spilled;
    while (left > 0) {
        if (m_used == kBufferSize)
            flush();
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, kBufferSize - m_used));
        try {
            m_scratch->read(at, m_buffer.get() + m_used, n);
        } catch (const std::system_error& e) {
            throw IoError(IoOperation::Write, m_path, e.code().value());
        }
        m_used += n;
        at += n;
        left -= n;
    }
}

ScratchFile& ItxWriter::scratch()
{
    if (!m_scratch)
        m_scratch = createScratchFile();
    return *m_scratch;
}

void ItxWriter::flush()
{
    if (m_used == 0)
        return;
    m_output->write(m_buffer.get(), m_used);
    m_used = 0;
}

} // namespace kivo::core
