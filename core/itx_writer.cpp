#include "core/itx_writer.h"

#include "core/file_system.h"

#include <array>

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

ItxWriter::ItxWriter()
{
    m_buffer.reserve(kBufferSize);
}

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
    m_buffer.clear();
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
    for (std::string_view value : row) {
        put("\t");
        put(value.empty() ? kMissing : value);
    }
    put(kEol);
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
    if (m_buffer.size() + bytes.size() > kBufferSize) {
        flush();
        if (bytes.size() >= kBufferSize) {
            m_output->write(bytes.data(), bytes.size());
            return;
        }
    }
    m_buffer.append(bytes);
}

void ItxWriter::flush()
{
    if (m_buffer.empty())
        return;
    m_output->write(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
}

} // namespace kivo::core
