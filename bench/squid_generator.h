#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

namespace kivo::bench {

// The values of one generated row that a converter takes (columns 1, 3, 4, 5 and 6), as
// the exact text written into the row, so a test can predict the converted line.
struct SquidRowValues {
    std::string time;
    std::string field;
    std::string temperature;
    std::string moment;
    std::string momentSD;
};

// Which instrument's layout a file has: the older magnetometer's (column line "Time,
// Comment,..."), or an MPMS3's in DC scan mode (column line "Comment,Time Stamp (sec),...",
// about 90 columns, the moment in the DC free-centre fit and most other cells empty).
// Mpms3FullDigits is the same layout with its values written as an MPMS3's software writes
// them, with every digit a double holds: time stamps to the microsecond, 16 significant
// digits, exponents of three digits (3895565791.140625, -1.23456789012E-005), most of them
// 17 to 20 bytes long.
enum class SquidLayout { Older, Mpms3, Mpms3FullDigits };

// What a generated file holds.
struct SquidSampleSummary {
    std::uint64_t rows = 0;
    std::uint64_t bytes = 0;
    SquidRowValues first; // empty when there are no rows
    SquidRowValues last;
};

// Makes the text of a SQUID data file that looks like a magnetometer run: a "[Header]"
// block, "[Data]", a column line of columnCount() titles and rows of realistic numbers.
// Every line ends in CR LF; in the older layout the column line and every row end in a
// trailing comma, as that instrument writes them. The same seed always gives the same
// bytes on every platform.
class SquidSampleGenerator final {
public:
    static constexpr std::uint64_t kDefaultSeed = 20240611;

    explicit SquidSampleGenerator(std::uint64_t seed = kDefaultSeed, SquidLayout layout = SquidLayout::Older);

    static std::size_t columnCount(SquidLayout layout) noexcept;

    // Everything before the first row: header block, "[Data]" and the column line.
    const std::string& preamble() const noexcept { return m_preamble; }

    // Appends the next row, CR LF included, to `out`; fills `values` when given.
    void appendRow(std::string& out, SquidRowValues* values = nullptr);

    std::uint64_t rowsMade() const noexcept { return m_row; }

private:
    double uniform();           // in [0, 1)
    double noise(double scale); // roughly normal, mean 0, standard deviation `scale`

    void appendMpms3Row(std::string& out, SquidRowValues* values);

    std::uint64_t m_state;
    SquidLayout m_layout;
    std::uint64_t m_row = 0;
    std::string m_preamble;
    double m_seconds = 3895565640.0; // when the file was opened
};

// A whole file of exactly `rows` rows, as one string.
std::string makeSquidSample(std::size_t rows, std::uint64_t seed = SquidSampleGenerator::kDefaultSeed,
                            SquidLayout layout = SquidLayout::Older);

// Writes a file of exactly `rows` rows. Returns what was written; check the stream for errors.
SquidSampleSummary writeSquidSample(std::ostream& out, std::uint64_t rows,
                                    std::uint64_t seed = SquidSampleGenerator::kDefaultSeed,
                                    SquidLayout layout = SquidLayout::Older);

// Writes as many whole rows as fit in `maxBytes` (the preamble is always written, even when
// it alone is larger). Returns what was written; check the stream for errors.
SquidSampleSummary writeSquidSampleOfSize(std::ostream& out, std::uint64_t maxBytes,
                                          std::uint64_t seed = SquidSampleGenerator::kDefaultSeed,
                                          SquidLayout layout = SquidLayout::Older);

// The same into a file, replacing it. Throws std::runtime_error naming the path if the file
// cannot be created or written.
SquidSampleSummary writeSquidSampleFile(const std::string& path, std::uint64_t rows,
                                        std::uint64_t seed = SquidSampleGenerator::kDefaultSeed,
                                        SquidLayout layout = SquidLayout::Older);
SquidSampleSummary writeSquidSampleFileOfSize(const std::string& path, std::uint64_t maxBytes,
                                              std::uint64_t seed = SquidSampleGenerator::kDefaultSeed,
                                              SquidLayout layout = SquidLayout::Older);

} // namespace kivo::bench
