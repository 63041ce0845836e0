// POSIX files for the core. POSIX has no share modes, so "without sharing" is an exclusive
// advisory lock (flock) taken without waiting: a second Kivo then cannot read a file that
// one is reading or writing, as share mode 0 guarantees on Windows.
#include "core/file_system.h"
#include "core/io_error.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kivo::core {

namespace {

int openLocked(const std::string& path, int flags, mode_t mode = 0)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

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

class PosixStagedOutput final : public StagedOutput {
public:
    // `target` is the path the user named, `place` the file it leads to.
    PosixStagedOutput(int fd, std::string target, std::string place, std::string staging)
        : m_fd(fd), m_target(std::move(target)), m_place(std::move(place)), m_staging(std::move(staging))
    {
    }
    PosixStagedOutput(const PosixStagedOutput&) = delete;
    PosixStagedOutput& operator=(const PosixStagedOutput&) = delete;
    ~PosixStagedOutput() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_committed)
            ::unlink(m_staging.c_str());
    }

    void write(const char* data, std::size_t size) override
    {
        while (size > 0) {
            const ssize_t n = ::write(m_fd, data, size);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw IoError(IoOperation::Write, m_target, errno);
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
    }

    void commit() override
    {
        // The data must be on the disk before the rename makes it the output; otherwise a
        // crash could leave an empty file where a good one used to be.
        if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
            throw IoError(IoOperation::Close, m_target, errno);
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            throw IoError(IoOperation::Close, m_target, errno);
        if (::rename(m_staging.c_str(), m_place.c_str()) != 0)
            throw IoError(IoOperation::Close, m_target, errno);
        m_committed = true;
    }

private:
    int m_fd;
    std::string m_target;
    std::string m_place;
    std::string m_staging;
    bool m_committed = false;
};

class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<ByteSource> openRead(const std::string& path) override
    {
        if (path.empty())
            return nullptr;
        const int fd = openLocked(path, O_RDONLY);
        if (fd < 0)
            return nullptr;
        // open(2) succeeds on a directory; and a pipe or device would never end.
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<PosixSource>(fd, path);
    }

    std::unique_ptr<StagedOutput> createStaged(const std::string& path) override
    {
        if (path.empty() || path.back() == '/')
            return nullptr;
        // A link is written through, as opening it for writing would: the file it leads to
        // is replaced, and the link stays.
        std::string place = path;
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            place = resolved;
            std::free(resolved);
        }
        const mode_t mask = ::umask(0);
        ::umask(mask);
        auto mode = static_cast<mode_t>(0666 & ~mask);
        struct stat st {};
        if (::stat(place.c_str(), &st) == 0) {
            // Replacing a directory, or a file the user may not write, is not ours to do.
            if (S_ISDIR(st.st_mode) || ::access(place.c_str(), W_OK) != 0)
                return nullptr;
            mode = st.st_mode & 07777;
        }
        const std::size_t slash = place.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string() : place.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? place : place.substr(slash + 1);
        std::string staging = folder + "." + name + ".kivo-XXXXXX";
        std::vector<char> buffer(staging.begin(), staging.end());
        buffer.push_back('\0');
        const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        staging.assign(buffer.data());
        // mkstemp makes the file private; the output keeps the permissions the file it
        // replaces had, or gets those of any new file.
        ::fchmod(fd, mode);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            ::unlink(staging.c_str());
            return nullptr;
        }
        return std::make_unique<PosixStagedOutput>(fd, path, std::move(place), std::move(staging));
    }

    bool sameFile(const std::string& a, const std::string& b) override
    {
        struct stat sa {};
        struct stat sb {};
        if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0)
            return false;
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    }
};

} // namespace

FileSystem& platformFileSystem()
{
    static PosixFileSystem files;
    return files;
}

} // namespace kivo::core
