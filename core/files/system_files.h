#pragma once

#include "core/files/file_system.h"

#include <cstddef>
#include <memory>
#include <string>

namespace kivo::core {

// What the operating systems' file systems share: the reason kept for the last refusal, and
// the refusal of an empty path, which no system call is given.
class SystemFileSystem : public FileSystem {
public:
    std::unique_ptr<ByteSource> openRead(const std::string& path) final;
    std::unique_ptr<StagedOutput> createStaged(const std::string& path) final;
    Reason failureReason() const final { return m_reason; }

protected:
    // openRead() and createStaged() for a path that is not empty; a refusal returns
    // refuse(...).
    virtual std::unique_ptr<ByteSource> openExisting(const std::string& path) = 0;
    virtual std::unique_ptr<StagedOutput> createOutput(const std::string& path) = 0;

    // Keeps `why` behind the step `what` on `path` (made UTF-8) as the reason, and gives
    // nullptr.
    std::nullptr_t refuse(ReasonKind what, const std::string& path, Reason why);
    // The same with the system's sentence for `errorCode` as the reason why.
    std::nullptr_t refuse(ReasonKind what, const std::string& path, int errorCode);
    // Keeps `reason` as it is, and gives nullptr.
    std::nullptr_t refuse(Reason reason);

private:
    Reason m_reason;
};

} // namespace kivo::core
