#pragma once

#include "core/files/reason.h"

#include <exception>
#include <stdexcept>
#include <string>

namespace kivo::core {

enum class IoOperation { Read, Write, Close };

// A read, write or close failure on one file. what() is the message shown to the user, in
// UTF-8; the path is the one the user knows (the output path, never a staging file's), in
// the system's narrow encoding.
class IoError : public std::runtime_error {
public:
    // `errorCode` is errno on POSIX and GetLastError() on Windows, saved right after the
    // failing call; the reason is built from it at once.
    IoError(IoOperation operation, std::string path, int errorCode);
    // The same with the step that failed named in the reason (CannotPutInPlace), where the
    // operation alone would not tell it.
    IoError(IoOperation operation, std::string path, int errorCode, ReasonKind step);

    IoOperation operation() const noexcept { return m_operation; }
    const std::string& path() const noexcept { return m_path; }
    int errorCode() const noexcept { return m_errorCode; }
    // Why it failed, e.g. WriteFailed with "No space left on device"; shown after what(),
    // which stays the same whatever the cause.
    const Reason& reason() const noexcept { return m_reason; }

private:
    IoOperation m_operation;
    std::string m_path;
    int m_errorCode;
    Reason m_reason;
};

// The user's message for a failed operation on `path`: an unknown error for reads, a full
// disk for writes and closes (whatever the real cause, as users of the tool know it).
std::string ioErrorText(IoOperation operation, const std::string& path);

// What the user is told of `failure`, which ended a run that was writing `outputPath` (in
// the system's narrow encoding): an IoError's message and reason as they are; any other
// exception, memory running out above all, as an unknown error on the output with its
// what() as the reason.
struct FailureText {
    std::string message; // UTF-8
    Reason reason;
};
FailureText failureText(const std::exception& failure, const std::string& outputPath);

// The system's sentence for an error code (strerror, or FormatMessage on Windows), in UTF-8.
std::string systemErrorText(int errorCode);

} // namespace kivo::core
