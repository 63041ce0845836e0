// The scratch file on Windows: a temporary file opened with FILE_FLAG_DELETE_ON_CLOSE, so
// that the system removes it when the last handle closes, also when the process is ended.
#include "core/scratch.h"

#include <string>
#include <system_error>

#include <windows.h>

namespace kivo::core {

namespace {

[[noreturn]] void throwLastError(const char* what)
{
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), what);
}

OVERLAPPED at(std::uint64_t offset)
{
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return o;
}

class WindowsScratch final : public ScratchFile {
public:
    explicit WindowsScratch(HANDLE file) : m_file(file) {}
    WindowsScratch(const WindowsScratch&) = delete;
    WindowsScratch& operator=(const WindowsScratch&) = delete;
    ~WindowsScratch() override { ::CloseHandle(m_file); }

    void append(const char* data, std::size_t size) override
    {
        while (size > 0) {
            const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
            OVERLAPPED o = at(m_size);
            DWORD done = 0;
            if (!::WriteFile(m_file, data, chunk, &done, &o))
                throwLastError("scratch write");
            data += done;
            size -= done;
            m_size += done;
        }
    }

    void read(std::uint64_t offset, char* data, std::size_t size) override
    {
        while (size > 0) {
            const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
            OVERLAPPED o = at(offset);
            DWORD done = 0;
            if (!::ReadFile(m_file, data, chunk, &done, &o))
                throwLastError("scratch read");
            if (done == 0)
                throw std::system_error(ERROR_HANDLE_EOF, std::system_category(), "scratch read");
            data += done;
            size -= done;
            offset += done;
        }
    }

    void clear() override
    {
        LARGE_INTEGER zero{};
        if (!::SetFilePointerEx(m_file, zero, nullptr, FILE_BEGIN) || !::SetEndOfFile(m_file))
            throwLastError("scratch truncate");
        m_size = 0;
    }

    std::uint64_t size() const noexcept override { return m_size; }

private:
    HANDLE m_file;
    std::uint64_t m_size = 0;
};

} // namespace

std::unique_ptr<ScratchFile> createScratchFile()
{
    wchar_t dir[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, dir);
    if (length == 0 || length > MAX_PATH)
        throwLastError("scratch folder");
    wchar_t name[MAX_PATH + 1];
    if (::GetTempFileNameW(dir, L"kvo", 0, name) == 0)
        throwLastError("scratch create");
    const HANDLE file = ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(name);
        throw std::system_error(static_cast<int>(error), std::system_category(), "scratch create");
    }
    return std::make_unique<WindowsScratch>(file);
}

} // namespace kivo::core
