#include "core/waves/wave_name.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace kivo::core {

namespace {

bool isAsciiLetter(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isWaveNameByte(char c) noexcept
{
    return isAsciiLetter(c) || isAsciiDigit(c) || c == '_';
}

char lower(char c) noexcept
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view name)
{
    std::string s(name);
    std::transform(s.begin(), s.end(), s.begin(), lower);
    return s;
}

// `stem` with "_n" after it, its end cut so that the whole keeps kMaxStemSize bytes.
std::string numbered(const std::string& stem, int n)
{
    std::string name = stem.substr(0, kMaxStemSize - 1 - std::to_string(n).size());
    // A cut may end on the "_" of a run, and a name has no "__".
    while (name.size() > 1 && name.back() == '_')
        name.pop_back();
    name += '_';
    name += std::to_string(n);
    return name;
}

} // namespace

std::string fileStem(std::string_view fileName, CodePage page)
{
    const std::string_view name = fileName.substr(0, findLastChar(fileName, '.', page));
    std::string stem;
    bool gap = false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (isLeadByte(byte, page) && i + 1 < name.size() && isTrailByte(static_cast<unsigned char>(name[i + 1]))) {
            // Its second byte may be an ASCII letter ("ア" is 0x83 0x41): never a letter of the stem.
            ++i;
            gap = true;
        } else if (name[i] == '_' || !isWaveNameByte(name[i])) {
            gap = true;
        } else {
            if (gap && !stem.empty())
                stem += '_';
            gap = false;
            stem += name[i];
        }
    }
    if (stem.empty() || !isAsciiLetter(stem.front()))
        stem.insert(stem.begin(), 'w');
    if (stem.size() > kMaxStemSize) {
        stem.resize(kMaxStemSize);
        while (stem.back() == '_')
            stem.pop_back();
    }
    return stem;
}

std::vector<std::string> uniqueStems(std::span<const std::string> stems)
{
    std::unordered_set<std::string> own;
    for (const std::string& stem : stems)
        own.insert(lowered(stem));
    std::unordered_set<std::string> given;
    // Names are only ever added, so a number found taken stays taken: each stem resumes
    // where its last search stopped, and a batch of one name many times stays linear.
    std::unordered_map<std::string, int> nextNumber;
    std::vector<std::string> unique;
    unique.reserve(stems.size());
    for (const std::string& stem : stems) {
        std::string key = lowered(stem);
        if (given.insert(key).second) {
            unique.push_back(stem);
            continue;
        }
        int& n = nextNumber.try_emplace(std::move(key), 2).first->second;
        for (;; ++n) {
            std::string name = numbered(stem, n);
            std::string nameKey = lowered(name);
            if (!own.contains(nameKey) && given.insert(std::move(nameKey)).second) {
                unique.push_back(std::move(name));
                break;
            }
        }
    }
    return unique;
}

bool needsIgorPro8(std::span<const std::string> names) noexcept
{
    return std::any_of(names.begin(), names.end(),
                       [](const std::string& name) { return name.size() > kMaxOldNameSize; });
}

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

} // namespace kivo::core
