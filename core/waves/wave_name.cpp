#include "core/waves/wave_name.h"

#include <algorithm>

namespace kivo::core {

namespace {

bool isAsciiLetter(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isWaveNameByte(char c) noexcept
{
    return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_';
}

char lower(char c) noexcept
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool sanitizeWaveName(std::string& name, std::size_t maxSize)
{
    // Judged byte by byte whatever the code page: every byte of a multi-byte character
    // becomes "_" on its own, since Igor takes only ASCII in a name.
    const bool badFirst = name.empty() || !isAsciiLetter(name.front());
    if (name.empty())
        name.push_back('w');
    else if (badFirst)
        name.front() = 'w';
    for (std::size_t i = 1; i < name.size(); ++i) {
        if (!isWaveNameByte(name[i]))
            name[i] = '_';
    }
    if (name.size() > maxSize)
        name.resize(std::max<std::size_t>(maxSize, 1));
    return badFirst;
}

std::string FolderNames::take(std::string_view displayName, CodePage page)
{
    const std::size_t dot = findLastChar(displayName, '.', page);
    std::string base(displayName.substr(0, dot));
    sanitizeWaveName(base, kMaxSize);
    std::string name = base;
    for (int n = 2; taken(name); ++n) {
        // Appended rather than built with operator+, which 32-bit GCC 12 wrongly takes for
        // an overlapping copy.
        std::string suffix(1, '_');
        suffix += std::to_string(n);
        name = base.substr(0, kMaxSize - suffix.size());
        name += suffix;
    }
    m_taken.push_back(name);
    return name;
}

bool FolderNames::taken(std::string_view name) const
{
    return std::any_of(m_taken.begin(), m_taken.end(), [name](const std::string& t) {
        return std::equal(t.begin(), t.end(), name.begin(), name.end(),
                          [](char a, char b) { return lower(a) == lower(b); });
    });
}

} // namespace kivo::core
