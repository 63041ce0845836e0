#include "core/output/itx_output.h"

#include "core/files/file_system.h"

#include <cstring>

namespace kivo::core {

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
