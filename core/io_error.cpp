#include "core/io_error.h"

#include <utility>

namespace kivo::core {

IoError::IoError(IoOperation operation, std::string path, int errorCode)
    : std::runtime_error(ioErrorText(operation, path))
    , m_operation(operation)
    , m_path(std::move(path))
    , m_errorCode(errorCode)
{
}

std::string ioErrorText(IoOperation operation, const std::string& path)
{
    if (operation == IoOperation::Read)
        return path + " へのｱｸｾｽ中に不明なｴﾗｰが発生しました。";
    return path + " へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。";
}

} // namespace kivo::core
