// POSIX files for the core. POSIX has no share modes, so "without sharing" is an exclusive
// advisory lock (flock) taken without waiting: a second Kivo then cannot read a file that
// one is reading or writing, as share mode 0 guarantees on Windows.
#include "core/file_system.h"
#include "core/io_error.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

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

// The named staging file, if there is one, kept where a signal handler can reach it
// without allocating: an interrupted run must not leave tens of megabytes behind.
char g_stagingPath[PATH_MAX];
volatile std::sig_atomic_t g_stagingArmed = 0;

extern "C" void removeStagingAndDie(int signal)
{
    if (g_stagingArmed != 0)
        ::unlink(g_stagingPath);
    // SA_RESETHAND has put the default action back; the signal raised again is held until
    // this handler returns, and then ends the process with the usual status.
    ::raise(signal);
}

void installCleanupHandlers()
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        // A signal the caller ignores (nohup) or handles itself stays theirs.
        if (::sigaction(signal, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL)
            continue;
        struct sigaction action {};
        action.sa_handler = removeStagingAndDie;
        action.sa_flags = static_cast<int>(SA_RESETHAND);
        sigfillset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

void armCleanup(const std::string& path)
{
    static const bool installed = (installCleanupHandlers(), true);
    (void)installed;
    g_stagingArmed = 0;
    if (path.size() >= sizeof g_stagingPath)
        return;
    std::memcpy(g_stagingPath, path.c_str(), path.size() + 1);
    g_stagingArmed = 1;
}

void disarmCleanup()
{
    g_stagingArmed = 0;
}

std::string failedBecause(const std::string& what, const std::string& path, int errorCode)
{
    return what + " " + path + ": " + systemErrorText(errorCode);
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

// A device, FIFO, terminal or standard stream: written as it is, since replacing it with a
// regular file would destroy it (or, for a redirection with >>, the file behind it).
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

// The descriptor a path names when it is one of this process's standard streams or open
// files, or -1. Opening such a path anew would start a redirection's file from its
// beginning, or (renamed over) replace it.
int standardStream(const std::string& path)
{
    if (path == "/dev/stdin")
        return 0;
    if (path == "/dev/stdout")
        return 1;
    if (path == "/dev/stderr")
        return 2;
    for (const std::string_view prefix : {std::string_view("/dev/fd/"), std::string_view("/proc/self/fd/")}) {
        if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0
            || path.size() - prefix.size() > 9)
            continue;
        int fd = 0;
        for (std::size_t i = prefix.size(); i < path.size(); ++i) {
            if (path[i] < '0' || path[i] > '9')
                return -1;
            fd = fd * 10 + (path[i] - '0');
        }
        return fd;
    }
    return -1;
}

// Where `path` leads once every symbolic link is followed, even one whose target does not
// exist yet: writing through a dangling link creates its target and keeps the link.
std::string resolve(const std::string& path)
{
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        std::string place = resolved;
        std::free(resolved);
        return place;
    }
    std::string place = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(place.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        std::vector<char> buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        const ssize_t n = ::readlink(place.c_str(), buffer.data(), buffer.size());
        if (n < 0 || static_cast<std::size_t>(n) >= buffer.size())
            break;
        const std::string target(buffer.data(), static_cast<std::size_t>(n));
        if (!target.empty() && target.front() == '/')
            place = target;
        else
            place.erase(place.rfind('/') + 1).append(target);
    }
    return place;
}

class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<ByteSource> openRead(const std::string& path) override
    {
        m_reason.clear();
        if (path.empty()) {
            m_reason = "the input path is empty";
            return nullptr;
        }
        // Without blocking: opening a FIFO would otherwise wait forever for a writer.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            m_reason = failedBecause("cannot open", path, errno);
            return nullptr;
        }
        // A directory opens; and a pipe or device would never end.
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            m_reason = S_ISDIR(st.st_mode) ? failedBecause("cannot open", path, EISDIR)
                                           : "cannot open " + path + ": not a regular file";
            ::close(fd);
            return nullptr;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            m_reason = errno == EWOULDBLOCK ? "cannot open " + path + ": another program has it open"
                                            : failedBecause("cannot open", path, errno);
            ::close(fd);
            return nullptr;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return std::make_unique<PosixSource>(fd, path);
    }

    std::unique_ptr<StagedOutput> createStaged(const std::string& path) override
    {
        m_reason.clear();
        if (path.empty()) {
            m_reason = "the output path is empty";
            return nullptr;
        }
        if (const int stream = standardStream(path); stream >= 0) {
            const int fd = ::fcntl(stream, F_DUPFD_CLOEXEC, 3);
            if (fd < 0) {
                m_reason = failedBecause("cannot write to", path, errno);
                return nullptr;
            }
            return std::make_unique<InPlaceOutput>(fd, path);
        }
        if (path.back() == '/') {
            m_reason = failedBecause("cannot create", path, EISDIR);
            return nullptr;
        }
        // A link is written through, as opening it for writing would: the file it leads to
        // is replaced, and the link stays.
        std::string place = resolve(path);
        const mode_t mask = ::umask(0);
        ::umask(mask);
        auto mode = static_cast<mode_t>(0666 & ~mask);
        struct stat st {};
        const bool exists = ::stat(place.c_str(), &st) == 0;
        if (exists) {
            if (S_ISDIR(st.st_mode)) {
                m_reason = failedBecause("cannot create", path, EISDIR);
                return nullptr;
            }
            if (!S_ISREG(st.st_mode))
                return openInPlace(path, place);
            // Replacing a file the user may not write is not ours to do.
            if (::access(place.c_str(), W_OK) != 0) {
                m_reason = failedBecause("cannot create", path, errno);
                return nullptr;
            }
            mode = st.st_mode & 07777;
        }
        const std::size_t slash = place.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string(".") : place.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? place : place.substr(slash + 1);
        const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folderFd < 0) {
            m_reason = failedBecause("cannot create", path, errno);
            return nullptr;
        }
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
                m_reason = failedBecause("cannot create", path, errno);
                ::close(folderFd);
                return nullptr;
            }
            pattern.assign(buffer.data());
            armCleanup(pattern);
            stagingName = pattern.substr(pattern.rfind('/') + 1);
        }
        // The output keeps the owner, group and permissions of the file it replaces, or gets
        // those of any new file. The owner only changes when root runs Kivo; then first, as
        // a change of owner clears the set-user-ID bits.
        if (exists)
            (void)::fchown(fd, st.st_uid, st.st_gid);
        ::fchmod(fd, mode);
        auto output = std::make_unique<PosixStagedOutput>(fd, folderFd, path, std::move(place), std::move(stagingName));
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            m_reason = failedBecause("cannot create", path, errno);
            return nullptr;
        }
        return output;
    }

    bool sameFile(const std::string& a, const std::string& b) override
    {
        struct stat sa {};
        struct stat sb {};
        if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0)
            return false;
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    }

    std::string failureReason() const override
    {
        return m_reason;
    }

private:
    std::unique_ptr<StagedOutput> openInPlace(const std::string& path, const std::string& place)
    {
        const int fd = ::open(place.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            m_reason = failedBecause("cannot open", path, errno);
            return nullptr;
        }
        return std::make_unique<InPlaceOutput>(fd, path);
    }

    std::string m_reason;
};

} // namespace

FileSystem& platformFileSystem()
{
    static PosixFileSystem files;
    return files;
}

} // namespace kivo::core
