// POSIX: file names are bytes, so std::filesystem handles them without any conversion.
#include "cli/full_path.h"

#include <filesystem>
#include <system_error>

namespace kivo::cli {

std::optional<std::string> fullPath(const std::string& path, std::string& problem)
{
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    if (error) {
        problem = error.message();
        return std::nullopt;
    }
    // ".." is left to the kernel: after a symbolic link it leads to the link target's
    // parent, which no lexical rule can know. Only "." and doubled separators go.
    const std::string text = full.string();
    std::string normal;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string_view part(text.data() + start, end - start);
        if (!part.empty() && part != ".")
            normal.append("/").append(part);
        start = end + 1;
    }
    // A folder keeps the separator at its end, which tells it from a file.
    const bool folder = text.back() == '/' || (text.size() >= 2 && text.compare(text.size() - 2, 2, "/.") == 0);
    if (normal.empty() || folder)
        normal += '/';
    return normal;
}

} // namespace kivo::cli
