#pragma once

// SQUID data files to read and the Igor Text they must give, spelled out from the two file
// formats rather than taken from the code under test. Plain strings, so that every suite
// can use them, the Qt tests included.

#include <string>
#include <vector>

namespace kivo::testing {

// The lines of a SQUID data file before its rows, as the instrument writes them: CR LF line
// ends and a trailing comma on the column line.
inline std::string squidFileHead()
{
    return "[Header]\r\nTITLE,run\r\n[Data]\r\nTime,Comment,Field (Oe),Temperature (K),Long Moment (emu),"
           "Long Scan Std Dev,\r\n";
}

// A SQUID data file with `rows` as given (each without its line end).
inline std::string squidFile(const std::vector<std::string>& rows)
{
    std::string s = squidFileHead();
    for (const std::string& row : rows)
        s += row + "\r\n";
    return s;
}

// A SQUID data file of `rows` rows whose times are `tag` (digits) followed by 1, 2, ...
inline std::string squidFile(int rows, const std::string& tag = "")
{
    std::vector<std::string> lines;
    for (int i = 1; i <= rows; ++i)
        lines.push_back(tag + std::to_string(i) + ",,10,300,1E-5,2E-7,x,");
    return squidFile(lines);
}

// An MPMS3 file of an AC measurement with `rows` rows, in today's layout: the moment columns
// are there but empty in every row, and the values stand in the AC columns.
inline std::string mpms3AcFile(int rows)
{
    std::string s = "[Header]\r\nTITLE,ac\r\n[Data]\r\nComment,Time Stamp (sec),Temperature (K),"
                    "Magnetic Field (Oe),Moment (emu),M. Std. Err. (emu),AC Frequency (Hz),AC Drive (Oe),"
                    "AC X' (emu/Oe),AC X' Std Err. (emu/Oe),AC X'' (emu/Oe),AC X'' Std Err. (emu/Oe)\r\n";
    for (int i = 1; i <= rows; ++i)
        s += "," + std::to_string(i) + ",2,100,,,1000,3.9,1.2E-5,3E-8,4E-7,2E-8\r\n";
    return s;
}

// The data lines that squidFile(rows, tag) gives.
inline std::string itxRows(int rows, const std::string& tag = "")
{
    std::string s;
    for (int i = 1; i <= rows; ++i)
        s += "\t" + tag + std::to_string(i) + "\t10\t300\t1E-5\t2E-7\r\n";
    return s;
}

// Everything before the data lines, for wave prefix `p`.
inline std::string itxHeader(const std::string& p)
{
    return "IGOR\r\nWAVES/D\t" + p + "_Time\t" + p + "_Field\t" + p + "_Temperature\t" + p + "_LongMoment\t" + p
           + "_LongMomentSD\r\nBEGIN\r\n";
}

// Everything after the data lines, for wave prefix `p`.
inline std::string itxTrailer(const std::string& p)
{
    std::string s = "END\r\n";
    for (const char* suffix : {"_Time", "_Field", "_Temperature", "_LongMoment", "_LongMomentSD"})
        s += "X SetScale/P x 0,1,\"\", " + p + suffix + "; SetScale y 0,0,\"\", " + p + suffix + "\r\n";
    return s;
}

// The whole output for `prefix` with the given data lines (each without its line end).
inline std::string itx(const std::string& prefix, const std::vector<std::string>& lines)
{
    std::string s = itxHeader(prefix);
    for (const std::string& line : lines)
        s += line + "\r\n";
    return s + itxTrailer(prefix);
}

// The output of one run over files made by squidFile(rows) with `rowsPerFile` rows each.
inline std::string expectedItx(const std::string& prefix, const std::vector<int>& rowsPerFile)
{
    std::string s = itxHeader(prefix);
    for (int rows : rowsPerFile)
        s += itxRows(rows);
    return s + itxTrailer(prefix);
}

} // namespace kivo::testing
