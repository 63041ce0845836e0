#pragma once

// The bytes kivo-convert must write: SQUID inputs and Igor Text outputs (from the shared
// test helpers), and notice lines, spelled out here rather than taken from the code under test.

#include "expected_itx.h"

#include <string>

namespace kivo::hardening {

using kivo::testing::itxHeader;
using kivo::testing::itxRows;
using kivo::testing::itxTrailer;
using kivo::testing::squidFile;

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
