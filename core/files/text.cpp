#include "core/files/text.h"

namespace kivo::core {

std::size_t findLastChar(std::string_view text, char c, CodePage page) noexcept
{
    if (page == CodePage::Utf8) {
        const std::size_t pos = text.rfind(c);
        return pos;
    }
    // A two-byte character can only be recognised from its start, so walk forwards.
    std::size_t last = std::string_view::npos;
    std::size_t i = 0;
    while (i < text.size()) {
        if (isLeadByte(static_cast<unsigned char>(text[i]), page) && i + 1 < text.size()
            && isTrailByte(static_cast<unsigned char>(text[i + 1]))) {
            i += 2;
            continue;
        }
        if (text[i] == c)
            last = i;
        ++i;
    }
    return last;
}

} // namespace kivo::core
