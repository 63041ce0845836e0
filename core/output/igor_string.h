#pragma once

#include "core/files/text.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::core {

// The bytes to write between double quotes on an Igor command line ("X Note w, \"...\"") for
// `text`: only the characters valid in `page` that are no control byte, with "\" and "\""
// escaped. Bytes that form no character are dropped, so that no "\" or "\"" written after
// them can be read as the second byte of a two-byte character.
std::string igorStringText(std::string_view text, CodePage page);

// `escaped`, as igorStringText gives it, cut into pieces of at most `maxBytes` bytes, none
// cutting a character or an escape; a piece holds one character at least, and an empty text
// is one empty piece. The views point into `escaped`.
std::vector<std::string_view> igorStringPieces(std::string_view escaped, std::size_t maxBytes, CodePage page);

} // namespace kivo::core
