#pragma once

#include <stdexcept>
#include <string>

namespace kivo::core {

enum class IoOperation { Read, Write, Close };

// A read, write or close failure on one file. what() is the message shown to the user;
// the path is the one the user knows (the output path, never a staging file's).
class IoError : public std::runtime_error {
public:
    IoError(IoOperation operation, std::string path, int errorCode);

    IoOperation operation() const noexcept { return m_operation; }
    const std::string& path() const noexcept { return m_path; }
    int errorCode() const noexcept { return m_errorCode; }

private:
    IoOperation m_operation;
    std::string m_path;
    int m_errorCode;
};

// The user's message for a failed operation on `path`: an unknown error for reads, a full
// disk for writes and closes (whatever the real cause, as users of the tool know it).
std::string ioErrorText(IoOperation operation, const std::string& path);

} // namespace kivo::core
