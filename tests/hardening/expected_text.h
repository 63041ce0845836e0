#pragma once

// The bytes kivo-convert must write: SQUID inputs, Igor Text outputs and notice lines,
// spelled out here rather than taken from the code under test.

#include <string>

namespace kivo::hardening {

inline std::string squidFile(int rows, const std::string& tag = "")
{
    std::string s = "[Header]\r\nTITLE,run\r\n[Data]\r\nTime,Comment,Field (Oe),Temperature (K),Long Moment (emu),"
                    "Long Scan Std Dev,\r\n";
    for (int i = 1; i <= rows; ++i)
        s += tag + std::to_string(i) + ",,10,300,1E-5,2E-7,x,\r\n";
    return s;
}

inline std::string itxRows(int rows, const std::string& tag = "")
{
    std::string s;
    for (int i = 1; i <= rows; ++i)
        s += "\t" + tag + std::to_string(i) + "\t10\t300\t1E-5\t2E-7\r\n";
    return s;
}

inline std::string itxHeader(const std::string& p)
{
    return "IGOR\r\nWAVES/D\t" + p + "_Time\t" + p + "_Field\t" + p + "_Temperature\t" + p + "_LongMoment\t" + p +
           "_LongMomentSD\r\nBEGIN\r\n";
}

inline std::string itxTrailer(const std::string& p)
{
    std::string s = "END\r\n";
    for (const char* suffix : {"_Time", "_Field", "_Temperature", "_LongMoment", "_LongMomentSD"})
        s += "X SetScale/P x 0,1,\"\", " + p + suffix + "; SetScale y 0,0,\"\", " + p + suffix + "\r\n";
    return s;
}

// Notices as kivo-convert prints them: each line break a line end, then one more.
inline std::string pointsNotice(const std::string& name, long long count)
{
    return name + " から " + std::to_string(count) + " ポイントのデータを\n抽出しました。\n";
}

inline std::string notSquidNotice(const std::string& name)
{
    return "ファイル[ " + name + " ] は、\nSQUIDファイルではないので\nパスします\n";
}

inline std::string noDataNotice(const std::string& name)
{
    return "ファイル[ " + name + " ] 中に、\n[Data] 行を見つけられないので\nパスします\n";
}

inline std::string fileNotOpenNotice(const std::string& name)
{
    return "File[ " + name + " ] not open\n";
}

inline const std::string kOutfileNotOpen = "Outfile not open\n";
inline const std::string kConcatenated = "複数ファイル処理の場合、データは連結され\n1つの出力ファイルが生成されます\n";
inline const std::string kPrefixFirstLetter =
    "ウェーブ・ヘッダの第1文字目はアルファベットであるべきです\n一時的に w にします\n";

// The system's reason that kivo-convert prints after a notice or an error.
inline std::string reasonLine(const std::string& reason)
{
    return "kivo-convert: " + reason + "\n";
}

inline std::string writeFailure(const std::string& path)
{
    return path + " へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。\n";
}

inline std::string readFailure(const std::string& path)
{
    return path + " へのｱｸｾｽ中に不明なｴﾗｰが発生しました。\n";
}

} // namespace kivo::hardening
