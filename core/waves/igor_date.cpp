#include "core/waves/igor_date.h"

#include "core/files/text.h"

#include <array>

namespace kivo::core {

namespace {

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kQuarterHour = 900;
// Unix time's day, 1970-01-01, and the day today's instruments count from, 1899-12-30, as
// Igor seconds.
constexpr std::int64_t kUnixDay = 2082844800;
constexpr std::int64_t kDay1899 = -126316800;
// Stamps that count from 1899-12-30 passed this in 1995; those that count from when the
// instrument started stay far below it.
constexpr std::int64_t kLongStamp = 3000000000;
// Stamps are at most this many digits before and after the point, so that every sum below
// stays inside 64 bits.
constexpr std::size_t kStampWholeDigits = 11;
constexpr std::size_t kStampPlaces = 7;

constexpr std::array<std::int64_t, kStampPlaces + 1> kPowersOf10 = {1, 10, 100, 1000, 10000, 100000, 1000000,
                                                                    10000000};

bool isBlank(char c) noexcept
{
    return c == ' ' || c == '\t';
}

char upper(char c) noexcept
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Reads `min` to `max` digits from the front of `text` into `value`.
bool takeNumber(std::string_view& text, std::size_t min, std::size_t max, int& value) noexcept
{
    std::size_t n = 0;
    value = 0;
    while (n < text.size() && n < max && isAsciiDigit(text[n]))
        value = value * 10 + (text[n++] - '0');
    text.remove_prefix(n);
    return n >= min;
}

bool takeChar(std::string_view& text, char c) noexcept
{
    if (text.empty() || text.front() != c)
        return false;
    text.remove_prefix(1);
    return true;
}

std::optional<OpeningTime> readStamp(std::string_view text)
{
    const std::size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    std::string_view places = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() && places.empty())
        return std::nullopt;
    for (std::string_view part : {whole, places}) {
        for (char c : part) {
            if (!isAsciiDigit(c))
                return std::nullopt;
        }
    }
    while (!whole.empty() && whole.front() == '0')
        whole.remove_prefix(1);
    while (!places.empty() && places.back() == '0')
        places.remove_suffix(1);
    if (whole.size() > kStampWholeDigits || places.size() > kStampPlaces)
        return std::nullopt;
    OpeningTime t;
    t.stamp = text;
    for (char c : whole)
        t.stampUnits = t.stampUnits * 10 + (c - '0');
    for (char c : places)
        t.stampUnits = t.stampUnits * 10 + (c - '0');
    t.stampPlaces = static_cast<int>(places.size());
    return t;
}

// Days from 1904-01-01 to the given day of the proleptic Gregorian calendar.
std::int64_t daysFrom1904(int year, int month, int day) noexcept
{
    // Counted in years that begin on 1 March, so that a leap day ends its year.
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    constexpr std::int64_t k1904 = 695361; // 1904-01-01, counted the same way from 0000-03-01
    return era * 146097 + dayOfEra - k1904;
}

bool isLeapYear(int year) noexcept
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Month first, as these instruments write it: "11/28/2006" or "04-19-2021".
std::optional<std::int64_t> readDate(std::string_view text)
{
    int month = 0;
    int day = 0;
    int year = 0;
    if (!takeNumber(text, 1, 2, month) || !(takeChar(text, '/') || takeChar(text, '-')) || !takeNumber(text, 1, 2, day)
        || !(takeChar(text, '/') || takeChar(text, '-')) || !takeNumber(text, 4, 4, year) || !text.empty())
        return std::nullopt;
    static constexpr std::array<int, 12> kDaysInMonth = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > kDaysInMonth[static_cast<std::size_t>(month - 1)]
        || (month == 2 && day == 29 && !isLeapYear(year)))
        return std::nullopt;
    return daysFrom1904(year, month, day) * kDay;
}

// "9:16:24" or "11:16", then "AM" or "PM" in any case, or nothing for a 24-hour clock.
bool readTime(std::string_view text, std::string_view half, std::int64_t& seconds, TimePrecision& precision)
{
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!takeNumber(text, 1, 2, hour) || !takeChar(text, ':') || !takeNumber(text, 2, 2, minute))
        return false;
    precision = TimePrecision::Minute;
    if (takeChar(text, ':')) {
        if (!takeNumber(text, 2, 2, second))
            return false;
        precision = TimePrecision::Second;
    }
    if (!text.empty() || minute > 59 || second > 59)
        return false;
    if (half.empty()) {
        if (hour > 23)
            return false;
    } else {
        if (half.size() != 2 || (upper(half[0]) != 'A' && upper(half[0]) != 'P') || upper(half[1]) != 'M'
            || hour < 1 || hour > 12)
            return false;
        // 12 AM is midnight and 12 PM noon.
        hour = hour % 12 + (upper(half[0]) == 'P' ? 12 : 0);
    }
    seconds = hour * 3600 + minute * 60 + second;
    return true;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) noexcept
{
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// `units` in units of 10^-places as decimal text without trailing zeros after the point.
std::string decimalText(std::int64_t units, int places)
{
    const std::int64_t scale = kPowersOf10[static_cast<std::size_t>(places)];
    std::string text = units < 0 ? "-" : "";
    const std::int64_t magnitude = units < 0 ? -units : units;
    text += std::to_string(magnitude / scale);
    std::string fraction = std::to_string(magnitude % scale + scale).substr(1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty()) {
        text += '.';
        text += fraction;
    }
    return text;
}

} // namespace

double OpeningTime::stampValue() const noexcept
{
    return static_cast<double>(stampUnits) / static_cast<double>(kPowersOf10[static_cast<std::size_t>(stampPlaces)]);
}

std::optional<OpeningTime> readOpeningTime(std::string_view line)
{
    constexpr std::string_view kKey = "FILEOPENTIME";
    if (!line.starts_with(kKey))
        return std::nullopt;
    line.remove_prefix(kKey.size());
    while (!line.empty() && isBlank(line.front()))
        line.remove_prefix(1);
    if (line.empty() || line.front() != ',')
        return std::nullopt;
    // The older layout parts the stamp from the date with a blank, today's with a comma.
    std::array<std::string_view, 5> words{};
    std::size_t count = 0;
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] == ',' || isBlank(line[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < line.size() && line[end] != ',' && !isBlank(line[end]))
            ++end;
        if (count == words.size())
            return std::nullopt;
        words[count++] = line.substr(i, end - i);
        i = end;
    }
    if (count < 3 || count > 4)
        return std::nullopt;
    std::optional<OpeningTime> opening = readStamp(words[0]);
    const std::optional<std::int64_t> day = readDate(words[1]);
    std::int64_t time = 0;
    if (!opening || !day || !readTime(words[2], words[3], time, opening->precision))
        return std::nullopt;
    opening->local = *day + time;
    return opening;
}

DateOffset igorDateOffset(const OpeningTime& opening, RowLayout::Kind layout)
{
    const std::int64_t scale = kPowersOf10[static_cast<std::size_t>(opening.stampPlaces)];
    const std::int64_t local = opening.local * scale;
    std::int64_t day = 0;
    if (layout == RowLayout::Kind::Older)
        day = kUnixDay;
    else if (opening.stampUnits > kLongStamp * scale)
        day = kDay1899;
    else
        return {decimalText(local - opening.stampUnits, opening.stampPlaces), opening.precision};
    const std::int64_t away = local - (opening.stampUnits + day * scale);
    const std::int64_t quarters = floorDiv(away + kQuarterHour / 2 * scale, kQuarterHour * scale);
    return {std::to_string(day + quarters * kQuarterHour), TimePrecision::Stamp};
}

} // namespace kivo::core
