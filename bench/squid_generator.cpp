#include "bench/squid_generator.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace kivo::bench {

namespace {

// Titles 7 to 30 are what such an instrument records besides the five columns a
// converter takes; their exact wording only has to look plausible.
constexpr std::array<std::string_view, 30> kColumns = {
    "Time",
    "Comment",
    "Field (Oe)",
    "Temperature (K)",
    "Long Moment (emu)",
    "Long Scan Std Dev",
    "Long Algorithm",
    "Long Reg Fit",
    "Long Reg Factor",
    "Trans Moment (emu)",
    "Trans Scan Std Dev",
    "Trans Algorithm",
    "Trans Reg Fit",
    "Trans Reg Factor",
    "Long Offset (cm)",
    "Long Offset Std Dev (cm)",
    "Delta Temp (K)",
    "Temp Status",
    "Sample Position (cm)",
    "Scan Length (cm)",
    "Points per Scan",
    "Scans Averaged",
    "SQUID Range",
    "Amplifier Gain",
    "Sample Center (cm)",
    "Chamber Pressure (Torr)",
    "Magnet Temp (K)",
    "Helium Level (%)",
    "Peak Voltage (V)",
    "Fit Chi Squared",
};

// An MPMS3's columns in DC scan mode: Moment (emu) and its error stay empty, and the moment
// is in DC Moment Free Ctr (emu), the 61st column. Titles other than the columns a
// converter looks for only have to look plausible.
constexpr std::array<std::string_view, 90> kMpms3Columns = {
    "Comment",
    "Time Stamp (sec)",
    "Temperature (K)",
    "Magnetic Field (Oe)",
    "Moment (emu)",
    "M. Std. Err. (emu)",
    "Transport Action",
    "Averaging Time (sec)",
    "Frequency (Hz)",
    "Peak Amplitude (mm)",
    "Center Position (mm)",
    "Lockin Signal' (V)",
    "Lockin Signal'' (V)",
    "Range",
    "Min. Temperature (K)",
    "Max. Temperature (K)",
    "Min. Field (Oe)",
    "Max. Field (Oe)",
    "Mass (grams)",
    "Motor Lag (deg)",
    "Pressure (Torr)",
    "Measure Count",
    "Measurement Number",
    "SQUID Status (code)",
    "Motor Status (code)",
    "Measure Status (code)",
    "Motor Current (amps)",
    "Motor Temp. (C)",
    "Temp. Status (code)",
    "Field Status (code)",
    "Chamber Status (code)",
    "Chamber Temp (K)",
    "Redirection State",
    "Average Temp (K)",
    "Rotation Angle (deg)",
    "Rotator state",
    "Sample Position (mm)",
    "Auto-Tracking Offset (mm)",
    "VSM Status (code)",
    "Drive Amplitude (mm)",
    "Drive Frequency (Hz)",
    "Magnet Mode",
    "Magnet Status (code)",
    "Magnet Temp (K)",
    "Helium Level (%)",
    "Magnet Current (A)",
    "Bath Temp (K)",
    "Sample Heater (W)",
    "Tube Temp (K)",
    "Flow Rate (sccm)",
    "Valve Position (%)",
    "Cooling Mode",
    "Oven Temp (K)",
    "Sample Space Pressure (Torr)",
    "Lockin Phase (deg)",
    "Lockin Gain",
    "Squid Gain",
    "Squid Range (code)",
    "DC Moment Fixed Ctr (emu)",
    "DC Moment Err Fixed Ctr (emu)",
    "DC Moment Free Ctr (emu)",
    "DC Moment Err Free Ctr (emu)",
    "DC Fixed Fit",
    "DC Free Fit",
    "DC Calculated Center (mm)",
    "DC Calculated Center Err (mm)",
    "DC Scan Length (mm)",
    "DC Scan Time (s)",
    "DC Number of Points",
    "DC Squid Drift",
    "DC Min V (V)",
    "DC Max V (V)",
    "DC Scans per Measure",
    "Map 01",
    "Map 02",
    "Map 03",
    "Map 04",
    "Map 05",
    "Map 06",
    "Map 07",
    "Map 08",
    "Map 09",
    "Map 10",
    "Map 11",
    "Map 12",
    "Map 13",
    "Map 14",
    "Map 15",
    "Map 16",
    "Map 17",
};

constexpr std::string_view kEol = "\r\n";

// A measurement sequence that repeats for as long as rows are asked for: zero-field-cooled
// and field-cooled moment against temperature, then field loops at 5 K and 300 K, the usual
// first look at a magnetic nanoparticle sample.
constexpr int kMtPoints = 150;   // 2 K to 300 K in 2 K steps
constexpr int kLoopPoints = 101; // 0 -> +5 T -> -5 T -> +5 T in 0.25 T steps
constexpr int kCycle = 2 * kMtPoints + 2 * kLoopPoints;
constexpr double kLoopStepOe = 2500.0;
constexpr double kLoopMaxOe = 50000.0;
constexpr double kMtFieldOe = 100.0;

struct SetPoint {
    double field;       // Oe
    double temperature; // K
    int sweep;          // +1 field rising, -1 falling, 0 field held
    bool zeroFieldCooled;
};

SetPoint setPointOf(std::uint64_t row)
{
    int k = static_cast<int>(row % static_cast<std::uint64_t>(kCycle));
    if (k < kMtPoints) {
        return {kMtFieldOe, 2.0 + 2.0 * k, 0, true};
    }
    k -= kMtPoints;
    if (k < kMtPoints) {
        return {kMtFieldOe, 300.0 - 2.0 * k, 0, false};
    }
    k -= kMtPoints;
    const double temperature = k < kLoopPoints ? 5.0 : 300.0;
    k %= kLoopPoints;
    // Triangle: up 20 steps, down 40, up 40.
    const int up = static_cast<int>(kLoopMaxOe / kLoopStepOe);
    if (k <= up) {
        return {kLoopStepOe * k, temperature, +1, false};
    }
    if (k <= 3 * up) {
        return {kLoopMaxOe - kLoopStepOe * (k - up), temperature, -1, false};
    }
    return {-kLoopMaxOe + kLoopStepOe * (k - 3 * up), temperature, +1, false};
}

// Saturating curve built from exactly rounded operations only (no libm transcendental
// functions), so a seed gives the same digits with every compiler and C library.
double saturation(double x)
{
    return x / std::sqrt(1.0 + x * x);
}

// Moment of about 2 mg of paraffin holding 2 % magnetite nanoparticles, in emu: a soft ferrimagnet
// with a little coercivity at low temperature, blocked below about 120 K, on a weak
// diamagnetic background from the holder.
double momentOf(const SetPoint& p)
{
    const double t = p.temperature;
    const double msat = 3.0e-3 * (1.0 - (t / 850.0) * (t / 850.0));
    const double coercive = t < 150.0 ? 280.0 * (1.0 - t / 150.0) : 0.0;
    const double width = 900.0 + 6.0 * t;
    const double effective = p.field - p.sweep * coercive;
    double m = msat * saturation(effective / width);
    if (p.sweep == 0) {
        // In 100 Oe the response is far from saturation and falls with temperature.
        m = msat * (kMtFieldOe / width) * (160.0 / (t + 40.0));
        if (p.zeroFieldCooled) {
            const double r = t / 120.0;
            m *= 0.08 + 0.92 * r * r * r / (1.0 + r * r * r);
        }
    }
    return m - 2.3e-10 * p.field;
}

class Line {
public:
    explicit Line(std::string& out) : m_out(out) {}

    void empty() { m_out.push_back(','); }
    void text(std::string_view s)
    {
        m_out.append(s);
        m_out.push_back(',');
    }
    // The formatters return the text they wrote, valid until the next one is called.
    // Shortest text that reads back as v, e.g. 10000 or -2500.
    std::string_view shortest(double v) { return put(std::to_chars(m_buf, m_buf + sizeof m_buf, v)); }
    std::string_view fixed(double v, int decimals)
    {
        return put(std::to_chars(m_buf, m_buf + sizeof m_buf, v, std::chars_format::fixed, decimals));
    }
    std::string_view general(double v, int digits)
    {
        return put(std::to_chars(m_buf, m_buf + sizeof m_buf, v, std::chars_format::general, digits));
    }
    // Like 1.234567E-05: the instrument writes scientific notation with a capital E.
    std::string_view scientific(double v, int decimals)
    {
        const auto r = std::to_chars(m_buf, m_buf + sizeof m_buf, v, std::chars_format::scientific, decimals);
        std::replace(m_buf, r.ptr, 'e', 'E');
        return put(r);
    }
    // Like 1.23456789012E-005: an exponent of at least three digits, as the C runtime of
    // Windows writes it.
    std::string_view scientific3(double v, int decimals)
    {
        auto r = std::to_chars(m_buf, m_buf + sizeof m_buf, v, std::chars_format::scientific, decimals);
        char* e = std::find(m_buf, r.ptr, 'e');
        *e = 'E';
        if (r.ptr - e == 4) {
            std::memmove(e + 3, e + 2, 2);
            e[2] = '0';
            ++r.ptr;
        }
        return put(r);
    }
    void end() { m_out.append(kEol); }

private:
    std::string_view put(std::to_chars_result r)
    {
        const std::string_view s(m_buf, static_cast<std::size_t>(r.ptr - m_buf));
        text(s);
        return s;
    }

    std::string& m_out;
    char m_buf[64];
};

std::string buildMpms3Preamble(std::uint64_t seed)
{
    std::string s;
    auto line = [&s](std::string_view text) {
        s.append(text);
        s.append(kEol);
    };
    line("[Header]");
    line("; Written by kivo-gen-squid as test and benchmark input: made-up values in the");
    line("; layout of an MPMS3 data file in DC scan mode. No instrument measured them.");
    line("; Seed " + std::to_string(seed));
    line("TITLE,Magnetite nanoparticles 12 nm in paraffin - ZFC/FC and loops");
    line("BYAPP,kivo-gen-squid,1.0");
    line("FILEOPENTIME,3895565640.00,06/11/2023,09:34");
    line("INFO,Fe3O4 nanoparticles 12 nm dispersed in paraffin wax (2 % by mass),SAMPLE_MATERIAL");
    line("INFO,1.90 mg,SAMPLE_MASS");
    line("INFO,DC scan 30 mm in 4 s,DC_SCAN");
    line("DATATYPE,COMMENT,1");
    line("DATATYPE,TIME,2");
    line("FIELDGROUP,DC,59,60,61,62,63,64");
    line("STARTUPAXIS,X,4");
    line("STARTUPAXIS,Y1,61");
    line("[Data]");
    for (std::size_t i = 0; i < kMpms3Columns.size(); ++i) {
        if (i > 0)
            s.push_back(',');
        s.append(kMpms3Columns[i]);
    }
    s.append(kEol);
    return s;
}

std::string buildPreamble(std::uint64_t seed)
{
    std::string s;
    auto line = [&s](std::string_view text) {
        s.append(text);
        s.append(kEol);
    };
    line("[Header]");
    line("; Written by kivo-gen-squid as test and benchmark input: made-up values in the");
    line("; layout of a SQUID magnetometer data file. No instrument measured them.");
    line("; Seed " + std::to_string(seed));
    line("TITLE,Magnetite nanoparticles 12 nm in paraffin - ZFC/FC and loops");
    line("BYAPP,kivo-gen-squid,1.0");
    line("FILEOPENTIME,3895565640.00,06/11/2023,09:34");
    line("INFO,Fe3O4 nanoparticles 12 nm dispersed in paraffin wax (2 % by mass),SAMPLE_MATERIAL");
    line("INFO,Batch NP-0611 second synthesis,SAMPLE_COMMENT");
    line("INFO,1.90 mg,SAMPLE_MASS");
    line("INFO,Gelatin capsule in plastic straw,SAMPLE_HOLDER");
    line("INFO,K. Tanaka,OPERATOR");
    line("INFO,ZFC and FC 2-300 K in 100 Oe then M(H) at 5 K and 300 K to 5 T,SEQUENCE");
    line("INFO,Scan length 4 cm with 32 points per scan and 3 scans averaged,SCAN");
    line("INFO,Iterative regression with the sample centred at 2.0 cm,LONG_ALGORITHM");
    line("INFO,Transverse moment fitted as well,TRANSVERSE");
    line("DATATYPE,COMMENT,1");
    line("DATATYPE,TIME,0");
    line("FIELDGROUP,Moment,5,6,7,8,9");
    line("FIELDGROUP,Temperature,4,17,18,27");
    line("STARTUPAXIS,X,3");
    line("STARTUPAXIS,Y1,5");
    line("[Data]");
    for (std::string_view title : kColumns) {
        s.append(title);
        s.push_back(',');
    }
    s.append(kEol);
    return s;
}

} // namespace

SquidSampleGenerator::SquidSampleGenerator(std::uint64_t seed, SquidLayout layout)
    : m_state(seed)
    , m_layout(layout)
    , m_preamble(layout == SquidLayout::Older ? buildPreamble(seed) : buildMpms3Preamble(seed))
{
}

std::size_t SquidSampleGenerator::columnCount(SquidLayout layout) noexcept
{
    return layout == SquidLayout::Older ? kColumns.size() : kMpms3Columns.size();
}

double SquidSampleGenerator::uniform()
{
    // splitmix64: tiny, fast and the same everywhere, unlike the distributions of <random>.
    m_state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = m_state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53;
}

double SquidSampleGenerator::noise(double scale)
{
    // Sum of four uniforms: close enough to normal for measurement scatter.
    const double s = uniform() + uniform() + uniform() + uniform();
    return (s - 2.0) * 1.7320508075688772 * scale;
}

void SquidSampleGenerator::appendRow(std::string& out, SquidRowValues* values)
{
    if (m_layout != SquidLayout::Older) {
        appendMpms3Row(out, values);
        return;
    }
    const SetPoint p = setPointOf(m_row);
    // Each point takes a settle and three scans; a new field set point adds the magnet's
    // charging time.
    const double seconds = m_seconds;
    m_seconds += (p.sweep == 0 ? 36.0 : 50.0) + 6.0 * uniform();

    const double temperature = p.temperature + noise(2.0e-4 * p.temperature + 5.0e-4);
    const double trueMoment = momentOf(p);
    const double stdDev = 2.0e-8 + std::fabs(trueMoment) * (4.0e-4 + 4.0e-4 * uniform());
    const double moment = trueMoment + noise(stdDev);
    const double absMoment = std::fabs(moment);
    // Weak signals near zero moment fit worse.
    const double fit = std::min(0.999999, 0.99995 - 2.0e-9 / (absMoment + 1.0e-8) + noise(2.0e-5));

    Line line(out);
    // Each view lives only until the next value is formatted.
    const auto keep = [values](std::string SquidRowValues::*member, std::string_view text) {
        if (values != nullptr)
            (values->*member).assign(text);
    };
    keep(&SquidRowValues::time, line.fixed(seconds, 1));
    line.empty(); // comment
    keep(&SquidRowValues::field, line.shortest(p.field));
    keep(&SquidRowValues::temperature, line.general(temperature, 7));
    keep(&SquidRowValues::moment, line.scientific(moment, 6));
    keep(&SquidRowValues::momentSD, line.scientific(stdDev, 6));
    line.text("3");                       // long algorithm: iterative regression
    line.general(fit, 6);                 // long reg fit
    line.scientific(moment / 2.87e-3, 6); // long reg factor, in volts per emu scale
    // The transverse coils see the small moment perpendicular to the field.
    const double trans = 4.0e-3 * trueMoment + noise(3.0e-8);
    line.scientific(trans, 6);
    line.scientific(3.0e-8 + std::fabs(trans) * 2.0e-2 * uniform(), 6);
    line.text("3");
    line.general(0.9 + 0.09 * uniform(), 6);
    line.scientific(trans / 2.87e-3, 6);
    line.fixed(0.0132 + noise(8.0e-4), 5); // long offset
    line.scientific(3.0e-4 + 2.0e-4 * uniform(), 6);
    line.fixed(noise(2.0e-3 + 1.0e-5 * p.temperature), 4); // delta temp
    line.text(uniform() < 0.98 ? "1" : "2");               // temperature stable, rarely still settling
    line.fixed(4.0 + noise(5.0e-4), 5);                    // sample position
    line.text("4");                                        // scan length
    line.text("32");                                       // points per scan
    line.text("3");                                        // scans averaged
    line.text(absMoment > 1.0e-3 ? "1000" : absMoment > 1.0e-4 ? "100" : "10");
    line.text(absMoment > 1.0e-3 ? "1" : "10");
    line.fixed(2.0 + noise(2.0e-3), 5);                                  // sample center
    line.general(5.0 + noise(0.05), 4);                                  // chamber pressure
    line.general(4.2 + std::fabs(p.field) * 2.0e-6 + noise(0.003), 6);   // magnet temp
    line.fixed(78.0 - 1.5e-4 * static_cast<double>(m_row % 100000u), 1); // helium level
    line.scientific(moment * 348.0 + noise(2.0e-6), 6);                  // peak voltage
    line.scientific(1.0e-3 + 5.0e-3 * uniform(), 6);                     // fit chi squared
    line.end();
    ++m_row;
}

void SquidSampleGenerator::appendMpms3Row(std::string& out, SquidRowValues* values)
{
    const SetPoint p = setPointOf(m_row);
    // A DC scan takes a few seconds; the time stamp counts seconds since 1899-12-30.
    const double seconds = m_seconds;
    m_seconds += (p.sweep == 0 ? 9.0 : 14.0) + 2.0 * uniform();
    const double temperature = p.temperature + noise(2.0e-4 * p.temperature + 5.0e-4);
    const double trueMoment = momentOf(p);
    const double stdErr = 5.0e-9 + std::fabs(trueMoment) * (2.0e-4 + 2.0e-4 * uniform());
    const double moment = trueMoment + noise(stdErr);
    const double fixedMoment = moment * (1.0 + noise(2.0e-4));
    const bool full = m_layout == SquidLayout::Mpms3FullDigits;
    // The field as the magnet's supply reads it back, which only the full digits show.
    const double field = full ? p.field + noise(0.02) : p.field;

    Line line(out);
    const auto keep = [values](std::string SquidRowValues::*member, std::string_view text) {
        if (values != nullptr)
            (values->*member).assign(text);
    };
    // Each value in the form the file's software writes it.
    const auto fixed = [&](double v, int decimals) { return full ? line.fixed(v, 6) : line.fixed(v, decimals); };
    const auto general = [&](double v, int digits) { return full ? line.general(v, 16) : line.general(v, digits); };
    const auto scientific = [&](double v, int decimals) {
        return full ? line.scientific3(v, 11) : line.scientific(v, decimals);
    };
    line.empty();                                   // comment
    keep(&SquidRowValues::time, fixed(seconds, 2)); // time stamp
    keep(&SquidRowValues::temperature, general(temperature, 7));
    keep(&SquidRowValues::field, full ? line.general(field, 16) : line.shortest(field));
    line.empty(); // moment: empty in DC scan mode
    line.empty(); // its error
    for (int k = 6; k < 21; ++k)
        line.empty();
    line.text(std::to_string(m_row % 1000000u + 1u)); // measure count
    line.text(std::to_string(m_row + 1u));            // measurement number
    line.text("0");                                   // SQUID status
    line.text("0");                                   // motor status
    line.text("0");                                   // measure status
    line.empty();
    line.empty();
    line.text(uniform() < 0.98 ? "1" : "5"); // temperature stable, rarely still settling
    line.text(p.sweep == 0 ? "4" : "1");     // field stable or sweeping
    line.text("3");                          // chamber purged and sealed
    general(temperature + noise(0.01), 6);   // chamber temp
    for (int k = 32; k < 58; ++k)
        line.empty();
    scientific(fixedMoment, 6); // DC moment, fixed centre
    scientific(stdErr * 1.1, 6);
    keep(&SquidRowValues::moment, scientific(moment, 6));
    keep(&SquidRowValues::momentSD, scientific(stdErr, 6));
    general(0.9990 + noise(3.0e-4), 6); // fixed fit
    general(0.9995 + noise(2.0e-4), 6); // free fit
    fixed(35.0 + noise(0.02), 4);       // calculated centre
    fixed(0.002 + 0.001 * uniform(), 4);
    line.text("30");                                // scan length
    line.text("4");                                 // scan time
    line.text("400");                               // points
    scientific(noise(1.0e-5), 3);                   // squid drift
    scientific(-moment * 120.0 + noise(1.0e-6), 5); // min and max voltage
    scientific(moment * 120.0 + noise(1.0e-6), 5);
    line.text("1"); // scans per measure
    for (int k = 73; k < 89; ++k)
        line.empty(); // maps 01 to 16
    out.append(kEol); // map 17, empty: no trailing comma
    ++m_row;
}

std::string makeSquidSample(std::size_t rows, std::uint64_t seed, SquidLayout layout)
{
    SquidSampleGenerator gen(seed, layout);
    std::string s = gen.preamble();
    s.reserve(s.size() + rows * 300);
    for (std::size_t i = 0; i < rows; ++i)
        gen.appendRow(s);
    return s;
}

namespace {

// Rows are made in batches and handed to the stream in large writes, so a 100 MB file takes
// a fraction of a second.
template <typename More>
SquidSampleSummary writeRows(std::ostream& out, std::uint64_t seed, SquidLayout layout, More more)
{
    SquidSampleGenerator gen(seed, layout);
    SquidSampleSummary sum;
    out.write(gen.preamble().data(), static_cast<std::streamsize>(gen.preamble().size()));
    sum.bytes = gen.preamble().size();

    constexpr std::size_t kBatch = 1 << 20;
    std::string batch;
    std::string row;
    batch.reserve(kBatch + 1024);
    SquidRowValues values;
    for (;;) {
        row.clear();
        gen.appendRow(row, &values);
        if (!more(sum.rows, sum.bytes + batch.size() + row.size()))
            break;
        if (sum.rows == 0)
            sum.first = values;
        sum.last = values;
        ++sum.rows;
        batch += row;
        if (batch.size() >= kBatch) {
            out.write(batch.data(), static_cast<std::streamsize>(batch.size()));
            sum.bytes += batch.size();
            batch.clear();
        }
    }
    out.write(batch.data(), static_cast<std::streamsize>(batch.size()));
    sum.bytes += batch.size();
    return sum;
}

template <typename Write> SquidSampleSummary writeFile(const std::string& path, Write write)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        throw std::runtime_error("cannot create " + path + ": " + std::generic_category().message(errno));
    }
    SquidSampleSummary sum = write(file);
    file.close();
    if (!file) {
        throw std::runtime_error("cannot write " + path + ": " + std::generic_category().message(errno));
    }
    return sum;
}

} // namespace

SquidSampleSummary writeSquidSample(std::ostream& out, std::uint64_t rows, std::uint64_t seed, SquidLayout layout)
{
    return writeRows(out, seed, layout, [rows](std::uint64_t made, std::uint64_t) { return made < rows; });
}

SquidSampleSummary writeSquidSampleOfSize(std::ostream& out, std::uint64_t maxBytes, std::uint64_t seed,
                                          SquidLayout layout)
{
    return writeRows(out, seed, layout, [maxBytes](std::uint64_t, std::uint64_t total) { return total <= maxBytes; });
}

SquidSampleSummary writeSquidSampleFile(const std::string& path, std::uint64_t rows, std::uint64_t seed,
                                        SquidLayout layout)
{
    return writeFile(path, [&](std::ostream& out) { return writeSquidSample(out, rows, seed, layout); });
}

SquidSampleSummary writeSquidSampleFileOfSize(const std::string& path, std::uint64_t maxBytes, std::uint64_t seed,
                                              SquidLayout layout)
{
    return writeFile(path, [&](std::ostream& out) { return writeSquidSampleOfSize(out, maxBytes, seed, layout); });
}

} // namespace kivo::bench
