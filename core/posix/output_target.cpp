// Which file an output path names on POSIX systems.
#include "core/posix/output_target.h"

#include <climits>
#include <cstdlib>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace kivo::core {

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

} // namespace kivo::core
