#include "failing_reads.h"

#include "core/files/io_error.h"

#include <algorithm>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

namespace kivo::testing {

namespace {

#ifdef _WIN32
constexpr int kDiskReadError = ERROR_CRC;
#else
constexpr int kDiskReadError = EIO;
#endif

class FailingSource final : public core::ByteSource {
public:
    FailingSource(std::unique_ptr<core::ByteSource> real, std::string path, std::size_t goodBytes,
                  const std::function<void(const std::string&)>& fail)
        : m_real(std::move(real)), m_path(std::move(path)), m_left(goodBytes), m_fail(fail)
    {
    }

    std::size_t read(char* buffer, std::size_t size) override
    {
        if (m_left == 0) {
            if (m_fail)
                m_fail(m_path);
            throw core::IoError(core::IoOperation::Read, m_path, kDiskReadError);
        }
        const std::size_t got = m_real->read(buffer, std::min(size, m_left));
        m_left -= got;
        return got;
    }

    void close() override { m_real->close(); }

private:
    std::unique_ptr<core::ByteSource> m_real;
    std::string m_path;
    std::size_t m_left;
    std::function<void(const std::string&)> m_fail;
};

} // namespace

std::unique_ptr<core::ByteSource> FailingReads::openRead(const std::string& path)
{
    std::unique_ptr<core::ByteSource> source = core::platformFileSystem().openRead(path);
    if (source == nullptr || (!failingPath.empty() && path != failingPath))
        return source;
    return std::make_unique<FailingSource>(std::move(source), path, goodBytes, fail);
}

std::unique_ptr<core::StagedOutput> FailingReads::createStaged(const std::string& path)
{
    return core::platformFileSystem().createStaged(path);
}

bool FailingReads::sameFile(const std::string& a, const std::string& b)
{
    return core::platformFileSystem().sameFile(a, b);
}

core::Reason FailingReads::failureReason() const
{
    return core::platformFileSystem().failureReason();
}

} // namespace kivo::testing
