#pragma once

#include "core/run/host.h"
#include "core/files/text.h"

#include <string>
#include <string_view>
#include <vector>

namespace kivo::intake {

// The separator of the paths that drops deliver on this platform.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// A dropped path taken apart from its end: the extension follows the last "." anywhere in
// the path, the name follows the last separator before that ".".
struct PathParts {
    std::string directory;
    std::string name;
    std::string extension;

    friend bool operator==(const PathParts&, const PathParts&) = default;
};

// Splits `path`; both searches skip the second byte of a two-byte character. Without a "."
// the extension is empty and the stem is the whole path; paths of any length are taken whole.
PathParts splitPath(std::string_view path, char separator = kPathSeparator,
                    core::CodePage page = core::systemCodePage());

// The longest prefix whose wave names Igor still accepts.
constexpr std::size_t kMaxPrefixSize = 242;

// Forces `prefix` into a wave-name shape: an ASCII letter first (else "w"), then only ASCII
// letters, digits and "_", at most kMaxPrefixSize bytes. Returns true when the first byte
// had to be replaced.
bool sanitizePrefix(std::string& prefix);

// Sanitizes the wave-prefix field, with the notice when its first byte was not a letter.
void SanitizeWavePrefix(core::Host& host);

// Queues the dropped paths in order, fills the empty output path and wave prefix from the
// first usable file, and tells the user of refused directories and of concatenation.
void AddDroppedFiles(core::Host& host, const std::vector<std::string>& paths,
                     char separator = kPathSeparator, core::CodePage page = core::systemCodePage());

} // namespace kivo::intake
