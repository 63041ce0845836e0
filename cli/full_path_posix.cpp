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
    return full.lexically_normal().string();
}

} // namespace kivo::cli
