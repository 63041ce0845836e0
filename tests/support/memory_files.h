#pragma once

// Files in memory for tests and fuzzers: inputs handed out in pieces of any size (to put
// block boundaries anywhere), outputs that appear only when committed, and failures on
// demand for every operation.

#include "core/files/file_system.h"

#include <cstddef>
#include <deque>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kivo::testing {

constexpr std::size_t kNever = std::numeric_limits<std::size_t>::max();

// Hands out `data` at most `piece` bytes per read; throws a read error once `failAfter`
// bytes have been handed out.
class MemorySource final : public core::ByteSource {
public:
    explicit MemorySource(std::string data, std::size_t piece = kNever, std::size_t failAfter = kNever,
                          std::string path = "memory");
    std::size_t read(char* buffer, std::size_t size) override;
    void close() override;

    bool failClose = false;

private:
    std::string m_data;
    std::size_t m_piece;
    std::size_t m_failAfter;
    std::string m_path;
    std::size_t m_pos = 0;
};

class MemoryFileSystem final : public core::FileSystem {
public:
    std::map<std::string, std::string> files;  // committed contents by path
    std::set<std::string> locked;              // paths another program holds open
    std::size_t readPiece = kNever;            // bytes per read of every input
    std::size_t failReadAfter = kNever;        // read error after this many bytes of one input
    std::size_t failWriteAfter = kNever;       // write error after this many output bytes
    bool failCommit = false;
    bool failInputClose = false;
    bool outOfMemory = false;                  // opening an input throws std::bad_alloc
    int stagedAlive = 0;                       // staging files not yet committed or discarded

    std::unique_ptr<core::ByteSource> openRead(const std::string& path) override;
    std::unique_ptr<core::StagedOutput> createStaged(const std::string& path) override;
    bool sameFile(const std::string& a, const std::string& b) override;
};

} // namespace kivo::testing
