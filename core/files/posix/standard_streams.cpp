// This process's standard streams, and the paths that lead to them. Opening such a path anew
// would start a redirection's file from its beginning, or (renamed over) replace it.
#include "core/files/posix/standard_streams.h"

#include <cerrno>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

namespace kivo::core {

namespace {

bool g_closedAtStart[3] = {false, false, false};

bool hold(int fd)
{
    if (fd == 0)
        return ::open("/dev/null", O_RDONLY) == 0;
    // The descriptors below `fd` are open, so the pipe takes `fd` for its read end.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    // dup2 closes the read end, clears close-on-exec and puts the write end at `fd`.
    const bool held = ::dup2(ends[1], fd) == fd;
    if (ends[0] != fd)
        ::close(ends[0]);
    if (ends[1] != fd)
        ::close(ends[1]);
    return held;
}

} // namespace

bool holdClosedStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        g_closedAtStart[fd] = true;
        if (!hold(fd))
            return false;
    }
    return true;
}

bool closedAtStart(int fd)
{
    return fd >= 0 && fd <= 2 && g_closedAtStart[fd];
}

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

int streamHolding(const struct stat& file)
{
    for (const int fd : {1, 2}) {
        struct stat held {};
        if (::fstat(fd, &held) == 0 && held.st_dev == file.st_dev && held.st_ino == file.st_ino)
            return fd;
    }
    return -1;
}

} // namespace kivo::core
