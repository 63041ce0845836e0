#include "core/files/io_error.h"

#include "core/files/text.h"

#include <utility>

namespace kivo::core {

namespace {

ReasonKind defaultStep(IoOperation operation)
{
    switch (operation) {
    case IoOperation::Read:
        return ReasonKind::ReadFailed;
    case IoOperation::Write:
        return ReasonKind::WriteFailed;
    case IoOperation::Close:
        break;
    }
    return ReasonKind::CloseFailed;
}

} // namespace

IoError::IoError(IoOperation operation, std::string path, int errorCode)
    : IoError(operation, std::move(path), errorCode, defaultStep(operation))
{
}

IoError::IoError(IoOperation operation, std::string path, int errorCode, ReasonKind step)
    : std::runtime_error(ioErrorText(operation, systemTextToUtf8(path)))
    , m_operation(operation)
    , m_path(std::move(path))
    , m_errorCode(errorCode)
    , m_reason(within(step, {}, systemReason(errorCode)))
{
}

std::string ioErrorText(IoOperation operation, const std::string& path)
{
    if (operation == IoOperation::Read)
        return path + " へのｱｸｾｽ中に不明なｴﾗｰが発生しました。";
    return path + " へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。";
}

FailureText failureText(const std::exception& failure, const std::string& outputPath)
{
    if (const auto* io = dynamic_cast<const IoError*>(&failure))
        return {io->what(), io->reason()};
    return {ioErrorText(IoOperation::Read, systemTextToUtf8(outputPath)), Reason{{}, failure.what()}};
}

} // namespace kivo::core
