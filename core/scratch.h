#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kivo::core {

// An anonymous temporary file for bytes that must not stay in memory. No name of it
// outlives it: it vanishes when closed or when the process ends, however it ends.
class ScratchFile {
public:
    virtual ~ScratchFile() = default;
    // Appends at the end. Throws std::system_error.
    virtual void append(const char* data, std::size_t size) = 0;
    // Reads `size` bytes at `offset`, all appended before. Throws std::system_error.
    virtual void read(std::uint64_t offset, char* data, std::size_t size) = 0;
    // Empties the file, giving its space back. Throws std::system_error.
    virtual void clear() = 0;
    // The bytes appended since the last clear().
    virtual std::uint64_t size() const noexcept = 0;
};

// A new scratch file in the system's folder for temporary files. Throws std::system_error
// when none can be made.
std::unique_ptr<ScratchFile> createScratchFile();

} // namespace kivo::core
