// POSIX files for the core. POSIX has no share modes, so "without sharing" is an exclusive
// advisory lock (flock) taken without waiting: a second Kivo then cannot read a file that
// one is reading or writing, as share mode 0 guarantees on Windows.
#include "core/files/file_system.h"
#include "core/files/io_error.h"
#include "core/files/posix/output_target.h"
#include "core/files/posix/outputs.h"
#include "core/files/posix/standard_streams.h"
#include "core/files/system_files.h"

#include <cerrno>
#include <string>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kivo::core {

const char* const kStandardOutputPath = "/dev/stdout";

std::string systemErrorText(int errorCode)
{
    return std::generic_category().message(errorCode);
}

namespace {

class PosixSource final : public ByteSource {
public:
    PosixSource(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    PosixSource(const PosixSource&) = delete;
    PosixSource& operator=(const PosixSource&) = delete;
    ~PosixSource() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    std::size_t read(char* buffer, std::size_t size) override
    {
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, size);
            if (n >= 0)
                return static_cast<std::size_t>(n);
            if (errno != EINTR)
                throw IoError(IoOperation::Read, m_path, errno);
        }
    }

    void close() override
    {
        if (m_fd < 0)
            return;
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            throw IoError(IoOperation::Close, m_path, errno);
    }

private:
    int m_fd;
    std::string m_path;
};

class PosixFileSystem final : public SystemFileSystem {
public:
    bool sameFile(const std::string& a, const std::string& b) override
    {
        struct stat sa {};
        struct stat sb {};
        if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0)
            return false;
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    }

protected:
    std::unique_ptr<ByteSource> openExisting(const std::string& path) override
    {
        // Without blocking: opening a FIFO would otherwise wait forever for a writer.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return refuse(ReasonKind::CannotOpen, path, errno);
        // A directory opens; and a pipe or device would never end.
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            const int error = errno;
            ::close(fd);
            return refuse(ReasonKind::CannotOpen, path, error);
        }
        if (!S_ISREG(st.st_mode)) {
            ::close(fd);
            return S_ISDIR(st.st_mode) ? refuse(ReasonKind::CannotOpen, path, EISDIR)
                                       : refuse(ReasonKind::CannotOpen, path, because(ReasonKind::NotARegularFile));
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            return error == EWOULDBLOCK
                       ? refuse(ReasonKind::CannotOpen, path, because(ReasonKind::HeldByAnotherProgram))
                       : refuse(ReasonKind::CannotOpen, path, error);
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return std::make_unique<PosixSource>(fd, path);
    }

    std::unique_ptr<StagedOutput> createOutput(const std::string& path) override
    {
        if (const int stream = standardStream(path); stream >= 0)
            return throughStream(path, stream);
        if (path.back() == '/')
            return refuse(ReasonKind::CannotCreate, path, EISDIR);
        // Standard output or error under another name (/dev/../dev/stdout, a link to it,
        // /proc/thread-self/fd/1): written through the descriptor, so >> appends. Told by
        // the file the path opens, which for a pipe has no name to resolve to.
        if (struct stat named{}; ::stat(path.c_str(), &named) == 0) {
            if (const int stream = streamHolding(named); stream >= 0)
                return throughStream(path, stream);
        }
        // A link is written through, as opening it for writing would: the file it leads to
        // is replaced, and the link stays.
        std::string place = resolve(path);
        struct stat st {};
        const bool exists = ::stat(place.c_str(), &st) == 0;
        // Only a path that leads nowhere yet is one to create: a loop of links, say, is not.
        if (!exists && errno != ENOENT)
            return refuse(ReasonKind::CannotCreate, path, errno);
        if (exists) {
            if (S_ISDIR(st.st_mode))
                return refuse(ReasonKind::CannotCreate, path, EISDIR);
            if (!S_ISREG(st.st_mode))
                return openInPlace(path, place);
            // Replacing a file the user may not write is not ours to do.
            if (::access(place.c_str(), W_OK) != 0)
                return refuse(ReasonKind::CannotCreate, path, errno);
        }
        Reason why;
        auto output = stageBeside(path, place, exists ? &st : nullptr, why);
        if (!output)
            return refuse(ReasonKind::CannotCreate, path, std::move(why));
        return output;
    }

private:
    std::unique_ptr<StagedOutput> throughStream(const std::string& path, int stream)
    {
        // A stream closed at start holds a pipe nobody reads: writing there would be lost.
        if (closedAtStart(stream)) {
            static constexpr ReasonKind kClosed[] = {ReasonKind::StandardInputClosed,
                                                     ReasonKind::StandardOutputClosed,
                                                     ReasonKind::StandardErrorClosed};
            return refuse(ReasonKind::CannotWriteTo, path, because(kClosed[stream]));
        }
        const int fd = ::fcntl(stream, F_DUPFD_CLOEXEC, 3);
        if (fd < 0)
            return refuse(ReasonKind::CannotWriteTo, path, errno);
        return inPlaceOutput(fd, path);
    }

    std::unique_ptr<StagedOutput> openInPlace(const std::string& path, const std::string& place)
    {
        const int fd = ::open(place.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return refuse(ReasonKind::CannotOpen, path, errno);
        return inPlaceOutput(fd, path);
    }
};

} // namespace

FileSystem& platformFileSystem()
{
    static PosixFileSystem files;
    return files;
}

} // namespace kivo::core
