#include "core/output/detailed_writer.h"

#include "core/output/igor_string.h"

#include <algorithm>

namespace kivo::core {

namespace {

// Avogadro's number times the Bohr magneton, in emu/mol: a moment per mole over it is the
// moment per formula unit in Bohr magnetons.
constexpr std::string_view kMuBPerMole = "5584.94";

} // namespace

DetailedWriter::DetailedWriter(CodePage page) : m_page(page)
{
}

DetailedWriter::~DetailedWriter() = default;

bool DetailedWriter::create(FileSystem& files, const std::string& path)
{
    return m_file.create(files, path);
}

void DetailedWriter::beginBatch(std::string_view prefix)
{
    m_file.putLine("IGOR");
    m_longestName = prefix.size();
    // Two batches loaded into one experiment then never overwrite each other's folders.
    if (!prefix.empty()) {
        m_line = "X NewDataFolder/O/S ";
        m_line += prefix;
        m_file.putLine(m_line);
    }
}

void DetailedWriter::endBatch(std::string_view prefix)
{
    if (!prefix.empty())
        m_file.putLine("X SetDataFolder ::");
}

void DetailedWriter::beginBlock(std::string_view stem, std::span<const PlannedWave> waves)
{
    m_stem = stem;
    m_waves.assign(waves.begin(), waves.end());
    m_longestName = std::max(m_longestName, stem.size());
    m_line = "X NewDataFolder/O/S ";
    m_line += stem;
    m_file.putLine(m_line);
    m_file.put("WAVES/D");
    for (const PlannedWave& wave : m_waves) {
        m_file.put("\t");
        m_file.put(name(wave.suffix));
    }
    m_file.put(kItxEol);
    m_file.putLine("BEGIN");
}

void DetailedWriter::endBlock(const BlockFacts& block)
{
    m_file.putLine("END");
    for (const PlannedWave& planned : m_waves) {
        const std::string wave = name(planned.suffix);
        putScale(wave, planned.unit);
        putNoteLine(wave, "Source:" + std::string(block.source));
        putNoteLine(wave, "Column:" + planned.column);
        for (const std::string& line : block.header)
            putNoteLine(wave, line);
    }

    // The sample's facts, in the file's folder, where the computations below find them.
    const SampleFacts& facts = block.facts;
    if (facts.sampleMass)
        putCommand("Variable/G SampleMass = " + *facts.sampleMass);
    if (facts.molecularWeight)
        putCommand("Variable/G MolecularWeight = " + *facts.molecularWeight);
    if (facts.sampleName)
        putString("SampleName", *facts.sampleName);
    if (facts.sampleComment)
        putString("SampleComment", *facts.sampleComment);
    putString("SourceFile", block.source);
    if (facts.openingTime)
        putCommand("Variable/G FileOpened = " + std::to_string(facts.openingTime->local));

    // What a chemist or physicist computes first, done by Igor at load with its ordinary
    // commands, so that Igor Pro 6 to 9 run them.
    const std::string moment = name("_LongMoment");
    const bool perGram = facts.sampleMass && has("_LongMoment");
    const bool perMole = perGram && facts.molecularWeight;
    if (perGram)
        putComputed("_MomentPerGram", moment, moment + " / SampleMass", "emu/g");
    if (perMole) {
        const std::string perMoleWave = name("_MomentPerMole");
        const std::string chi = name("_ChiMolar");
        putComputed("_MomentPerMole", moment, moment + " * MolecularWeight / SampleMass", "emu/mol");
        putComputed("_ChiMolar", moment, name("_Field") + " == 0 ? NaN : " + perMoleWave + " / " + name("_Field"),
                    "emu/(mol Oe)");
        putComputed("_ChiMolarT", moment, chi + " * " + name("_Temperature"), "emu K/(mol Oe)");
        putComputed("_MuBPerFU", moment, perMoleWave + " / " + std::string(kMuBPerMole), "muB");
    }
    if (facts.sampleMass && facts.molecularWeight) {
        for (const auto& [from, to] : {std::pair{"_ACChiRe", "_ChiMolarRe"}, std::pair{"_ACChiIm", "_ChiMolarIm"}}) {
            if (has(from))
                putComputed(to, name(from), name(from) + " * MolecularWeight / SampleMass", "emu/(mol Oe)");
        }
    }
    if (block.date && has("_Time")) {
        const std::string date = name("_Date");
        const std::string_view offset = block.date->seconds;
        const std::string value = name("_Time") + (offset.starts_with('-') ? " - " + std::string(offset.substr(1))
                                                                          : " + " + std::string(offset));
        putCommand("Duplicate/O " + name("_Time") + ", " + date);
        putCommand(date + " = " + value);
        // Igor's date unit gives a graph against it a date axis.
        putScale(date, "dat");
        putNoteLine(date, "Date:" + value + " s, in the instrument PC's local time");
    }
    m_file.putLine("X SetDataFolder ::");
}

void DetailedWriter::close()
{
    m_file.close();
}

std::string DetailedWriter::name(std::string_view suffix) const
{
    std::string wave = m_stem;
    wave += suffix;
    return wave;
}

bool DetailedWriter::has(std::string_view suffix) const
{
    return std::any_of(m_waves.begin(), m_waves.end(), [suffix](const PlannedWave& w) { return w.suffix == suffix; });
}

void DetailedWriter::putCommand(std::string_view command)
{
    m_line = "X ";
    m_line += command;
    m_file.putLine(m_line);
}

void DetailedWriter::putScale(const std::string& wave, std::string_view unit)
{
    m_longestName = std::max(m_longestName, wave.size());
    const std::string x = "SetScale/P x 0,1,\"\", " + wave;
    std::string d = "SetScale d 0,0,\"";
    d += unit;
    d += "\", ";
    d += wave;
    // One line as Igor users know it, two where a long name would pass the limit.
    if (2 + x.size() + 2 + d.size() <= kMaxCommandLine) {
        putCommand(x + "; " + d);
    } else {
        putCommand(x);
        putCommand(d);
    }
}

void DetailedWriter::putComputed(std::string_view suffix, std::string_view from, std::string_view value,
                                 std::string_view unit)
{
    const std::string wave = name(suffix);
    putCommand("Duplicate/O " + std::string(from) + ", " + wave);
    putCommand(wave + " = " + std::string(value));
    putScale(wave, unit);
    putNoteLine(wave, "Computed:" + wave + " = " + std::string(value));
}

void DetailedWriter::putString(std::string_view global, std::string_view text)
{
    putQuoted("X String/G " + std::string(global) + " = \"", "X " + std::string(global) + " += \"", text);
}

void DetailedWriter::putNoteLine(std::string_view wave, std::string_view text)
{
    putQuoted("X Note " + std::string(wave) + ", \"", "X Note/NOCR " + std::string(wave) + ", \"", text);
}

void DetailedWriter::putQuoted(const std::string& head, const std::string& more, std::string_view text)
{
    const std::string escaped = igorStringText(text, m_page);
    // The closing quote must fit too; a line holds one character at least, whatever the name.
    const std::size_t longer = std::max(head.size(), more.size());
    const std::size_t room = longer + 1 < kMaxCommandLine ? kMaxCommandLine - longer - 1 : 1;
    bool first = true;
    for (std::string_view piece : igorStringPieces(escaped, room, m_page)) {
        m_line = first ? head : more;
        m_line += piece;
        m_line += '"';
        m_file.putLine(m_line);
        first = false;
    }
}

} // namespace kivo::core
