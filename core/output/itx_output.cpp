#include "core/output/itx_output.h"

#include "core/files/background_task.h"
#include "core/files/file_system.h"
#include "core/waves/igor_number.h"

#include <cstring>
#include <system_error>
#include <utility>

namespace kivo::core {

namespace {

constexpr std::string_view kNaN = number_detail::kNaNWord;

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

// A value this long or shorter is copied by fixed-size moves; rows whose values all are
// need one test of the buffer's room.
constexpr std::size_t kShortValue = 32;

// Copies a value of a data line of up to kShortValue bytes. Most are a few to twenty bytes.
inline void copyShortValue(char* out, const char* in, std::size_t n) noexcept
{
    if (n - 8 <= 8) {
        copyEnds<8>(out, in, n);
    } else if (n > 16) {
        copyEnds<16>(out, in, n);
    } else if (n >= 4) {
        copyEnds<4>(out, in, n);
    } else if (n > 0) {
        out[0] = in[0];
        out[n / 2] = in[n / 2];
        out[n - 1] = in[n - 1];
    }
}

} // namespace

ItxOutput::ItxOutput() : m_buffer(std::make_unique_for_overwrite<char[]>(kBufferSize))
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
            if (m_behind)
                m_behind->wait();
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
    // Rows are the bulk of the output: copied straight into the buffer, once it has room for
    // the line with every value at its longest short length.
    if (kBufferSize - m_used < values.size() * (1 + kShortValue) + kItxEol.size()) {
        flush();
        if (values.size() * (1 + kShortValue) + kItxEol.size() > kBufferSize)
            return putRowPiecewise(values);
    }
    char* const buffer = m_buffer.get();
    char* out = buffer + m_used;
    for (std::size_t k = 0; k < values.size(); ++k) {
        const std::string_view bytes = values[k].empty() ? kNaN : values[k];
        if (bytes.size() > kShortValue) {
            m_used = static_cast<std::size_t>(out - buffer);
            return putRowPiecewise(values.subspan(k));
        }
        *out++ = '\t';
        copyShortValue(out, bytes.data(), bytes.size());
        out += bytes.size();
    }
    std::memcpy(out, kItxEol.data(), kItxEol.size());
    m_used = static_cast<std::size_t>(out - buffer) + kItxEol.size();
}

void ItxOutput::putRowPiecewise(std::span<const std::string_view> values)
{
    for (std::string_view value : values) {
        put("\t");
        put(value.empty() ? kNaN : value);
    }
    put(kItxEol);
}

void ItxOutput::flush()
{
    if (m_used == 0)
        return;
    // An output of more than a buffer is written by a thread of its own, one buffer while
    // the next is filled. Where no thread can be started, the buffers are written in turn.
    if (!m_behind) {
        if (!m_spare)
            m_spare = std::make_unique_for_overwrite<char[]>(kBufferSize);
        try {
            m_behind = std::make_unique<BackgroundTask>();
        } catch (const std::system_error&) {
            // No thread: the work is done in turn, as on a machine without threads.
        }
    }
    if (!m_behind) {
        m_output->write(m_buffer.get(), m_used);
        m_used = 0;
        return;
    }
    // The buffer written last is free again once its write has ended.
    m_behind->wait();
    m_buffer.swap(m_spare);
    m_behind->start([this, size = std::exchange(m_used, 0)] { m_output->write(m_spare.get(), size); });
}

void ItxOutput::settle()
{
    if (m_behind)
        m_behind->wait();
    if (m_used > 0) {
        m_output->write(m_buffer.get(), m_used);
        m_used = 0;
    }
}

void ItxOutput::close()
{
    // Closed already, or never created: nothing is left to put in place.
    if (!m_output)
        return;
    settle();
    std::unique_ptr<StagedOutput> output = std::move(m_output);
    output->commit();
}

} // namespace kivo::core
