#pragma once

// Slow, obviously right models of the reader's byte rules, written from the rules alone and
// sharing no code with the core, so that a fuzzer can compare the fast reader against them.

#include "core/text.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::fuzz {

// The lines of `data` as text mode reads them: nothing after Ctrl-Z, split at LF, one CR
// before each LF dropped, a last line without LF kept whole, each line's text cut at NUL.
inline std::vector<std::string> referenceLines(std::string_view data)
{
    if (const std::size_t z = data.find('\x1A'); z != std::string_view::npos)
        data = data.substr(0, z);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < data.size()) {
        const std::size_t lf = data.find('\n', start);
        std::string line(data.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start));
        if (lf != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.pop_back();
        if (const std::size_t nul = line.find('\0'); nul != std::string::npos)
            line.resize(nul);
        lines.push_back(std::move(line));
        if (lf == std::string_view::npos)
            break;
        start = lf + 1;
    }
    return lines;
}

// Positions of the commas of `text` that are characters of their own in `page`, walking
// one character at a time from the start.
inline std::vector<std::size_t> referenceCommas(std::string_view text, core::CodePage page)
{
    std::vector<std::size_t> commas;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool lead = page == core::CodePage::Cp932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
        if (lead) {
            ++i;
            continue;
        }
        if (text[i] == ',')
            commas.push_back(i);
    }
    return commas;
}

// What becomes of a field on its way to Igor: a CR would end Igor's line and a tab split
// the item, so a field holding either is handed on as a missing value.
inline std::string referenceValue(std::string field)
{
    if (field.find_first_of("\r\t") != std::string::npos)
        return {};
    return field;
}

// Fields 1, 3, 4, 5 and 6 of a row: field k is the text between comma k-1 and comma k.
inline std::array<std::string, 5> referenceRow(std::string_view line, core::CodePage page)
{
    const std::vector<std::size_t> commas = referenceCommas(line, page);
    auto field = [&](std::size_t k) -> std::string {
        if (k >= commas.size())
            return {};
        const std::size_t from = k == 0 ? 0 : commas[k - 1] + 1;
        return referenceValue(std::string(line.substr(from, commas[k] - from)));
    };
    return {field(0), field(2), field(3), field(4), field(5)};
}

enum class Outcome { NotSquid, NoDataSection, NoColumnLine, ColumnMismatch, Rows };

struct Reading {
    Outcome outcome;
    std::vector<std::array<std::string, 5>> rows;
};

inline Reading referenceRead(std::string_view data, core::CodePage page)
{
    const std::vector<std::string> lines = referenceLines(data);
    std::size_t i = 0;
    if (!lines.empty()) {
        if (lines[0] != "[Header]")
            return {Outcome::NotSquid, {}};
        i = 1;
    }
    while (i < lines.size() && lines[i] != "[Data]")
        ++i;
    if (i == lines.size())
        return {Outcome::NoDataSection, {}};
    ++i;
    if (i == lines.size())
        return {Outcome::NoColumnLine, {}};
    if (lines[i].compare(0, 10, "Time,Comme") != 0 || lines[i].size() < 10)
        return {Outcome::ColumnMismatch, {}};
    Reading reading{Outcome::Rows, {}};
    for (++i; i < lines.size(); ++i)
        reading.rows.push_back(referenceRow(lines[i], page));
    return reading;
}

} // namespace kivo::fuzz
