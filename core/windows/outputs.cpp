// The two kinds of output on Windows: a handle written as it is, and a staging file beside
// the target that replaces it only when complete.
//
// Paths are narrow strings in the ANSI code page, given to the A functions unchanged. Under
// code page 932 the second byte of a name such as 表 is 0x5C, so no code in this file may
// look for '\\' without skipping two-byte characters.
#include "core/windows/outputs.h"

#include "core/io_error.h"
#include "core/text.h"
#include "core/windows/wide_text.h"

#include <cstdint>
#include <string>
#include <utility>

namespace kivo::core {

namespace {

// IoError carries an int; Win32 error codes are DWORDs well below INT_MAX.
int lastError()
{
    return static_cast<int>(GetLastError());
}

// WriteFile takes a DWORD count, so larger writes go in pieces. Throws IoError (Write),
// naming `path`, the file the user knows.
void writeAll(HANDLE handle, const std::string& path, const char* data, std::size_t size)
{
    while (size > 0) {
        const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(handle, data, chunk, &written, nullptr))
            throw IoError(IoOperation::Write, path, lastError());
        if (written == 0)
            throw IoError(IoOperation::Write, path, ERROR_DISK_FULL);
        data += written;
        size -= written;
    }
}

class WindowsStagedOutput final : public StagedOutput {
public:
    // `target` is the earlier output held open, or INVALID_HANDLE_VALUE when there is none.
    WindowsStagedOutput(HANDLE staging, HANDLE target, DWORD targetAttributes, std::string targetPath,
                        std::string stagingPath)
        : m_staging(staging)
        , m_target(target)
        , m_targetAttributes(targetAttributes)
        , m_targetPath(std::move(targetPath))
        , m_stagingPath(std::move(stagingPath))
    {
    }
    WindowsStagedOutput(const WindowsStagedOutput&) = delete;
    WindowsStagedOutput& operator=(const WindowsStagedOutput&) = delete;
    ~WindowsStagedOutput() override
    {
        closeQuietly(m_staging);
        closeQuietly(m_target);
        if (!m_committed)
            DeleteFileA(m_stagingPath.c_str());
    }

    void write(const char* data, std::size_t size) override { writeAll(m_staging, m_targetPath, data, size); }

    void commit() override
    {
        // The data must be on the disk before the move makes it the output; otherwise a
        // crash could leave an empty file where a good one used to be.
        if (!FlushFileBuffers(m_staging))
            throw IoError(IoOperation::Close, m_targetPath, lastError());
        const HANDLE staging = m_staging;
        m_staging = INVALID_HANDLE_VALUE;
        if (!CloseHandle(staging))
            throw IoError(IoOperation::Close, m_targetPath, lastError());
        // The earlier output was held unshared so that nobody could take it meanwhile; it has
        // to be let go, or the replacing below would fail on our own handle.
        const bool replacing = m_target != INVALID_HANDLE_VALUE;
        closeQuietly(m_target);
        // ReplaceFile keeps what the user gave the earlier file (permissions, creation time),
        // where a plain move would give it the staging file's. Wine's ReplaceFile does not
        // carry the attributes over, so they are set again afterwards either way.
        BOOL placed = FALSE;
        if (replacing) {
            placed = ReplaceFileA(m_targetPath.c_str(), m_stagingPath.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                  nullptr, nullptr);
        }
        if (!placed && (!replacing || GetLastError() == ERROR_FILE_NOT_FOUND))
            placed = MoveFileExA(m_stagingPath.c_str(), m_targetPath.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!placed)
            throw IoError(IoOperation::Close, m_targetPath, lastError(), "cannot put the output in place");
        m_committed = true;
        if (replacing && m_targetAttributes != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesA(m_targetPath.c_str(), m_targetAttributes);
    }

private:
    static void closeQuietly(HANDLE& handle)
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }

    HANDLE m_staging;
    HANDLE m_target;
    DWORD m_targetAttributes;
    std::string m_targetPath;
    std::string m_stagingPath;
    bool m_committed = false;
};

// A device (NUL, CON, a COM port) or a pipe: written as it is, since it cannot be replaced.
class WindowsInPlaceOutput final : public StagedOutput {
public:
    WindowsInPlaceOutput(HANDLE handle, std::string path) : m_handle(handle), m_path(std::move(path)) {}
    WindowsInPlaceOutput(const WindowsInPlaceOutput&) = delete;
    WindowsInPlaceOutput& operator=(const WindowsInPlaceOutput&) = delete;
    ~WindowsInPlaceOutput() override
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }

    void write(const char* data, std::size_t size) override { writeAll(m_handle, m_path, data, size); }

    void commit() override
    {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        if (!CloseHandle(handle))
            throw IoError(IoOperation::Close, m_path, lastError());
    }

private:
    HANDLE m_handle;
    std::string m_path;
};

// A new, unshared file whose name is `path` plus a suffix, so that it lies in the target's
// folder (the move is then a rename on one volume) without the path being taken apart.
// When that name would pass the 255 characters a name may have, a short one in the same
// folder is taken instead.
HANDLE createStagingFile(const std::string& path, std::string& stagingPath)
{
    const auto pid = static_cast<std::uint64_t>(GetCurrentProcessId());
    const auto tick = static_cast<std::uint64_t>(GetTickCount64());
    std::string base = path;
    const std::size_t separator = findLastChar(path, '\\', systemCodePage());
    const std::size_t slash = path.rfind('/');
    std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    if (slash != std::string::npos && slash + 1 > nameStart)
        nameStart = slash + 1;
    if (widen(path.substr(nameStart), CP_ACP).size() + 40 > 255)
        base = path.substr(0, nameStart);
    for (std::uint64_t attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = base + ".kivo-" + std::to_string(pid) + "-" + std::to_string(tick + attempt);
        const HANDLE handle = CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            stagingPath = std::move(candidate);
            return handle;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return INVALID_HANDLE_VALUE;
}

} // namespace

std::unique_ptr<StagedOutput> inPlaceOutput(HANDLE handle, std::string path)
{
    return std::make_unique<WindowsInPlaceOutput>(handle, std::move(path));
}

std::unique_ptr<StagedOutput> stageBeside(const std::string& path, HANDLE earlier, DWORD attributes)
{
    std::string stagingPath;
    const HANDLE staging = createStagingFile(path, stagingPath);
    if (staging == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<WindowsStagedOutput>(staging, earlier, attributes, path, std::move(stagingPath));
}

} // namespace kivo::core
