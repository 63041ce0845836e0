#include "memory_files.h"

#include "core/files/io_error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace kivo::testing {

MemorySource::MemorySource(std::string data, std::size_t piece, std::size_t failAfter, std::string path)
    : m_data(std::move(data)), m_piece(piece), m_failAfter(failAfter), m_path(std::move(path))
{
}

std::size_t MemorySource::read(char* buffer, std::size_t size)
{
    if (m_pos >= m_failAfter)
        throw core::IoError(core::IoOperation::Read, m_path, EIO);
    std::size_t n = std::min({size, m_piece, m_data.size() - m_pos});
    if (m_failAfter != kNever)
        n = std::min(n, m_failAfter - m_pos);
    std::memcpy(buffer, m_data.data() + m_pos, n);
    m_pos += n;
    return n;
}

void MemorySource::close()
{
    if (failClose)
        throw core::IoError(core::IoOperation::Close, m_path, EIO);
}

namespace {

class MemoryStaged final : public core::StagedOutput {
public:
    MemoryStaged(MemoryFileSystem& fs, std::string path) : m_fs(fs), m_path(std::move(path)) { ++m_fs.stagedAlive; }
    ~MemoryStaged() override { --m_fs.stagedAlive; }

    void write(const char* data, std::size_t size) override
    {
        if (m_fs.failWriteAfter != kNever && m_data.size() + size > m_fs.failWriteAfter)
            throw core::IoError(core::IoOperation::Write, m_path, ENOSPC);
        m_data.append(data, size);
    }

    void commit() override
    {
        if (m_fs.failCommit)
            throw core::IoError(core::IoOperation::Close, m_path, EIO);
        m_fs.files[m_path] = m_data;
    }

private:
    MemoryFileSystem& m_fs;
    std::string m_path;
    std::string m_data;
};

} // namespace

std::unique_ptr<core::ByteSource> MemoryFileSystem::openRead(const std::string& path)
{
    if (outOfMemory)
        throw std::bad_alloc();
    const auto it = files.find(path);
    if (it == files.end() || locked.count(path) != 0)
        return nullptr;
    auto source = std::make_unique<MemorySource>(it->second, readPiece, failReadAfter, path);
    source->failClose = failInputClose;
    return source;
}

std::unique_ptr<core::StagedOutput> MemoryFileSystem::createStaged(const std::string& path)
{
    if (path.empty() || path.back() == '/' || locked.count(path) != 0)
        return nullptr;
    return std::make_unique<MemoryStaged>(*this, path);
}

bool MemoryFileSystem::sameFile(const std::string& a, const std::string& b)
{
    return a == b && files.count(a) != 0;
}

} // namespace kivo::testing
