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
    case NoticeKind::NoMoment:
        return "ファイル[ " + notice.name + " ] には、\rモーメントの値が1つもありませんでした。\r"
               "AC測定のファイルなら、χ′・χ″ などの値は\r「ファイル別・単位付き」にチェックを入れて\r"
               "変換すると書き出されます。";
    case NoticeKind::DirectoryDropped:
        return "ディレクトリのドロップには、\r対応してません";
    case NoticeKind::FilesConcatenated:
        return "複数ファイル処理の場合、データは連結され\r1つの出力ファイルが生成されます";
    case NoticeKind::PrefixFirstLetter:
        // The only notice whose line break is CR LF: kept as the users have always seen it.
        return "ウェーブ・ヘッダの第1文字目はアルファベットであるべきです\r\n一時的に w にします";
    case NoticeKind::RunSummary:
        return "ファイル別・単位付きの変換を終えました。\r" + notice.detail;
    }
    return {};
}

std::string noticeDisplayText(const Notice& notice)
{
    Notice shown = notice;
    shown.name = systemTextToUtf8(notice.name);
    return withReason(noticeText(shown), reasonText(notice.reason, Language::Japanese));
}

namespace {

struct Wording {
    std::string_view japanese;
    std::string_view english;
};

// Each step of a reason in both languages; "{}" stands for its subject. The system's own
// sentence is never in here: it comes in the language the system speaks.
Wording wording(ReasonKind kind)
{
    switch (kind) {
    case ReasonKind::InputPathEmpty:
        return {"入力ファイル名が空です", "the input path is empty"};
    case ReasonKind::OutputPathEmpty:
        return {"出力ファイル名が空です", "the output path is empty"};
    case ReasonKind::CannotOpen:
        return {"{} を開けません", "cannot open {}"};
    case ReasonKind::CannotCreate:
        return {"{} を作成できません", "cannot create {}"};
    case ReasonKind::CannotWriteTo:
        return {"{} に書き込めません", "cannot write to {}"};
    case ReasonKind::CannotWriteToStandardOutput:
        return {"標準出力に書き込めません", "cannot write to standard output"};
    case ReasonKind::OutputNamesInput:
        return {"出力ファイルが入力ファイル {} と同じです", "the output names the input {}"};
    case ReasonKind::ReadFailed:
        return {"読み込みに失敗しました", "read failed"};
    case ReasonKind::WriteFailed:
        return {"書き込みに失敗しました", "write failed"};
    case ReasonKind::CloseFailed:
        return {"ファイルを閉じられませんでした", "close failed"};
    case ReasonKind::CannotPutInPlace:
        return {"完成した出力を出力ファイルの場所に移せません", "cannot put the output in place"};
    case ReasonKind::NotARegularFile:
        return {"通常のファイルではありません", "not a regular file"};
    case ReasonKind::HeldByAnotherProgram:
        return {"ほかのプログラムが開いています", "another program has it open"};
    case ReasonKind::IsAFolder:
        return {"フォルダです", "it is a folder"};
    case ReasonKind::ReadOnly:
        return {"読み取り専用のファイルです", "the file is read-only"};
    case ReasonKind::StandardInputClosed:
        return {"標準入力が閉じられています", "standard input is closed"};
    case ReasonKind::StandardOutputClosed:
        return {"標準出力が閉じられています", "standard output is closed"};
    case ReasonKind::StandardErrorClosed:
        return {"標準エラー出力が閉じられています", "standard error is closed"};
    case ReasonKind::CannotWriteInFolder:
        return {"フォルダ {} に書き込めません", "cannot write in the folder {}"};
    case ReasonKind::CannotReadExtendedAttributes:
        return {"置き換えるファイルの拡張属性を読み取れません",
                "cannot read the extended attributes of the file it replaces"};
    case ReasonKind::CannotReadAttribute:
        return {"置き換えるファイルの {} を読み取れません", "cannot read {} of the file it replaces"};
    case ReasonKind::CannotKeepAttribute:
        return {"置き換えるファイルの {} を引き継げません", "cannot keep {} of the file it replaces"};
    case ReasonKind::CannotDropDefaultAcl:
        return {"フォルダの既定の ACL を外せません", "cannot drop the folder's default ACL"};
    case ReasonKind::CannotKeepOwner:
        return {"置き換えるファイルの所有者とグループを引き継げません",
                "cannot keep the owner and group of the file it replaces"};
    case ReasonKind::CannotKeepPermissions:
        return {"置き換えるファイルのアクセス権を引き継げません",
                "cannot keep the permissions of the file it replaces"};
    case ReasonKind::NoColumnLine:
        return {"列名の行がありません", "it has no column line"};
    case ReasonKind::ColumnsNotRead:
        return {"Kivoが読める列名の行ではありません", "its column line is not one Kivo reads"};
    }
    return {};
}

void appendPart(std::string& text, std::string_view part)
{
    if (!text.empty())
        text += ": ";
    text += part;
}

} // namespace

std::string reasonText(const Reason& reason, Language language)
{
    std::string text;
    for (const ReasonStep& step : reason.steps) {
        const Wording words = wording(step.kind);
        const std::string_view pattern = language == Language::Japanese ? words.japanese : words.english;
        const std::size_t at = pattern.find("{}");
        if (at == std::string_view::npos) {
            appendPart(text, pattern);
            continue;
        }
        std::string part(pattern.substr(0, at));
        part += step.subject;
        part += pattern.substr(at + 2);
        appendPart(text, part);
    }
    if (!reason.systemText.empty())
        appendPart(text, reason.systemText);
    return text;
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
