#include "core/run/conversion_run.h"
#include "crlf_lines.h"
#include "memory_files.h"
#include "recording_window.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using kivo::core::CodePage;
using kivo::core::Notice;
using kivo::core::NoticeKind;
using kivo::core::OnMakeItx;
using kivo::testing::crLfLines;
using kivo::testing::MemoryFileSystem;
using kivo::testing::RecordingHost;

namespace {

struct DetailedRun {
    MemoryFileSystem files;
    RecordingHost host;

    DetailedRun()
    {
        host.detailed = true;
        host.prefixField = "p";
        host.outputField = "/d/out.itx";
    }

    void add(const std::string& path, const std::string& contents)
    {
        files.files[path] = contents;
        host.enqueue(path.substr(path.rfind('/') + 1), path);
    }

    std::string run()
    {
        OnMakeItx(host, nullptr, files, CodePage::Utf8);
        return files.files.at("/d/out.itx");
    }
};

// The waves of the one block of `itx` with their units ("Time:s Field:Oe ..."), and its
// data lines, as Igor would read them.
void readBlock(const std::string& itx, std::string& waves, std::string& rows)
{
    std::vector<std::string> names;
    std::size_t scaled = 0;
    for (const std::string& line : crLfLines(itx)) {
        if (line.starts_with("WAVES/D\t")) {
            std::istringstream in(line.substr(8));
            for (std::string name; std::getline(in, name, '\t');)
                names.push_back(name);
        } else if (line.starts_with("\t")) {
            rows += line;
        } else if (const std::size_t d = line.find("SetScale d 0,0,\""); d != std::string::npos) {
            const std::size_t unitEnd = line.find('"', d + 16);
            const std::string name = line.substr(unitEnd + 3);
            waves += (waves.empty() ? "" : " ") + name.substr(2) + ":" + line.substr(d + 16, unitEnd - d - 16);
            EXPECT_EQ(name, names.at(scaled++)) << line;
        }
    }
}

struct WavesCase {
    const char* instrument;
    std::string columns;
    std::string row;
    std::string waves; // as readBlock() gives them; empty when the file is passed over
    std::string rows;
};

// The value of each column tells which column fed a wave.
const WavesCase kWavesCases[] = {
    {"older layout, DC (MPMS XL .dat)",
     "Time,Comment,Field (Oe),Temperature (K),Long Moment (emu),Long Scan Std Dev,Long Algorithm,Trans Moment (emu),",
     "3895565640.0,,100,1.999768,1.00192E-04,2.5E-08,1,3E-09,",
     "Time:s Field:Oe Temperature:K LongMoment:emu LongMomentSD:emu",
     "\t3895565640.0\t100\t1.999768\t1.00192E-04\t2.5E-08"},
    {"older layout, AC (MPMS XL .ac.dat): m' is no long moment",
     "Time,Comment,Field (Oe),Temperature (K),Wave Frequency (Hz),Drive Amplitude (Oe),m' (emu),m' Scan Std Dev,"
     "m\" (emu),m\" Scan Std Dev,Delta Temp (K),",
     "3895565640.0,,0,5.0,10,3.8,1.1E-05,2E-08,3.2E-07,1E-08,0.01,",
     "Time:s Field:Oe Temperature:K ACMomentRe:emu ACMomentReSD:emu ACMomentIm:emu ACMomentImSD:emu ACFrequency:Hz "
     "ACDrive:Oe",
     "\t3895565640.0\t0\t5.0\t1.1E-05\t2E-08\t3.2E-07\t1E-08\t10\t3.8"},
    {"MPMS3 VSM: the VSM's frequency is no AC frequency",
     "Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Moment (emu),M. Std. Err. (emu),Transport Action,"
     "Frequency (Hz),DC Moment Free Ctr (emu),DC Moment Err Free Ctr (emu),AC X' (emu/Oe)",
     ",3895565640.00,300.0,10000,1.5E-04,2.0E-08,1,13,,,",
     "Time:s Field:Oe Temperature:K LongMoment:emu LongMomentSD:emu",
     "\t3895565640.00\t10000\t300.0\t1.5E-04\t2.0E-08"},
    {"MPMS3 DC scan: the fitted moment where the VSM moment is empty",
     "Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Moment (emu),M. Std. Err. (emu),Transport Action,"
     "Frequency (Hz),DC Moment Free Ctr (emu),DC Moment Err Free Ctr (emu),AC X' (emu/Oe)",
     ",3895565649.05,4.0,100,,,,,9.45E-05,3.6E-08,", "Time:s Field:Oe Temperature:K LongMoment:emu LongMomentSD:emu",
     "\t3895565649.05\t100\t4.0\t9.45E-05\t3.6E-08"},
    {"MPMS3 AC: susceptibilities, and no long moment where none holds a number",
     "Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Moment (emu),M. Std. Err. (emu),"
     "DC Moment Free Ctr (emu),DC Moment Err Free Ctr (emu),AC Moment (emu),AC X' (emu/Oe),AC X' Std Err. (emu/Oe),"
     "AC X'' (emu/Oe),AC X'' Std Err. (emu/Oe),AC Frequency (Hz),AC Drive (Oe)",
     ",3895565640.00,2.0,0,,,,,1.2E-05,3.1E-04,1E-06,2.2E-05,2E-06,757,3.0",
     "Time:s Field:Oe Temperature:K ACChiRe:emu/Oe ACChiReSD:emu/Oe ACChiIm:emu/Oe ACChiImSD:emu/Oe ACFrequency:Hz "
     "ACDrive:Oe",
     "\t3895565640.00\t0\t2.0\t3.1E-04\t1E-06\t2.2E-05\t2E-06\t757\t3.0"},
    {"PPMS VSM, with the number rule of the normal output",
     "Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Moment (emu),M. Std. Err. (emu),Transport Action,"
     "Averaging Time (sec),Frequency (Hz),Peak Amplitude (mm)",
     ",1234.5, 300 ,5 000,2.1E-03,1.1E-06,1,1,40,2", "Time:s Field:Oe Temperature:K LongMoment:emu LongMomentSD:emu",
     "\t1234.5\tNaN\t300\t2.1E-03\t1.1E-06"},
    {"PPMS ACMS: its DC moment pair, and its Moment (emu) is no long moment",
     "Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Frequency (Hz),Amplitude (Oe),M-DC (emu),"
     "M-Std.Dev. (emu),M' (emu),M'' (emu),Moment (emu),M. Std. Err. (emu),Phase (deg)",
     ",1234.5,10,0,1000,10,5E-05,1E-07,3E-05,4E-06,3.02E-05,9E-09,7.6",
     "Time:s Field:Oe Temperature:K LongMoment:emu LongMomentSD:emu ACMomentRe:emu ACMomentIm:emu ACFrequency:Hz "
     "ACDrive:Oe",
     "\t1234.5\t0\t10\t5E-05\t1E-07\t3E-05\t4E-06\t1000\t10"},
    {"PPMS resistivity: no moment of any kind",
     "Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Sample Position (deg),Bridge 1 Resistivity (Ohm-m)",
     ",1234.5,300,0,90,1.2E-06", "", ""},
};

TEST(DetailedOutput, EachInstrumentGivesItsWavesWithTheirUnits)
{
    for (const WavesCase& c : kWavesCases) {
        DetailedRun r;
        r.add("/d/f.dat", "[Header]\r\n[Data]\r\n" + c.columns + "\r\n" + c.row + "\r\n");
        const std::string itx = r.run();
        std::string waves;
        std::string rows;
        readBlock(itx, waves, rows);
        EXPECT_EQ(waves, c.waves) << c.instrument;
        EXPECT_EQ(rows, c.rows) << c.instrument;
        const Notice told = c.waves.empty() ? Notice{NoticeKind::NoKnownColumns, "f.dat"}
                                            : Notice{NoticeKind::PointsExtracted, "f.dat", 1};
        EXPECT_EQ(r.host.notices, std::vector<Notice>{told}) << c.instrument;
        if (c.waves.empty()) {
            EXPECT_EQ(itx, "IGOR\r\n") << c.instrument;
        }
    }
}

// The note lines of one line of a note, `text` already escaped and plain ASCII: no command
// line passes 400 bytes, a longer note line goes on with Note/NOCR.
std::string noteLines(const std::string& wave, std::string text)
{
    std::string head = "X Note " + wave + ", \"";
    std::string out;
    while (head.size() + text.size() + 1 > 400) {
        const std::size_t n = 400 - head.size() - 1;
        out += head + text.substr(0, n) + "\"\r\n";
        text = text.substr(n);
        head = "X Note/NOCR " + wave + ", \"";
    }
    return out + head + text + "\"\r\n";
}

struct Wave {
    std::string suffix;
    std::string unit;
    std::string column; // escaped
};

// One file's block as Igor reads it, spelled out from the format.
std::string block(const std::string& folder, const std::vector<Wave>& waves, const std::string& rows,
                  const std::string& source, const std::vector<std::string>& header)
{
    std::string s = "X NewDataFolder/O/S " + folder + "\r\nWAVES/D";
    for (const Wave& w : waves)
        s += "\tp" + w.suffix;
    s += "\r\nBEGIN\r\n" + rows + "END\r\n";
    for (const Wave& w : waves) {
        const std::string name = "p" + w.suffix;
        s += "X SetScale/P x 0,1,\"\", " + name + "; SetScale d 0,0,\"" + w.unit + "\", " + name + "\r\n";
        s += noteLines(name, "Source:" + source) + noteLines(name, "Column:" + w.column);
        for (const std::string& line : header)
            s += noteLines(name, line);
    }
    return s + "X SetDataFolder ::\r\n";
}

TEST(DetailedOutput, EachFileInAFolderOfItsOwnWithUnitsAndItsHeaderInTheNotes)
{
    DetailedRun r;
    const std::string longLine = "INFO," + std::string(900, 'n') + ",SAMPLE_COMMENT";
    r.add("/d/Fe3O4 ZFC-FC 100 Oe (sample 12 nm).dat",
          "[Header]\r\n; by hand\r\nTITLE,Fe3O4 \"12 nm\" in C:\\data\r\nINFO,\x01mass\x7F 1.90 mg,SAMPLE_MASS\r\n\r\n"
              + longLine
              + "\r\n[Data]\r\nTime,Comment,Field (Oe),Temperature (K),Long Moment (emu),Long Scan Std Dev,\r\n"
                "1,,100,300,1E-05,2E-08,\r\n2,,200,300,2E-05,,\r\n");
    // Named alike but for case and extension: Igor tells folder names apart by neither.
    r.add("/e/fe3o4 zfc-fc 100 oe (sample 12 nm).ac.dat",
          "[Header]\r\nTITLE,ac\r\n[Data]\r\nTime,Comment,Field (Oe),Temperature (K),m' (emu),m' Scan Std Dev,"
          "m\" (emu),m\" Scan Std Dev,Wave Frequency (Hz),Drive Amplitude (Oe),\r\n"
          "7,,0,5,1E-05,2E-08,3E-07,,10,3.8,\r\n");
    const std::string itx = r.run();

    const std::vector<std::string> headerA = {"; by hand", "TITLE,Fe3O4 \\\"12 nm\\\" in C:\\\\data",
                                              "INFO,mass 1.90 mg,SAMPLE_MASS", "", longLine};
    const std::string a = block("Fe3O4_ZFC_FC_100_Oe__sample_12_",
                                {{"_Time", "s", "Time"},
                                 {"_Field", "Oe", "Field (Oe)"},
                                 {"_Temperature", "K", "Temperature (K)"},
                                 {"_LongMoment", "emu", "Long Moment (emu)"},
                                 {"_LongMomentSD", "emu", "Long Scan Std Dev"}},
                                "\t1\t100\t300\t1E-05\t2E-08\r\n\t2\t200\t300\t2E-05\tNaN\r\n",
                                "Fe3O4 ZFC-FC 100 Oe (sample 12 nm).dat", headerA);
    const std::string b = block("fe3o4_zfc_fc_100_oe__sample_1_2",
                                {{"_Time", "s", "Time"},
                                 {"_Field", "Oe", "Field (Oe)"},
                                 {"_Temperature", "K", "Temperature (K)"},
                                 {"_ACMomentRe", "emu", "m' (emu)"},
                                 {"_ACMomentReSD", "emu", "m' Scan Std Dev"},
                                 {"_ACMomentIm", "emu", "m\\\" (emu)"},
                                 {"_ACFrequency", "Hz", "Wave Frequency (Hz)"},
                                 {"_ACDrive", "Oe", "Drive Amplitude (Oe)"}},
                                "\t7\t0\t5\t1E-05\t2E-08\t3E-07\t10\t3.8\r\n",
                                "fe3o4 zfc-fc 100 oe (sample 12 nm).ac.dat", {"TITLE,ac"});
    EXPECT_EQ(itx, "IGOR\r\n" + a + b);
    for (const std::string& line : crLfLines(itx))
        EXPECT_LE(line.size(), 400u) << line.substr(0, 40);
    EXPECT_EQ(r.host.notices,
              (std::vector<Notice>{{NoticeKind::PointsExtracted, "Fe3O4 ZFC-FC 100 Oe (sample 12 nm).dat", 2},
                                   {NoticeKind::PointsExtracted, "fe3o4 zfc-fc 100 oe (sample 12 nm).ac.dat", 1}}));
}

// Under code page 932 a "\\" that is the second byte of a character (表) is no backslash, and
// a lead byte without its second byte would join with the "\\" of an escape: it is dropped.
TEST(DetailedOutput, NotesKeepTwoByteCharactersWhole)
{
    DetailedRun r;
    r.add("/d/a.dat", "[Header]\r\nINFO,\x95\x5C\x8E\xA6 \x81\"x\"\r\n[Data]\r\n"
                      "Time,Comment,Field (Oe),Temperature (K),Long Moment (emu),Long Scan Std Dev,\r\n");
    OnMakeItx(r.host, nullptr, r.files, CodePage::Cp932);
    const std::string itx = r.files.files.at("/d/out.itx");
    EXPECT_NE(itx.find("X Note p_Time, \"INFO,\x95\x5C\x8E\xA6 \\\"x\\\"\"\r\n"), std::string::npos) << itx;
}

} // namespace
