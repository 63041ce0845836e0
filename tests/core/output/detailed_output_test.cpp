#include "core/run/conversion_run.h"
#include "core/run/run_summary.h"
#include "crlf_lines.h"
#include "igor_loader.h"
#include "memory_files.h"
#include "recording_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

using kivo::core::CodePage;
using kivo::core::Notice;
using kivo::core::NoticeKind;
using kivo::core::OnMakeItx;
using kivo::core::RunSummary;
using kivo::core::summaryNotice;
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

    // The output, or "" when none was written.
    std::string run(CodePage page = CodePage::Utf8)
    {
        OnMakeItx(host, nullptr, files, page);
        const auto out = files.files.find("/d/out.itx");
        return out == files.files.end() ? std::string() : out->second;
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
    {"MPMS3 DC scan: a value holding a tab is NaN, and a column of NaN words gives no wave",
     "Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Moment (emu),M. Std. Err. (emu),"
     "DC Moment Free Ctr (emu),DC Moment Err Free Ctr (emu),AC X' (emu/Oe),AC Frequency (Hz)",
     ",3895565649.05,4.0,100,,,9.45E-05\t,3.6E-08,nan,-NaN\r\n,3895565650.05,4.0,100,,,9.46E-05,3.7E-08,+NAN,",
     "Time:s Field:Oe Temperature:K LongMoment:emu LongMomentSD:emu",
     "\t3895565649.05\t100\t4.0\tNaN\t3.6E-08\t3895565650.05\t100\t4.0\t9.46E-05\t3.7E-08"},
    {"PPMS ACMS with an empty DC moment: no deviation without its moment",
     "Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Frequency (Hz),Amplitude (Oe),M-DC (emu),"
     "M-Std.Dev. (emu),M' (emu),M'' (emu)",
     ",1234.5,10,0,1000,10,,1E-07,3E-05,4E-06",
     "Time:s Field:Oe Temperature:K ACMomentRe:emu ACMomentIm:emu ACFrequency:Hz ACDrive:Oe",
     "\t1234.5\t0\t10\t3E-05\t4E-06\t1000\t10"},
    {"DynaCool ACMS II: its DC pair, its susceptibilities as the instrument titles them",
     "Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),DC Moment (emu),DC Std. Err. (emu),"
     "AC Frequency (Hz),AC Drive (Oe),AC X'  (emu/Oe),AC X\" (emu/Oe)",
     ",3895565640.5,5,100,2.5E-04,3E-08,,,,\r\n,3895565641.5,5,0,,,1000,10,2E-05,3E-07",
     "Time:s Field:Oe Temperature:K LongMoment:emu LongMomentSD:emu ACChiRe:emu/Oe ACChiIm:emu/Oe ACFrequency:Hz "
     "ACDrive:Oe",
     "\t3895565640.5\t100\t5\t2.5E-04\t3E-08\tNaN\tNaN\tNaN\tNaN"
     "\t3895565641.5\t0\t5\tNaN\tNaN\t2E-05\t3E-07\t1000\t10"},
    {"PPMS resistivity: no moment of any kind",
     "Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Sample Position (deg),Bridge 1 Resistivity (Ohm-m)",
     ",1234.5,300,0,90,1.2E-06", "", ""},
};

// Every read size: rows in one read block, and rows split across blocks at every byte.
TEST(DetailedOutput, EachInstrumentGivesItsWavesWithTheirUnits)
{
    for (const WavesCase& c : kWavesCases) {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, kivo::testing::kNever}) {
            DetailedRun r;
            r.files.readPiece = piece;
            r.files.files["/d/out.itx"] = "earlier";
            r.add("/d/f.dat", "[Header]\r\n[Data]\r\n" + c.columns + "\r\n" + c.row + "\r\n");
            const std::string itx = r.run();
            std::string waves;
            std::string rows;
            readBlock(itx, waves, rows);
            const std::string what = std::string(c.instrument) + ", pieces of " + std::to_string(piece);
            EXPECT_EQ(waves, c.waves) << what;
            EXPECT_EQ(rows, c.rows) << what;
            const std::int64_t points = static_cast<std::int64_t>(std::count(c.row.begin(), c.row.end(), '\n')) + 1;
            // A run that converts nothing writes nothing, and says so.
            const RunSummary told =
                c.waves.empty() ? RunSummary{{{"f.dat", NoticeKind::NoKnownColumns, {}, 0}}, false, {}}
                                : RunSummary{{{"f.dat", NoticeKind::PointsExtracted, "f", points}}, false, "/d/out.itx"};
            EXPECT_EQ(r.host.notices, std::vector<Notice>{summaryNotice(told)}) << what;
            if (c.waves.empty()) {
                EXPECT_EQ(itx, "earlier") << what;
            }
        }
    }
}

// The note lines of one line of a note, `text` already escaped and plain ASCII: no command
// line passes 400 bytes, a longer note line goes on with Note/NOCR.
std::string noteLines(const std::string& wave, std::string text)
{
    const std::string more = "X Note/NOCR " + wave + ", \"";
    const std::size_t room = 400 - more.size() - 1;
    std::string out = "X Note " + wave + ", \"";
    while (text.size() > room) {
        out += text.substr(0, room) + "\"\r\n" + more;
        text = text.substr(room);
    }
    return out + text + "\"\r\n";
}

struct Wave {
    std::string suffix;
    std::string unit;
    std::string column; // escaped
};

// One file's block as Igor reads it, spelled out from the format.
std::string block(const std::string& stem, const std::vector<Wave>& waves, const std::string& rows,
                  const std::string& source, const std::vector<std::string>& header)
{
    std::string s = "X NewDataFolder/O/S " + stem + "\r\nWAVES/D";
    for (const Wave& w : waves)
        s += "\t" + stem + w.suffix;
    s += "\r\nBEGIN\r\n" + rows + "END\r\n";
    for (const Wave& w : waves) {
        const std::string name = stem + w.suffix;
        s += "X SetScale/P x 0,1,\"\", " + name + "; SetScale d 0,0,\"" + w.unit + "\", " + name + "\r\n";
        s += noteLines(name, "Source:" + source) + noteLines(name, "Column:" + w.column);
        for (const std::string& line : header)
            s += noteLines(name, line);
    }
    return s + "X String/G SourceFile = \"" + source + "\"\r\nX SetDataFolder ::\r\n";
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
    // Named alike but for case: Igor tells names apart by no case, so the second is _2.
    r.add("/e/fe3o4 zfc-fc 100 oe (sample 12 nm).dat",
          "[Header]\r\nTITLE,ac\r\n[Data]\r\nTime,Comment,Field (Oe),Temperature (K),m' (emu),m' Scan Std Dev,"
          "m\" (emu),m\" Scan Std Dev,Wave Frequency (Hz),Drive Amplitude (Oe),\r\n"
          "7,,0,5,1E-05,2E-08,3E-07,,10,3.8,\r\n");
    const std::string itx = r.run();

    const std::string comment(900, 'n');
    const std::vector<std::string> headerA = {"; by hand", "TITLE,Fe3O4 \\\"12 nm\\\" in C:\\\\data",
                                              "INFO,mass 1.90 mg,SAMPLE_MASS", "", longLine};
    const std::string a = block("Fe3O4_ZFC_FC_100_Oe_sample_12_nm",
                                {{"_Time", "s", "Time"},
                                 {"_Field", "Oe", "Field (Oe)"},
                                 {"_Temperature", "K", "Temperature (K)"},
                                 {"_LongMoment", "emu", "Long Moment (emu)"},
                                 {"_LongMomentSD", "emu", "Long Scan Std Dev"}},
                                "\t1\t100\t300\t1E-05\t2E-08\r\n\t2\t200\t300\t2E-05\tNaN\r\n",
                                "/d/Fe3O4 ZFC-FC 100 Oe (sample 12 nm).dat", headerA);
    const std::string b = block("fe3o4_zfc_fc_100_oe_sample_12_nm_2",
                                {{"_Time", "s", "Time"},
                                 {"_Field", "Oe", "Field (Oe)"},
                                 {"_Temperature", "K", "Temperature (K)"},
                                 {"_ACMomentRe", "emu", "m' (emu)"},
                                 {"_ACMomentReSD", "emu", "m' Scan Std Dev"},
                                 {"_ACMomentIm", "emu", "m\\\" (emu)"},
                                 {"_ACFrequency", "Hz", "Wave Frequency (Hz)"},
                                 {"_ACDrive", "Oe", "Drive Amplitude (Oe)"}},
                                "\t7\t0\t5\t1E-05\t2E-08\t3E-07\t10\t3.8\r\n",
                                "/e/fe3o4 zfc-fc 100 oe (sample 12 nm).dat", {"TITLE,ac"});
    // The comment is a global of the first file's folder too, cut to fit Igor Pro 6's lines.
    const std::string commentHead = "X String/G SampleComment = \"";
    const std::string commentMore = "X SampleComment += \"";
    const std::size_t room = 400 - commentHead.size() - 1;
    const std::string commentLines = commentHead + comment.substr(0, room) + "\"\r\n" + commentMore
                                     + comment.substr(room, room) + "\"\r\n" + commentMore + comment.substr(2 * room)
                                     + "\"\r\n";
    const std::string aWithComment =
        a.substr(0, a.find("X String/G SourceFile")) + commentLines + a.substr(a.find("X String/G SourceFile"));
    EXPECT_EQ(itx, "IGOR\r\nX NewDataFolder/O/S p\r\n" + aWithComment + b + "X SetDataFolder ::\r\n");
    for (const std::string& line : crLfLines(itx))
        EXPECT_LE(line.size(), 400u) << line.substr(0, 40);
    // Both folders' names pass 31 bytes: only Igor Pro 8 and later read them.
    EXPECT_EQ(r.host.notices,
              std::vector<Notice>{summaryNotice(
                  {{{"Fe3O4 ZFC-FC 100 Oe (sample 12 nm).dat", NoticeKind::PointsExtracted,
                     "Fe3O4_ZFC_FC_100_Oe_sample_12_nm", 2},
                    {"fe3o4 zfc-fc 100 oe (sample 12 nm).dat", NoticeKind::PointsExtracted,
                     "fe3o4_zfc_fc_100_oe_sample_12_nm_2", 1}},
                   true,
                   "/d/out.itx"})});
}

// The batch's folder is named by the prefix: a long one needs Igor Pro 8 as a long stem does.
TEST(DetailedOutput, ALongPrefixIsALongName)
{
    DetailedRun r;
    r.host.prefixField = std::string(32, 'p');
    r.add("/d/a.dat", "[Header]\r\n[Data]\r\nTime,Comment,Field (Oe),Temperature (K),Long Moment (emu),"
                      "Long Scan Std Dev,\r\n1,,2,3,4,5,\r\n");
    r.run();
    EXPECT_EQ(r.host.notices, std::vector<Notice>{summaryNotice(
                                  {{{"a.dat", NoticeKind::PointsExtracted, "a", 1}}, true, "/d/out.itx"})});
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
    EXPECT_NE(itx.find("X Note a_Time, \"INFO,\x95\x5C\x8E\xA6 \\\"x\\\"\"\r\n"), std::string::npos) << itx;
}

// A byte that forms no character in the run's code page is dropped from a string, so that
// the quote after it closes the string instead of becoming its second byte: Igor would
// otherwise run what follows as a command.
TEST(DetailedOutput, HeaderBytesNeverBecomeCommands)
{
    for (const CodePage page : {CodePage::Utf8, CodePage::Cp932}) {
        DetailedRun r;
        r.add("/d/a.dat", "[Header]\r\nINFO,\x83\"; KillWaves/A/Z //\r\n[Data]\r\n"
                          "Time,Comment,Field (Oe),Temperature (K),Long Moment (emu),Long Scan Std Dev,\r\n1,,2,3,4,5,\r\n");
        const std::string itx = r.run(page);
        EXPECT_NE(itx.find("X Note a_Time, \"INFO,\\\"; KillWaves/A/Z //\"\r\n"), std::string::npos) << itx;
    }
}




// Days from 1904-01-01 to a date of the Gregorian calendar, from the calendar's rules.
long long daysSince1904(int year, int month, int day)
{
    const auto leap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
    const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    long long days = 0;
    for (int y = 1904; y < year; ++y)
        days += leap(y) ? 366 : 365;
    for (int m = 1; m < month; ++m)
        days += lengths[m - 1] + (m == 2 && leap(year) ? 1 : 0);
    return days + day - 1;
}


// Two files as Igor loads them: the batch's folder, a folder per file with its waves, the
// sample's facts as globals, what Igor computes from them, and dates on Igor's calendar.
TEST(DetailedOutput, IgorLoadsTheFactsTheComputationsAndTheDates)
{
    DetailedRun r;
    r.add("/d/2K_MH.dat", "[Header]\r\nINFO,7.2,SAMPLE_MASS\r\nINFO,150.5,SAMPLE_MOLECULAR_WEIGHT\r\n"
                          "INFO,Fe(pc), powder,SAMPLE_MATERIAL\r\nFILEOPENTIME,3764744147.23462,04/18/2019,11:16 am\r\n"
                          "[Data]\r\nComment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Moment (emu),"
                          "M. Std. Err. (emu)\r\n,3764744147.23462,2,1000,3.6E-03,1E-07\r\n,3764744207.23462,2,0,1E-04,1E-07\r\n");
    r.add("/e/試料A_ZFC.dat", "[Header]\r\nINFO, NAME, magnetite\r\nINFO, WEIGHT, 48.400\r\n"
                              "FILEOPENTIME, 1164777384.812000 11/28/2006, 9:16:24 PM\r\n[Data]\r\n"
                              "Time,Comment,Field (Oe),Temperature (K),Long Moment (emu),Long Scan Std Dev,\r\n"
                              "1164777384.812,,100,300,2.42E-03,1E-08,\r\n");
    kivo::testing::IgorLoader igor;
    igor.load(r.run());

    const auto& batch = igor.root().folder("p");
    const auto& a = batch.folder("w2K_MH");
    EXPECT_EQ(a.variables.at("SampleMass"), 0.0072);
    EXPECT_EQ(a.variables.at("MolecularWeight"), 150.5);
    EXPECT_EQ(a.strings.at("SampleName"), "Fe(pc), powder");
    EXPECT_EQ(a.strings.at("SourceFile"), "/d/2K_MH.dat");
    const auto point = [&a](const char* wave, std::size_t k) { return a.waves.at(wave).points.at(k); };
    const double perMole = 3.6E-03 * 150.5 / 0.0072;
    EXPECT_DOUBLE_EQ(point("w2K_MH_MomentPerGram", 0), 3.6E-03 / 0.0072);
    EXPECT_DOUBLE_EQ(point("w2K_MH_MomentPerMole", 0), perMole);
    EXPECT_DOUBLE_EQ(point("w2K_MH_ChiMolar", 0), perMole / 1000);
    EXPECT_TRUE(std::isnan(point("w2K_MH_ChiMolar", 1))) << "the field is 0";
    EXPECT_DOUBLE_EQ(point("w2K_MH_ChiMolarT", 0), perMole / 1000 * 2);
    EXPECT_DOUBLE_EQ(point("w2K_MH_MuBPerFU", 0), perMole / 5584.94);
    EXPECT_EQ(a.waves.at("w2K_MH_ChiMolarT").unit, "emu K/(mol Oe)");
    EXPECT_EQ(a.waves.at("w2K_MH_Date").unit, "dat");
    // The file was opened at 11:16 local time; its first row is stamped then, the second a
    // minute later.
    const double opened = static_cast<double>(daysSince1904(2019, 4, 18) * 86400 + 11 * 3600 + 16 * 60);
    EXPECT_NEAR(point("w2K_MH_Date", 0), opened, 60);
    EXPECT_DOUBLE_EQ(point("w2K_MH_Date", 1) - point("w2K_MH_Date", 0), 60);
    EXPECT_EQ(a.variables.at("FileOpened"), opened);

    // The older layout's Unix seconds, in the PC's zone: 9:16:24.812 PM.
    const auto& b = batch.folder("A_ZFC");
    EXPECT_EQ(b.variables.at("SampleMass"), 0.0484);
    EXPECT_EQ(b.variables.count("MolecularWeight"), 0u);
    EXPECT_EQ(b.strings.at("SampleName"), "magnetite");
    EXPECT_DOUBLE_EQ(b.waves.at("A_ZFC_MomentPerGram").points.at(0), 2.42E-03 / 0.0484);
    EXPECT_EQ(b.waves.count("A_ZFC_MomentPerMole"), 0u);
    const double pm = static_cast<double>(daysSince1904(2006, 11, 28) * 86400 + 21 * 3600 + 16 * 60 + 24);
    EXPECT_NEAR(b.waves.at("A_ZFC_Date").points.at(0), pm + 0.812, 1e-6);
}

} // namespace
