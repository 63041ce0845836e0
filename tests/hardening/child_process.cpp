#include "child_process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kivo::hardening {

namespace {

[[noreturn]] void fatal(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

std::string readAll(int fd)
{
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fatal("read");
        if (n == 0)
            return bytes;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string readMemfd(int fd)
{
    if (::lseek(fd, 0, SEEK_SET) != 0)
        fatal("lseek");
    return readAll(fd);
}

} // namespace

Child::Child(const std::vector<std::string>& args, const Launch& launch)
{
    // Everything the child needs is made before fork(): after it only async-signal-safe calls.
    std::vector<std::string> strings{KIVO_CONVERT_PATH};
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    const std::string dir = launch.workDir.string();

    m_out = ::memfd_create("stdout", MFD_CLOEXEC);
    m_err = ::memfd_create("stderr", MFD_CLOEXEC);
    if (m_out < 0 || m_err < 0)
        fatal("memfd_create");
    const int errFd = launch.stderrFd >= 0 ? launch.stderrFd : m_err;
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (devNull < 0)
        fatal("open /dev/null");

    m_pid = ::fork();
    if (m_pid < 0)
        fatal("fork");
    if (m_pid == 0) {
        if (launch.fileSizeLimit) {
            const rlimit limit{*launch.fileSizeLimit, *launch.fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            // Ignored, so that a write past the limit fails with EFBIG instead of killing.
            ::signal(SIGXFSZ, SIG_IGN);
        }
        // As a shell starts a job in the foreground, whatever the test runner ignores.
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            ::signal(signal, SIG_DFL);
        if (!dir.empty() && ::chdir(dir.c_str()) != 0)
            ::_exit(126);
        ::dup2(devNull, 0);
        ::dup2(m_out, 1);
        ::dup2(errFd, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(devNull);
}

Child::~Child()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0)
        ::close(m_out);
    if (m_err >= 0)
        ::close(m_err);
}

Finished Child::wait()
{
    int status = 0;
    rusage usage{};
    while (::wait4(m_pid, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            fatal("wait4");
    }
    m_pid = -1;
    Finished done;
    if (WIFEXITED(status))
        done.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        done.signal = WTERMSIG(status);
    done.out = readMemfd(m_out);
    done.err = readMemfd(m_err);
    done.peakRssKib = usage.ru_maxrss;
    return done;
}

Finished runKivoConvert(const std::vector<std::string>& args, const Launch& launch)
{
    Child child(args, launch);
    return child.wait();
}

BlockingStderr::BlockingStderr(std::size_t room)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        fatal("pipe2");
    m_read = ends[0];
    m_write = ends[1];
    const int capacity = ::fcntl(m_write, F_GETPIPE_SZ);
    constexpr std::size_t kPage = 4096;
    if (capacity < static_cast<int>(kPage) || room >= kPage)
        throw std::runtime_error("pipe too small for the room asked");
    // A pipe is a ring of pages and a write only tops up the newest one: all pages but one
    // filled, and the last one filled up to `room`, make the byte after `room` block.
    m_filler = static_cast<std::size_t>(capacity) - room;
    const std::string filler(m_filler, '#');
    std::size_t done = 0;
    while (done < filler.size()) {
        const std::size_t chunk = std::min(kPage, filler.size() - done);
        const ssize_t n = ::write(m_write, filler.data() + done, chunk);
        if (n <= 0)
            fatal("filling the pipe");
        done += static_cast<std::size_t>(n);
    }
}

BlockingStderr::~BlockingStderr()
{
    if (m_read >= 0)
        ::close(m_read);
    if (m_write >= 0)
        ::close(m_write);
}

std::string BlockingStderr::drain()
{
    ::close(m_write);
    m_write = -1;
    std::string all = readAll(m_read);
    if (all.size() < m_filler || all.find_first_not_of('#') < m_filler)
        throw std::runtime_error("the pipe's filler came back changed");
    return all.substr(m_filler);
}

bool waitForLock(pid_t pid, const std::filesystem::path& file, int seconds)
{
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return false;
    const std::string inode = ":" + std::to_string(st.st_ino);
    const std::string owner = std::to_string(pid);
    for (int tick = 0; tick < seconds * 100; ++tick) {
        std::ifstream locks("/proc/locks");
        std::string line;
        while (std::getline(locks, line)) {
            // "1: FLOCK  ADVISORY  WRITE 4242 fe:01:131077 0 EOF"
            std::istringstream fields(line);
            std::string number, kind, mode, access, holder, where;
            fields >> number >> kind >> mode >> access >> holder >> where;
            if (kind == "FLOCK" && holder == owner && where.size() > inode.size() &&
                where.compare(where.size() - inode.size(), inode.size(), inode) == 0)
                return true;
        }
        ::usleep(10000);
    }
    return false;
}

std::vector<std::string> listFolder(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string readFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

} // namespace kivo::hardening
