#pragma once

#include "core/files/io_error.h"

#include <string>
#include <utility>

#include <windows.h>

namespace kivo::core {

// IoError carries an int; Win32 error codes are DWORDs well below INT_MAX.
inline int lastError()
{
    return static_cast<int>(GetLastError());
}

// A file handle owned by one object: closed quietly when dropped, and with its error when
// closed on purpose, where a write the system held back can still fail.
class FileHandle final {
public:
    explicit FileHandle(HANDLE handle) noexcept : m_handle(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { closeQuietly(); }

    HANDLE get() const noexcept { return m_handle; }
    bool isOpen() const noexcept { return m_handle != INVALID_HANDLE_VALUE; }
    void closeQuietly() noexcept
    {
        if (isOpen())
            CloseHandle(std::exchange(m_handle, INVALID_HANDLE_VALUE));
    }
    // Does nothing once closed. Throws IoError (Close), naming `path`.
    void close(const std::string& path)
    {
        if (isOpen() && !CloseHandle(std::exchange(m_handle, INVALID_HANDLE_VALUE)))
            throw IoError(IoOperation::Close, path, lastError());
    }

private:
    HANDLE m_handle;
};

} // namespace kivo::core
