// Which file an output path names on POSIX systems.
#include "core/files/posix/output_target.h"

#include <climits>
#include <cstdlib>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace kivo::core {

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
