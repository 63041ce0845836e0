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

// Copies a value of a data line. Most are a few to twenty bytes.
inline void copyValue(char* out, const char* in, std::size_t n) noexcept
{
    if (n >= 8 && n <= 16) {
        copyEnds<8>(out, in, n);
    } else if (n > 16 && n <= 32) {
        copyEnds<16>(out, in, n);
    } else if (n >= 4 && n < 8) {
        copyEnds<4>(out, in, n);
    } else if (n > 32) {
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
    // Rows are the bulk of the output: copied straight into the buffer, which is flushed
    // wherever a value would not fit; the room asked for each value keeps the line end's.
    char* const buffer = m_buffer.get();
    char* out = buffer + m_used;
    for (std::string_view value : values) {
        const std::string_view bytes = value.empty() ? kNaN : value;
        if (static_cast<std::size_t>(buffer + kBufferSize - out) < 1 + bytes.size() + kItxEol.size()) {
            m_used = static_cast<std::size_t>(out - buffer);
            flush();
            out = buffer;
            if (1 + bytes.size() + kItxEol.size() > kBufferSize) {
                put("\t");
                put(bytes);
                if (kBufferSize - m_used < kItxEol.size())
                    flush();
                out = buffer + m_used;
                continue;
            }
        }
        *out++ = '\t';
        copyValue(out, bytes.data(), bytes.size());
        out += bytes.size();
    }
    std::memcpy(out, kItxEol.data(), kItxEol.size());
    m_used = static_cast<std::size_t>(out - buffer) + kItxEol.size();
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
