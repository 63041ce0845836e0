#pragma once

#include "core/waves/igor_date.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kivo::core {

// What a data file's header tells of its sample. Numbers are exact decimal text as Igor
// reads it ("0.0072"), so that they are written as the instrument gave them.
struct SampleFacts {
    std::optional<std::string> sampleMass;      // g
    std::optional<std::string> molecularWeight; // g/mol
    std::optional<std::string> sampleName;
    std::optional<std::string> sampleComment;
    std::optional<OpeningTime> openingTime;

    // Takes what one header line (as it stands) tells: an INFO line in either form
    // ("INFO,7.2,SAMPLE_MASS" or "INFO, WEIGHT, 48.400") or the FILEOPENTIME line. A later
    // line that tells the same fact replaces it.
    void read(std::string_view line);
};

// The facts the lines between "[Header]" and "[Data]" tell.
SampleFacts sampleFacts(std::span<const std::string> header);

// `text` (blanks around it allowed) divided by 10^shift as exact decimal text, when it is
// a decimal number above 0 ("7.2", "48.400", "1.5E-2"); none for 0, a negative number, an
// empty text, one that is not a number, or one of more than 17 significant digits. Plain
// digits from 1e-6 up to 1e21, else "1.5e-12".
std::optional<std::string> positiveDecimal(std::string_view text, int shift = 0);

} // namespace kivo::core
