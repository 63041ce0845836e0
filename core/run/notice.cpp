#include "core/run/notice.h"

#include "core/files/text.h"

namespace kivo::core {

std::string noticeText(const Notice& notice)
{
    switch (notice.kind) {
    case NoticeKind::OutfileNotOpen:
        return "Outfile not open";
    case NoticeKind::FileNotOpen:
        return "File[ " + notice.name + " ] not open";
    case NoticeKind::NotSquid:
        return "ファイル[ " + notice.name + " ] は、\rSQUIDファイルではないので\rパスします";
    case NoticeKind::NoDataSection:
        return "ファイル[ " + notice.name + " ] 中に、\r[Data] 行を見つけられないので\rパスします";
    case NoticeKind::NoKnownColumns:
        return "ファイル[ " + notice.name + " ] は、\rKivoが読める列がないので\rパスします";
    case NoticeKind::PointsExtracted:
        return notice.name + " から " + std::to_string(notice.count) + " ポイントのデータを\r抽出しました。";
    case NoticeKind::DirectoryDropped:
        return "ディレクトリのドロップには、\r対応してません";
    case NoticeKind::FilesConcatenated:
        return "複数ファイル処理の場合、データは連結され\r1つの出力ファイルが生成されます";
    case NoticeKind::PrefixFirstLetter:
        // The only notice whose line break is CR LF: kept as the users have always seen it.
        return "ウェーブ・ヘッダの第1文字目はアルファベットであるべきです\r\n一時的に w にします";
    case NoticeKind::RunSummary:
        return "ファイル別・単位付きの変換を終えました。";
    }
    return {};
}

std::string noticeDisplayText(const Notice& notice)
{
    Notice shown = notice;
    shown.name = systemTextToUtf8(notice.name);
    return withReason(noticeText(shown), notice.reason);
}

std::string withReason(std::string text, std::string_view reason)
{
    if (!reason.empty()) {
        text += "\r\r";
        text += reason;
    }
    return text;
}

std::string unspellableNameText(std::string_view name)
{
    return "ファイル[ " + std::string(name)
           + " ] は、\r名前にこのWindowsの文字コードで表せない文字があるので\rパスします";
}

std::string noticeLines(std::string_view text)
{
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            lines += text[i];
            continue;
        }
        lines += '\n';
        if (i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
    }
    return lines;
}

} // namespace kivo::core
