#include "core/run/run_summary.h"

#include "core/files/text.h"

namespace kivo::core {

namespace {

std::string fileLine(const RunSummary::File& file)
{
    const std::string name = systemTextToUtf8(file.displayName);
    switch (file.outcome) {
    case NoticeKind::PointsExtracted:
        return name + " → " + file.folder + ": " + std::to_string(file.points) + " ポイント";
    case NoticeKind::NotSquid:
        return name + ": SQUIDファイルではないのでパスしました";
    case NoticeKind::NoDataSection:
        return name + ": [Data] 行がないのでパスしました";
    default:
        return name + ": Kivoが読める列がないのでパスしました";
    }
}

} // namespace

Notice summaryNotice(const RunSummary& summary)
{
    std::string lines;
    for (const RunSummary::File& file : summary.files) {
        lines += fileLine(file);
        lines += '\r';
    }
    if (summary.longNames)
        lines += "31バイトを超える名前があるので、Igor Pro 8 以降で読んでください。\r";
    if (summary.output.empty())
        lines += "変換できたファイルがないので、出力ファイルは書きませんでした。";
    else
        lines += "出力: " + systemTextToUtf8(summary.output);
    return {NoticeKind::RunSummary, {}, 0, {}, lines};
}

} // namespace kivo::core
