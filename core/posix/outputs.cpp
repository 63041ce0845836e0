// The two kinds of output on POSIX systems: a descriptor written as it is, and a staging
// file that replaces the target only when complete, named or anonymous (O_TMPFILE).
#include "core/posix/outputs.h"

#include "core/io_error.h"
#include "core/posix/staging_cleanup.h"

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

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

constexpr std::size_t kNameMax = 255;

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
            throw IoError(IoOperation::Close, m_target, errno, "cannot put the output in place");
        disarmCleanup();
        m_committed = true;
    }

private:
    // Gives the anonymous file a name: the output's own when nothing is there yet (true),
    // else a short-lived one in the same folder that the rename then moves over the earlier
    // file (false).
    bool linkAnonymous()
    {
        const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, m_place.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            throw IoError(IoOperation::Close, m_target, errno, "cannot put the output in place");
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
                throw IoError(IoOperation::Close, m_target, errno, "cannot put the output in place");
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

std::unique_ptr<StagedOutput> stageBeside(std::string target, std::string place, const struct stat* earlier,
                                          std::string& why)
{
    const auto failed = [&why](int errorCode) {
        why = systemErrorText(errorCode);
        return nullptr;
    };
    mode_t mode = 0;
    if (earlier != nullptr) {
        mode = earlier->st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = static_cast<mode_t>(0666 & ~mask);
    }
    const std::size_t slash = place.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : place.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? place : place.substr(slash + 1);
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return failed(errno);
    std::string stagingName;
    int fd = -1;
#ifdef O_TMPFILE
    // An anonymous file vanishes with the process whatever ends it, a power cut included.
    fd = ::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
#endif
    if (fd < 0) {
        // The name derived from the output's own would pass the file system's limit.
        const std::string base = name.size() + 13 > kNameMax ? std::string() : name;
        std::string pattern = folder + (folder.back() == '/' ? "" : "/") + "." + base + (base.empty() ? "" : ".")
                              + "kivo-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        fd = ::mkostemp(buffer.data(), O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            ::close(folderFd);
            return failed(error);
        }
        pattern.assign(buffer.data());
        armCleanup(pattern);
        stagingName = pattern.substr(pattern.rfind('/') + 1);
    }
    // The output keeps the owner, group and permissions of the file it replaces, or gets
    // those of any new file. The owner only changes when root runs Kivo; then first, as
    // a change of owner clears the set-user-ID bits.
    if (earlier != nullptr)
        (void)::fchown(fd, earlier->st_uid, earlier->st_gid);
    ::fchmod(fd, mode);
    auto output = std::make_unique<PosixStagedOutput>(fd, folderFd, std::move(target), std::move(place),
                                                      std::move(stagingName));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return failed(errno);
    return output;
}

} // namespace kivo::core
