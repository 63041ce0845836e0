#pragma once

// What Kivo tells the user, as the user reads it (one "\n" per line break), written out here
// rather than taken from the code under test. Each suite adds what its outlet adds (a line
// end on standard error, CR LF in a Windows box).

#include <string>

namespace kivo::testing::texts {

inline const std::string kOutfileNotOpen = "Outfile not open";
inline const std::string kDirectory = "ディレクトリのドロップには、\n対応してません";
inline const std::string kConcatenated = "複数ファイル処理の場合、データは連結され\n1つの出力ファイルが生成されます";
inline const std::string kPrefixFirstLetter =
    "ウェーブ・ヘッダの第1文字目はアルファベットであるべきです\n一時的に w にします";

inline std::string points(const std::string& name, long long count)
{
    return name + " から " + std::to_string(count) + " ポイントのデータを\n抽出しました。";
}

// After the points of a file whose rows hold no moment: the window's notice, and the line
// kivo-convert prints in its place.
inline std::string noMoment(const std::string& name)
{
    return "ファイル[ " + name + " ] には、\nモーメントの値が1つもありませんでした。\n"
           "AC測定のファイルなら、χ′・χ″ などの値は\n「ファイル別・単位付き」にチェックを入れて\n"
           "変換すると書き出されます。";
}

inline std::string noMomentLine(const std::string& name)
{
    return "kivo-convert: " + name + ": no row has a moment; the values of an AC file are written with --detailed\n";
}

inline std::string notSquid(const std::string& name)
{
    return "ファイル[ " + name + " ] は、\nSQUIDファイルではないので\nパスします";
}

inline std::string noData(const std::string& name)
{
    return "ファイル[ " + name + " ] 中に、\n[Data] 行を見つけられないので\nパスします";
}

inline std::string fileNotOpen(const std::string& name)
{
    return "File[ " + name + " ] not open";
}

// A file whose name the ANSI code page cannot spell (Windows).
inline std::string unspellable(const std::string& name)
{
    return "ファイル[ " + name + " ] は、\n名前にこのWindowsの文字コードで表せない文字があるので\nパスします";
}

// The stop boxes of a failed run (and the lines kivo-convert prints for it).
inline std::string readFailure(const std::string& path)
{
    return path + " へのｱｸｾｽ中に不明なｴﾗｰが発生しました。";
}

inline std::string writeFailure(const std::string& path)
{
    return path + " へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。";
}

// `text` with the system's reason below it, as a box shows it.
inline std::string withReason(const std::string& text, const std::string& reason)
{
    return text + "\n\n" + reason;
}

} // namespace kivo::testing::texts
