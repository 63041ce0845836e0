#include "core/files/system_files.h"

#include "core/files/io_error.h"
#include "core/files/text.h"

#include <utility>

namespace kivo::core {

std::unique_ptr<ByteSource> SystemFileSystem::openRead(const std::string& path)
{
    m_reason.clear();
    if (path.empty())
        return refuse("the input path is empty");
    return openExisting(path);
}

std::unique_ptr<StagedOutput> SystemFileSystem::createStaged(const std::string& path)
{
    m_reason.clear();
    if (path.empty())
        return refuse("the output path is empty");
    return createOutput(path);
}

std::nullptr_t SystemFileSystem::refuse(const std::string& what, const std::string& path, const std::string& why)
{
    return refuse(what + " " + systemTextToUtf8(path) + ": " + why);
}

std::nullptr_t SystemFileSystem::refuse(const std::string& what, const std::string& path, int errorCode)
{
    return refuse(what, path, systemErrorText(errorCode));
}

std::nullptr_t SystemFileSystem::refuse(std::string reason)
{
    m_reason = std::move(reason);
    return nullptr;
}

} // namespace kivo::core
