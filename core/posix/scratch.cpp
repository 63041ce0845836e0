// The scratch file on POSIX systems: opened with O_TMPFILE where the kernel and the file
// system allow it, so that it never has a name; elsewhere made by mkstemp and unlinked at
// once, which leaves a name for a moment only.
#include "core/scratch.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace kivo::core {

namespace {

[[noreturn]] void throwErrno(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

class PosixScratch final : public ScratchFile {
public:
    explicit PosixScratch(int fd) : m_fd(fd) {}
    PosixScratch(const PosixScratch&) = delete;
    PosixScratch& operator=(const PosixScratch&) = delete;
    ~PosixScratch() override { ::close(m_fd); }

    void append(const char* data, std::size_t size) override
    {
        while (size > 0) {
            const ssize_t n = ::pwrite(m_fd, data, size, static_cast<off_t>(m_size));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throwErrno("scratch write");
            }
            data += n;
            size -= static_cast<std::size_t>(n);
            m_size += static_cast<std::uint64_t>(n);
        }
    }

    void read(std::uint64_t offset, char* data, std::size_t size) override
    {
        while (size > 0) {
            const ssize_t n = ::pread(m_fd, data, size, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                throwErrno("scratch read");
            if (n == 0)
                throw std::system_error(EIO, std::generic_category(), "scratch read");
            data += n;
            size -= static_cast<std::size_t>(n);
            offset += static_cast<std::uint64_t>(n);
        }
    }

    void clear() override
    {
        if (::ftruncate(m_fd, 0) != 0)
            throwErrno("scratch truncate");
        m_size = 0;
    }

    std::uint64_t size() const noexcept override { return m_size; }

private:
    int m_fd;
    std::uint64_t m_size = 0;
};

} // namespace

std::unique_ptr<ScratchFile> createScratchFile()
{
    const char* tmp = std::getenv("TMPDIR");
    const std::string dir = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
#ifdef O_TMPFILE
    const int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return std::make_unique<PosixScratch>(fd);
#endif
    std::string name = dir + "/.kivo-scratch-XXXXXX";
    const int named = ::mkstemp(name.data());
    if (named < 0)
        throwErrno("scratch create");
    ::unlink(name.c_str());
    ::fcntl(named, F_SETFD, FD_CLOEXEC);
    return std::make_unique<PosixScratch>(named);
}

} // namespace kivo::core
