// The two kinds of output on POSIX systems: a descriptor written as it is, and a staging
// file that replaces the target only when complete, named or anonymous (O_TMPFILE).
#include "core/files/posix/outputs.h"

#include "core/files/io_error.h"
#include "core/files/posix/file_attributes.h"
#include "core/files/posix/staging_cleanup.h"
#include "core/files/text.h"

#include <cerrno>
#include <random>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kivo::core {

namespace {

void writeAll(int fd, const char* data, std::size_t size, const std::string& target)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw IoError(IoOperation::Write, target, errno);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

std::string procSelfFd(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

class InPlaceOutput final : public StagedOutput {
public:
    InPlaceOutput(int fd, std::string target) : m_fd(fd), m_target(std::move(target)) {}
    InPlaceOutput(const InPlaceOutput&) = delete;
    InPlaceOutput& operator=(const InPlaceOutput&) = delete;
    ~InPlaceOutput() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    void write(const char* data, std::size_t size) override { writeAll(m_fd, data, size, m_target); }

    void commit() override
    {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            throw IoError(IoOperation::Close, m_target, errno);
    }

private:
    int m_fd;
    std::string m_target;
};

// An anonymous file vanishes with the process whatever ends it, a power cut included. It
// is only of use where /proc/self/fd can name it at the end; without /proc (a chroot, a
// container) it could never be put in place, so that is found out now, not after the work.
int openAnonymous(int folderFd)
{
#ifdef O_TMPFILE
    const int fd = ::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0)
        return -1;
    struct stat opened {};
    struct stat named {};
    if (::fstat(fd, &opened) == 0 && ::stat(procSelfFd(fd).c_str(), &named) == 0 && opened.st_dev == named.st_dev
        && opened.st_ino == named.st_ino)
        return fd;
    ::close(fd);
#else
    (void)folderFd;
#endif
    return -1;
}

// A new file in `folderFd` named `prefix` and six random letters, created as the shell
// would (mode 0666 under the umask); mkstemp's files are 0600 whatever the umask.
int openNamed(int folderFd, const std::string& prefix, std::string& name)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix;
        for (int i = 0; i < 6; ++i)
            name += kLetters[random() % (sizeof kLetters - 1)];
        const int fd = ::openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

constexpr std::size_t kNameMax = 255;

// A folder as the user would look for it: without the separator at its end.
std::string shownFolder(const std::string& folder)
{
    return folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
}

class PosixStagedOutput final : public StagedOutput {
public:
    // `target` is the path the user named, `place` the file it leads to. The staging file is
    // anonymous when `stagingName` is empty, else that name in `folderFd`.
    PosixStagedOutput(int fd, int folderFd, std::string target, std::string place, std::string stagingName)
        : m_fd(fd)
        , m_folderFd(folderFd)
        , m_target(std::move(target))
        , m_place(std::move(place))
        , m_stagingName(std::move(stagingName))
    {
    }
    PosixStagedOutput(const PosixStagedOutput&) = delete;
    PosixStagedOutput& operator=(const PosixStagedOutput&) = delete;
    ~PosixStagedOutput() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_committed && !m_stagingName.empty()) {
            disarmCleanup();
            // Through the folder's descriptor: the folder may have been renamed meanwhile.
            ::unlinkat(m_folderFd, m_stagingName.c_str(), 0);
        }
        ::close(m_folderFd);
    }

    void write(const char* data, std::size_t size) override { writeAll(m_fd, data, size, m_target); }

    void commit() override
    {
        // The data must be on the disk before the rename makes it the output; otherwise a
        // crash could leave an empty file where a good one used to be.
        if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
            throw IoError(IoOperation::Close, m_target, errno);
        if (m_stagingName.empty() && linkAnonymous()) {
            m_committed = true;
            const int fd = m_fd;
            m_fd = -1;
            if (::close(fd) != 0)
                throw IoError(IoOperation::Close, m_target, errno);
            return;
        }
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            throw IoError(IoOperation::Close, m_target, errno);
        if (::renameat(m_folderFd, m_stagingName.c_str(), AT_FDCWD, m_place.c_str()) != 0)
            throw IoError(IoOperation::Close, m_target, errno, ReasonKind::CannotPutInPlace);
        disarmCleanup();
        m_committed = true;
    }

private:
    // Gives the anonymous file a name: the output's own when nothing is there yet (true),
    // else a short-lived one in the same folder that the rename then moves over the earlier
    // file (false).
    bool linkAnonymous()
    {
        const std::string self = procSelfFd(m_fd);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, m_place.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            throw IoError(IoOperation::Close, m_target, errno, ReasonKind::CannotPutInPlace);
        const std::size_t slash = m_place.rfind('/');
        const std::string folder = m_place.substr(0, slash + 1);
        for (unsigned attempt = 0;; ++attempt) {
            std::string name = ".kivo-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
            armCleanup(folder + name);
            if (::linkat(AT_FDCWD, self.c_str(), m_folderFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                m_stagingName = std::move(name);
                return false;
            }
            disarmCleanup();
            if (errno != EEXIST || attempt >= 100)
                throw IoError(IoOperation::Close, m_target, errno, ReasonKind::CannotPutInPlace);
        }
    }

    int m_fd;
    int m_folderFd;
    std::string m_target;
    std::string m_place;
    std::string m_stagingName;
    bool m_committed = false;
};

} // namespace

std::unique_ptr<StagedOutput> inPlaceOutput(int fd, std::string target)
{
    return std::make_unique<InPlaceOutput>(fd, std::move(target));
}

std::unique_ptr<StagedOutput> stageBeside(std::string target, const std::string& place, const struct stat* earlier,
                                          Reason& why)
{
    const std::size_t slash = place.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : place.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? place : place.substr(slash + 1);
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) {
        why = systemReason(errno);
        return nullptr;
    }
    // Mode 0666 and no fchmod for a new file: the kernel applies the umask, or the folder's
    // default ACL, exactly as for a file the shell creates.
    std::string stagingName;
    int fd = openAnonymous(folderFd);
    if (fd < 0) {
        // The name derived from the output's own would pass the file system's limit.
        const std::string base = name.size() + 14 > kNameMax ? std::string() : name + ".";
        fd = openNamed(folderFd, "." + base + "kivo-", stagingName);
        if (fd < 0) {
            const int error = errno;
            ::close(folderFd);
            // The folder refuses, not the file (which may not exist yet): name it.
            why = error == EACCES || error == EPERM || error == EROFS
                      ? within(ReasonKind::CannotWriteInFolder, systemTextToUtf8(shownFolder(folder)),
                               systemReason(error))
                      : systemReason(error);
            return nullptr;
        }
        armCleanup(folder + (folder.back() == '/' ? "" : "/") + stagingName);
    }
    auto output = std::make_unique<PosixStagedOutput>(fd, folderFd, std::move(target), place, std::move(stagingName));
    if (earlier != nullptr && !keepAttributes(fd, place, *earlier, why))
        return nullptr;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        why = systemReason(errno);
        return nullptr;
    }
    return output;
}

} // namespace kivo::core
