#include "core/output/itx_output.h"

#include "core/files/file_system.h"

#include <cstring>

namespace kivo::core {

namespace {

constexpr std::string_view kNaN = "NaN";

// The first and last W bytes of a value of W to 2W bytes, in two fixed-size copies that
// overlap in the middle: no call into the C library, nothing past the value read.
template <std::size_t W>
inline void copyEnds(char* out, const char* in, std::size_t n) noexcept
{
    char head[W];
    char tail[W];
    std::memcpy(head, in, W);
    std::memcpy(tail, in + n - W, W);
    std::memcpy(out, head, W);
    std::memcpy(out + n - W, tail, W);
}

// Copies a value of a data line. Most are a few to sixteen bytes.
inline void copyValue(char* out, const char* in, std::size_t n) noexcept
{
    if (n >= 8 && n <= 16) {
        copyEnds<8>(out, in, n);
    } else if (n >= 4 && n < 8) {
        copyEnds<4>(out, in, n);
    } else if (n > 16) {
        std::memcpy(out, in, n);
    } else if (n > 0) {
        out[0] = in[0];
        out[n / 2] = in[n / 2];
        out[n - 1] = in[n - 1];
    }
}

} // namespace

ItxOutput::ItxOutput() : m_buffer(std::make_unique<char[]>(kBufferSize))
{
}

ItxOutput::~ItxOutput() = default;

bool ItxOutput::create(FileSystem& files, const std::string& path)
{
    m_output = files.createStaged(path);
    m_used = 0;
    return m_output != nullptr;
}

void ItxOutput::put(std::string_view bytes)
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

void ItxOutput::putLine(std::string_view line)
{
    put(line);
    put(kItxEol);
}

void ItxOutput::putRow(std::span<const std::string_view> values)
{
    std::size_t length = kItxEol.size();
    for (std::string_view value : values)
        length += 1 + (value.empty() ? kNaN.size() : value.size());
    if (kBufferSize - m_used < length) {
        flush();
        if (length > kBufferSize) {
            for (std::string_view value : values) {
                put("\t");
                put(value.empty() ? kNaN : value);
            }
            put(kItxEol);
            return;
        }
    }
    // Rows are the bulk of the output: copied straight into the buffer.
    char* out = m_buffer.get() + m_used;
    for (std::string_view value : values) {
        *out++ = '\t';
        const std::string_view bytes = value.empty() ? kNaN : value;
        copyValue(out, bytes.data(), bytes.size());
        out += bytes.size();
    }
    std::memcpy(out, kItxEol.data(), kItxEol.size());
    m_used += length;
}

void ItxOutput::flush()
{
    if (m_used == 0)
        return;
    m_output->write(m_buffer.get(), m_used);
    m_used = 0;
}

void ItxOutput::close()
{
    // Closed already, or never created: nothing is left to put in place.
    if (!m_output)
        return;
    flush();
    std::unique_ptr<StagedOutput> output = std::move(m_output);
    output->commit();
}

} // namespace kivo::core
