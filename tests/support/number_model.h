#pragma once

// The number rule, written from its wording alone and sharing no code with the core, for the
// tests and fuzzers that check the fast ways of applying it.

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace kivo::testing {

// What a field becomes in a data line: the field without the blanks around it when it is a
// decimal number as Igor reads one (an optional sign, digits with an optional point and at
// least one digit in all, an optional exponent of e or E, an optional sign and at least one
// digit); "NaN", "INF" or "-INF" for those words in any case after an optional sign; empty
// for anything else and for any field longer than 4096 bytes.
inline std::string modelNumber(std::string_view field)
{
    const std::size_t from = field.find_first_not_of(' ');
    if (field.size() > 4096 || from == std::string_view::npos)
        return {};
    const std::string value(field.substr(from, field.find_last_not_of(' ') + 1 - from));
    const auto withoutSign = [](std::string_view s) {
        return !s.empty() && (s[0] == '+' || s[0] == '-') ? s.substr(1) : s;
    };
    const auto allDigits = [](std::string_view s) {
        return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    std::string word(withoutSign(value));
    for (char& c : word)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (word == "nan")
        return "NaN";
    if (word == "inf")
        return value[0] == '-' ? "-INF" : "INF";
    const std::string_view body = withoutSign(value);
    const std::size_t mark = body.find_first_of("eE");
    if (mark != std::string_view::npos && !allDigits(withoutSign(body.substr(mark + 1))))
        return {};
    std::string digits(body.substr(0, mark));
    if (const std::size_t point = digits.find('.'); point != std::string::npos)
        digits.erase(point, 1);
    return allDigits(digits) ? value : std::string();
}

} // namespace kivo::testing
