#include "core/output/igor_string.h"

#include <algorithm>

namespace kivo::core {

namespace {

bool inRange(unsigned char byte, unsigned char low, unsigned char high) noexcept
{
    return byte >= low && byte <= high;
}

// The size of the well-formed UTF-8 character at `i`, or 0. Overlong forms, surrogates and
// code points past U+10FFFF are not well formed: each has a second byte outside the range
// its first byte allows.
std::size_t utf8Size(std::string_view text, std::size_t i) noexcept
{
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char first = at(0);
    if (first < 0x80)
        return 1;
    std::size_t size = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (inRange(first, 0xC2, 0xDF)) {
        size = 2;
    } else if (inRange(first, 0xE0, 0xEF)) {
        size = 3;
        low = first == 0xE0 ? 0xA0 : 0x80;
        high = first == 0xED ? 0x9F : 0xBF;
    } else if (inRange(first, 0xF0, 0xF4)) {
        size = 4;
        low = first == 0xF0 ? 0x90 : 0x80;
        high = first == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + size > text.size() || !inRange(at(1), low, high))
        return 0;
    for (std::size_t k = 2; k < size; ++k) {
        if (!inRange(at(k), 0x80, 0xBF))
            return 0;
    }
    return size;
}

// The size of the character at `i` as Igor reads it, or 0 for a byte that is none.
std::size_t characterSize(std::string_view text, std::size_t i, CodePage page) noexcept
{
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F)
        return 0;
    if (page == CodePage::Utf8)
        return utf8Size(text, i);
    if (!isLeadByte(byte, page))
        return 1;
    // Igor takes a lead byte with the byte after it, whatever that is.
    return i + 1 < text.size() && isTrailByte(static_cast<unsigned char>(text[i + 1])) ? 2 : 0;
}

// The size of the character or escape at `i` of an escaped text.
std::size_t escapedSize(std::string_view escaped, std::size_t i, CodePage page) noexcept
{
    const auto byte = static_cast<unsigned char>(escaped[i]);
    std::size_t size = 1;
    if (byte == '\\' || isLeadByte(byte, page))
        size = 2;
    else if (page == CodePage::Utf8)
        size = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return std::min(size, escaped.size() - i);
}

} // namespace

std::string igorStringText(std::string_view text, CodePage page)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t size = characterSize(text, i, page);
        if (size == 0) {
            ++i;
            continue;
        }
        if (size == 1 && (text[i] == '\\' || text[i] == '"'))
            out += '\\';
        out.append(text.substr(i, size));
        i += size;
    }
    return out;
}

std::vector<std::string_view> igorStringPieces(std::string_view escaped, std::size_t maxBytes, CodePage page)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < escaped.size()) {
        const std::size_t size = escapedSize(escaped, i, page);
        if (i + size - start > maxBytes && i > start) {
            pieces.push_back(escaped.substr(start, i - start));
            start = i;
        }
        i += size;
    }
    pieces.push_back(escaped.substr(start));
    return pieces;
}

} // namespace kivo::core
