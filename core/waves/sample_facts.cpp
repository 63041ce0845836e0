#include "core/waves/sample_facts.h"

#include "core/files/text.h"

#include <algorithm>
#include <array>

namespace kivo::core {

namespace {

constexpr std::size_t kMaxSignificantDigits = 17;

// Masses are written in mg.
constexpr int kMgPerGramDigits = 3;
// An exponent of more digits is no mass or weight, and could pass an int.
constexpr int kMaxExponentDigits = 4;

std::string_view trimmed(std::string_view text) noexcept
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::optional<std::string> nonEmpty(std::string_view text)
{
    text = trimmed(text);
    if (text.empty())
        return std::nullopt;
    return std::string(text);
}

// The MPMS XL writes "INFO, KEY, VALUE"; these keys tell that form from today's
// "INFO,VALUE,KEY", whose value comes first and may be anything.
constexpr std::array<std::string_view, 3> kXlKeys = {"NAME", "WEIGHT", "COMMENT"};

} // namespace

std::optional<std::string> positiveDecimal(std::string_view text, int shift)
{
    text = trimmed(text);
    std::size_t i = 0;
    if (i < text.size() && text[i] == '+')
        ++i;
    std::string digits;
    int exponent = 0;
    bool point = false;
    bool anyDigit = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (isAsciiDigit(c)) {
            anyDigit = true;
            if (point)
                --exponent;
            if (!digits.empty() || c != '0')
                digits += c;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    if (i < text.size()) {
        if (text[i] != 'e' && text[i] != 'E')
            return std::nullopt;
        ++i;
        const bool negative = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            ++i;
        const std::size_t start = i;
        int power = 0;
        for (; i < text.size() && isAsciiDigit(text[i]); ++i) {
            if (i - start == kMaxExponentDigits)
                return std::nullopt;
            power = power * 10 + (text[i] - '0');
        }
        if (i == start || i != text.size())
            return std::nullopt;
        exponent += negative ? -power : power;
    }
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    // No balance weighs to more digits than a double holds; a longer value is no number an
    // instrument wrote, and its Variable/G line could pass the 400 bytes Igor Pro 6 reads.
    if (digits.empty() || digits.size() > kMaxSignificantDigits)
        return std::nullopt;
    exponent -= shift;
    // The value is digits × 10^exponent; `at` is where its point falls among the digits.
    const int size = static_cast<int>(digits.size());
    const int at = size + exponent;
    // Built by appending: GCC 12 takes operator+ on a literal for an overlapping copy.
    std::string out;
    if (exponent >= 0 && at <= 21) {
        out = digits;
        out.append(static_cast<std::size_t>(exponent), '0');
    } else if (exponent < 0 && at > 0) {
        out.assign(digits, 0, static_cast<std::size_t>(at));
        out += '.';
        out.append(digits, static_cast<std::size_t>(at));
    } else if (exponent < 0 && at > -6) {
        out = "0.";
        out.append(static_cast<std::size_t>(-at), '0');
        out += digits;
    } else {
        out = digits.front();
        if (size > 1) {
            out += '.';
            out.append(digits, 1);
        }
        out += 'e';
        out += std::to_string(at - 1);
    }
    return out;
}

void SampleFacts::read(std::string_view line)
{
    if (std::optional<OpeningTime> opening = readOpeningTime(line)) {
        openingTime = std::move(opening);
        return;
    }
    constexpr std::string_view kInfo = "INFO,";
    if (!line.starts_with(kInfo))
        return;
    const std::string_view rest = line.substr(kInfo.size());
    const std::size_t firstComma = rest.find(',');
    const std::string_view first = trimmed(rest.substr(0, firstComma));
    std::string_view key;
    std::string_view value;
    const bool xl = std::find(kXlKeys.begin(), kXlKeys.end(), first) != kXlKeys.end();
    if (xl) {
        key = first;
        value = firstComma == std::string_view::npos ? std::string_view() : rest.substr(firstComma + 1);
    } else {
        // No comma is ever the second byte of a CP932 character, so the last one parts the key.
        const std::size_t lastComma = rest.rfind(',');
        key = trimmed(rest.substr(lastComma == std::string_view::npos ? 0 : lastComma + 1));
        value = lastComma == std::string_view::npos ? std::string_view() : rest.substr(0, lastComma);
    }
    if (xl ? key == "WEIGHT" : key == "SAMPLE_MASS") {
        sampleMass = positiveDecimal(value, kMgPerGramDigits);
    } else if (!xl && key == "SAMPLE_MOLECULAR_WEIGHT") {
        molecularWeight = positiveDecimal(value);
    } else if (xl ? key == "NAME" : key == "SAMPLE_MATERIAL") {
        sampleName = nonEmpty(value);
    } else if (xl ? key == "COMMENT" : key == "SAMPLE_COMMENT") {
        sampleComment = nonEmpty(value);
    }
}

SampleFacts sampleFacts(std::span<const std::string> header)
{
    SampleFacts facts;
    for (const std::string& line : header)
        facts.read(line);
    return facts;
}

} // namespace kivo::core
