#include "core/files/system_files.h"

#include "core/files/text.h"

#include <utility>

namespace kivo::core {

std::unique_ptr<ByteSource> SystemFileSystem::openRead(const std::string& path)
{
    m_reason = {};
    if (path.empty())
        return refuse(because(ReasonKind::InputPathEmpty));
    return openExisting(path);
}

std::unique_ptr<StagedOutput> SystemFileSystem::createStaged(const std::string& path)
{
    m_reason = {};
    if (path.empty())
        return refuse(because(ReasonKind::OutputPathEmpty));
    return createOutput(path);
}

std::nullptr_t SystemFileSystem::refuse(ReasonKind what, const std::string& path, Reason why)
{
    return refuse(within(what, systemTextToUtf8(path), std::move(why)));
}

std::nullptr_t SystemFileSystem::refuse(ReasonKind what, const std::string& path, int errorCode)
{
    return refuse(what, path, systemReason(errorCode));
}

std::nullptr_t SystemFileSystem::refuse(Reason reason)
{
    m_reason = std::move(reason);
    return nullptr;
}

} // namespace kivo::core
