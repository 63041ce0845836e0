#pragma once

// The operating system's files with one input that fails part way, as on a failing disk,
// to reach the error paths of a run on real files.

#include "core/files/file_system.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace kivo::testing {

// Reading `failingPath` (every input when it is empty) hands out `goodBytes` bytes and then
// calls `fail`, which throws; without one, the read error of a failing disk: EIO on POSIX,
// ERROR_CRC on Windows. Everything else goes to the system's files as it is.
class FailingReads final : public core::FileSystem {
public:
    std::string failingPath;
    std::size_t goodBytes = 0;
    std::function<void(const std::string& path)> fail;

    std::unique_ptr<core::ByteSource> openRead(const std::string& path) override;
    std::unique_ptr<core::StagedOutput> createStaged(const std::string& path) override;
    bool sameFile(const std::string& a, const std::string& b) override;
    core::Reason failureReason() const override;
};

} // namespace kivo::testing
