#include "core/waves/sample_facts.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using kivo::core::positiveDecimal;
using kivo::core::SampleFacts;
using kivo::core::sampleFacts;

namespace {

std::string shown(const std::optional<std::string>& fact)
{
    return fact ? "[" + *fact + "]" : "-";
}

// The facts one line gives, as "mass weight name comment".
std::string factsOf(const std::string& line)
{
    SampleFacts facts;
    facts.read(line);
    return shown(facts.sampleMass) + " " + shown(facts.molecularWeight) + " " + shown(facts.sampleName) + " "
        + shown(facts.sampleComment);
}

struct LineCase {
    const char* what;
    std::string line;
    std::string facts;
};

const LineCase kLines[] = {
    {"mass in mg, given in g", "INFO,7.2,SAMPLE_MASS", "[0.0072] - - -"},
    {"the older form's weight in mg", "INFO, WEIGHT, 48.400", "[0.0484] - - -"},
    {"a value with commas", "INFO,Fe(pc), powder,SAMPLE_MATERIAL", "- - [Fe(pc), powder] -"},
    {"0 is a mass not entered", "INFO,0,SAMPLE_MASS", "- - - -"},
    {"an empty mass", "INFO,,SAMPLE_MASS", "- - - -"},
    {"a mass that is no number", "INFO,7.2 mg,SAMPLE_MASS", "- - - -"},
    {"molecular weight as written", "INFO,576.40,SAMPLE_MOLECULAR_WEIGHT", "- [576.4] - -"},
    {"the older form's name", "INFO, NAME, Fe(pc)", "- - [Fe(pc)] -"},
    {"the older form's comment with commas", "INFO, COMMENT, in capsule, 2 layers ", "- - - [in capsule, 2 layers]"},
    {"a blank comment is none", "INFO,  ,SAMPLE_COMMENT", "- - - -"},
    {"an older key in today's form is no fact", "INFO,48.4,WEIGHT", "- - - -"},
    {"today's key in the older form is no fact", "INFO, SAMPLE_MASS, 7.2", "- - - -"},
};

TEST(SampleFacts, InfoLinesInEitherForm)
{
    for (const LineCase& c : kLines)
        EXPECT_EQ(factsOf(c.line), c.facts) << c.what;
}

TEST(SampleFacts, WholeHeaderOfTheOlderLayout)
{
    const std::vector<std::string> header = {
        "TITLE,run", "FILEOPENTIME, 1164777384.812000 11/28/2006, 9:16:24 PM", "INFO, NAME, Fe(pc)",
        "INFO, WEIGHT, 48.400", "INFO, COMMENT, powder",
    };
    const SampleFacts facts = sampleFacts(header);
    EXPECT_EQ(facts.sampleMass, "0.0484");
    EXPECT_EQ(facts.sampleName, "Fe(pc)");
    EXPECT_EQ(facts.sampleComment, "powder");
    ASSERT_TRUE(facts.openingTime);
    EXPECT_EQ(facts.openingTime->stamp, "1164777384.812000");
}

struct DecimalCase {
    std::string text;
    int shift;
    std::optional<std::string> decimal;
};

const DecimalCase kDecimals[] = {
    {"7.2", 3, "0.0072"},      {"120", 3, "0.12"},        {"12000", 3, "12"},
    {" 1.5E-2 ", 3, "0.000015"}, {"1e-9", 3, "1e-12"},   {"2.5e30", 0, "2.5e30"},
    {"+.5", 0, "0.5"},         {"5.", 0, "5"},             {"000.000", 3, std::nullopt},
    {"-3", 0, std::nullopt},   {"1e", 0, std::nullopt},    {".", 0, std::nullopt},
    {"1.2.3", 0, std::nullopt}, {"", 0, std::nullopt},
    // Seventeen significant digits are as many as a double holds; more are no weighing.
    {"1.2345678901234567", 0, "1.2345678901234567"}, {"1.23456789012345678", 0, std::nullopt},
};

TEST(SampleFacts, NumbersAreShiftedAsDecimalText)
{
    for (const DecimalCase& c : kDecimals)
        EXPECT_EQ(positiveDecimal(c.text, c.shift), c.decimal) << c.text;
}

} // namespace
