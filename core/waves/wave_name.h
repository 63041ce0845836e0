#pragma once

#include "core/files/text.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::core {

// Forces `name` into the shape of an Igor wave or data folder name: an ASCII letter first
// (else "w"), then only ASCII letters, digits and "_", at most `maxSize` bytes (at least 1).
// Returns true when the first byte had to be replaced.
bool sanitizeWaveName(std::string& name, std::size_t maxSize);

// Names the data folders of one output: one per converted file, from the file's name.
class FolderNames final {
public:
    // Igor Pro before version 8 takes names of at most 31 bytes.
    static constexpr std::size_t kMaxSize = 31;

    // The folder for the file shown as `displayName` ("run1.dat"): its name without the
    // extension made a name, cut to kMaxSize bytes, and followed by "_2", "_3", ... when an
    // earlier folder of this output has it already. Igor does not tell names apart by case,
    // and neither does this.
    std::string take(std::string_view displayName, CodePage page);

private:
    bool taken(std::string_view name) const;

    std::vector<std::string> m_taken;
};

} // namespace kivo::core
