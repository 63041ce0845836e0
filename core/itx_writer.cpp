#include "core/itx_writer.h"

#include "core/file_system.h"

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
constexpr std::string_view kMissing = "NaN";

} // namespace

ItxWriter::ItxWriter() : m_buffer(std::make_unique<char[]>(kBufferSize)) {}

ItxWriter::~ItxWriter() = default;

bool ItxWriter::create(FileSystem& files, const std::string& path)
{
    std::unique_ptr<StagedOutput> output = files.createStaged(path);
    if (!output)
        return false;
    create(std::move(output));
    return true;
}

void ItxWriter::create(std::unique_ptr<StagedOutput> output)
{
    m_output = std::move(output);
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

void ItxWriter::writeRow(std::string_view time, std::string_view field, std::string_view temperature,
                         std::string_view moment, std::string_view momentSD)
{
    writeRow(RowValues{time, field, temperature, moment, momentSD});
}

void ItxWriter::writeRow(const RowValues& row)
{
    std::size_t length = kEol.size();
    for (std::string_view value : row)
        length += 1 + (value.empty() ? kMissing.size() : value.size());
    if (m_used + length > kBufferSize) {
        flush();
        if (length > kBufferSize) {
            // A value too long for the buffer goes out piece by piece.
            for (std::string_view value : row) {
                put("\t");
                put(value.empty() ? kMissing : value);
            }
            put(kEol);
            return;
        }
    }
    // Rows are the bulk of the output: copy them straight into the buffer.
    char* out = m_buffer.get() + m_used;
    for (std::string_view value : row) {
        *out++ = '\t';
        const std::string_view bytes = value.empty() ? kMissing : value;
        std::memcpy(out, bytes.data(), bytes.size());
        out += bytes.size();
    }
    std::memcpy(out, kEol.data(), kEol.size());
    m_used += length;
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
