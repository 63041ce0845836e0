#pragma once

// Slow, obviously right models of the reader's byte rules, written from the rules alone and
// sharing no code with the core, so that a fuzzer can compare the fast reader against them.

#include "core/files/text.h"
#include "number_model.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
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

// The bytes of the character that starts at text[i]: under CP932 a byte 0x81..0x9F or
// 0xE0..0xFC followed by one of 0x40..0x7E or 0x80..0xFC makes two, every other byte one.
inline std::size_t referenceWidth(std::string_view text, std::size_t i, core::CodePage page)
{
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool lead = page == core::CodePage::Cp932
                      && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
    if (!lead || i + 1 == text.size())
        return 1;
    const auto next = static_cast<unsigned char>(text[i + 1]);
    return (next >= 0x40 && next <= 0x7E) || (next >= 0x80 && next <= 0xFC) ? 2 : 1;
}

// Positions of the commas of `text` that are characters of their own in `page`, walking
// one character at a time from the start.
inline std::vector<std::size_t> referenceCommas(std::string_view text, core::CodePage page)
{
    std::vector<std::size_t> commas;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (referenceWidth(text, i, page) == 2) {
            ++i;
            continue;
        }
        if (text[i] == ',')
            commas.push_back(i);
    }
    return commas;
}

// What becomes of a field on its way to Igor: the number rule's model.
inline std::string referenceValue(const std::string& field)
{
    return testing::modelNumber(field);
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

// The fields of a line of today's instruments (its column line and its rows): split at every
// comma that is a character of its own and stands outside a quoted stretch; the text after
// the last comma is a field too. A quote opens a stretch only as a field's first byte;
// inside one, two quotes in a row stay in it and a single quote closes it; every other quote
// is a byte like any other. Fields keep their bytes, quotes included.
inline std::vector<std::string> referenceFields(std::string_view text, core::CodePage page)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t width = referenceWidth(text, i, page);
        if (text[i] == ',' && width == 1 && !quoted) {
            fields.emplace_back();
            continue;
        }
        if (text[i] == '"') {
            if (fields.back().empty())
                quoted = true;
            else if (quoted && i + 1 < text.size() && text[i + 1] == '"')
                fields.back() += text[i++]; // the first of two: both stay in the stretch
            else if (quoted)
                quoted = false;
        }
        fields.back() += text.substr(i, width);
        i += width - 1;
    }
    return fields;
}

// Which columns of today's instruments feed the waves: the first column of each title.
struct TodaysColumns {
    std::optional<std::size_t> time, field, temperature;
    std::vector<std::pair<std::size_t, std::size_t>> pairs; // moment and error, in the order tried
};

inline std::optional<TodaysColumns> referenceTitles(std::string_view columnLine, core::CodePage page)
{
    const std::vector<std::string> titles = referenceFields(columnLine, page);
    auto column = [&](std::string_view title) -> std::optional<std::size_t> {
        // Titles past the 65,536th column are not looked at.
        for (std::size_t k = 0; k < titles.size() && k < 65536; ++k) {
            if (titles[k] == title)
                return k;
        }
        return std::nullopt;
    };
    TodaysColumns columns{column("Time Stamp (sec)"), column("Magnetic Field (Oe)"), column("Temperature (K)"), {}};
    const std::pair<const char*, const char*> pairs[] = {{"Moment (emu)", "M. Std. Err. (emu)"},
                                                         {"DC Moment Free Ctr (emu)", "DC Moment Err Free Ctr (emu)"}};
    for (const auto& [moment, error] : pairs) {
        if (column(moment) && column(error))
            columns.pairs.emplace_back(*column(moment), *column(error));
    }
    if (!columns.time || !columns.field || !columns.temperature || columns.pairs.empty())
        return std::nullopt;
    return columns;
}

inline std::array<std::string, 5> referenceTodaysRow(std::string_view line, const TodaysColumns& columns,
                                                     core::CodePage page)
{
    const std::vector<std::string> fields = referenceFields(line, page);
    auto cell = [&](std::size_t k) { return k < fields.size() ? fields[k] : std::string(); };
    std::string moment;
    std::string error;
    for (const auto& [m, e] : columns.pairs) {
        if (!cell(m).empty()) {
            moment = cell(m);
            error = cell(e);
            break;
        }
    }
    return {referenceValue(cell(*columns.time)), referenceValue(cell(*columns.field)),
            referenceValue(cell(*columns.temperature)), referenceValue(moment), referenceValue(error)};
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
    std::optional<TodaysColumns> today;
    if (lines[i].compare(0, 10, "Time,Comme") != 0 || lines[i].size() < 10) {
        if (lines[i].rfind("Comment,Time Stamp (sec),", 0) != 0)
            return {Outcome::ColumnMismatch, {}};
        today = referenceTitles(lines[i], page);
        if (!today)
            return {Outcome::ColumnMismatch, {}};
    }
    Reading reading{Outcome::Rows, {}};
    for (++i; i < lines.size(); ++i)
        reading.rows.push_back(today ? referenceTodaysRow(lines[i], *today, page) : referenceRow(lines[i], page));
    return reading;
}

// Whether a reading has rows but no moment Igor reads as a number: a missing moment is
// written NaN, and NaN itself may come in any case and with a sign.
inline bool referenceLacksMoments(const Reading& reading)
{
    for (const auto& row : reading.rows) {
        std::string word = row[3];
        if (!word.empty() && (word[0] == '+' || word[0] == '-'))
            word.erase(0, 1);
        for (char& c : word)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!word.empty() && word != "nan")
            return false;
    }
    return !reading.rows.empty();
}

// A data line of the Igor Text file as the writer makes it: a missing value is NaN.
inline std::string referenceDataLine(const std::array<std::string, 5>& row)
{
    std::string line;
    for (const std::string& value : row)
        line += "\t" + (value.empty() ? std::string("NaN") : value);
    return line + "\r\n";
}

} // namespace kivo::fuzz
