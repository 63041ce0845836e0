#pragma once

#include "core/files/text.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::core {

// Forces `name` into the shape of an Igor wave or data folder name: an ASCII letter first
// (else "w"), then only ASCII letters, digits and "_", at most `maxSize` bytes (at least 1).
// Returns true when the first byte had to be replaced.
bool sanitizeWaveName(std::string& name, std::size_t maxSize);

// Igor Pro 8 takes names of up to 255 bytes; a stem leaves room for what is put after it.
inline constexpr std::size_t kMaxStemSize = 241;
// Igor Pro before version 8 takes names of at most 31 bytes.
inline constexpr std::size_t kMaxOldNameSize = 31;

// The stem of the file named `fileName` (its name without the path): the name before its
// last ".", each run of characters other than ASCII letters, digits and "_" made one "_",
// without "_" at either end or twice in a row, "w" in front when it would start with a digit
// or be empty, at most kMaxStemSize bytes. Under CP932 a lead byte with a valid second byte
// is one character; a lead byte without one is a character of its own.
std::string fileStem(std::string_view fileName, CodePage page);

// The stems of one batch of files, in order, made unique as Igor compares names (without
// case): the first file with a stem keeps it, and a later one takes "_2", "_3", ..., the
// first number giving a stem that no file of the batch has nor was given, its stem cut to
// keep kMaxStemSize bytes.
std::vector<std::string> uniqueStems(std::span<const std::string> stems);

// True when a name passes kMaxOldNameSize bytes, so that only Igor Pro 8 or later loads it.
bool needsIgorPro8(std::span<const std::string> names) noexcept;

} // namespace kivo::core
