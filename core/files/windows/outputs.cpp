// The two kinds of output on Windows: a handle written as it is, and a staging file beside
// the target that replaces it only when complete.
//
// The staging file and the move work on the long-path form (\\?\C:\...) in UTF-16: the
// staging name is longer than the output's, and an output path that Windows takes, up to
// 259 characters, must not fail for the suffix. In UTF-16 a '\\' is always a separator.
#include "core/files/windows/outputs.h"

#include "core/files/io_error.h"
#include "core/files/windows/file_handle.h"
#include "core/files/windows/full_path.h"
#include "core/files/windows/wide_text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace kivo::core {

namespace {

// Marks the file open as `handle` to go with its last handle, or no longer. A staging file
// so marked goes however the process ends: Ctrl-C, a closed console, End task, TerminateProcess.
bool setDeletePending(HANDLE handle, bool pending)
{
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = pending ? TRUE : FALSE;
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
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
    // `place` is the long-path form of `targetPath`, and `stagingPath` that of the staging file.
    WindowsStagedOutput(HANDLE staging, HANDLE target, DWORD targetAttributes, std::string targetPath,
                        std::wstring place, std::wstring stagingPath)
        : m_staging(staging)
        , m_target(target)
        , m_targetAttributes(targetAttributes)
        , m_targetPath(std::move(targetPath))
        , m_place(std::move(place))
        , m_stagingPath(std::move(stagingPath))
    {
    }
    WindowsStagedOutput(const WindowsStagedOutput&) = delete;
    WindowsStagedOutput& operator=(const WindowsStagedOutput&) = delete;
    ~WindowsStagedOutput() override
    {
        // The handles first: a file still open cannot be deleted.
        m_staging.closeQuietly();
        m_target.closeQuietly();
        if (!m_committed)
            DeleteFileW(m_stagingPath.c_str());
    }

    void write(const char* data, std::size_t size) override { writeAll(m_staging.get(), m_targetPath, data, size); }

    void commit() override
    {
        // The data must be on the disk before the move makes it the output; otherwise a
        // crash could leave an empty file where a good one used to be.
        if (!FlushFileBuffers(m_staging.get()))
            throw IoError(IoOperation::Close, m_targetPath, lastError());
        if (!setDeletePending(m_staging.get(), false))
            throw IoError(IoOperation::Close, m_targetPath, lastError(), ReasonKind::CannotPutInPlace);
        m_staging.close(m_targetPath);
        // The earlier output was held unshared so that nobody could take it meanwhile; it has
        // to be let go, or the replacing below would fail on our own handle.
        const bool replacing = m_target.isOpen();
        m_target.closeQuietly();
        // ReplaceFile keeps what the user gave the earlier file (permissions, creation time),
        // where a plain move would give it the staging file's. Wine's ReplaceFile does not
        // carry the attributes over, so they are set again afterwards either way.
        BOOL placed = FALSE;
        if (replacing) {
            placed = ReplaceFileW(m_place.c_str(), m_stagingPath.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                  nullptr, nullptr);
        }
        // These errors leave both files as they were. Wine's ReplaceFile takes no name that
        // passes MAX_PATH, even in the long-path form.
        if (!placed && (!replacing || GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_INVALID_NAME))
            placed = MoveFileExW(m_stagingPath.c_str(), m_place.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!placed)
            throw IoError(IoOperation::Close, m_targetPath, lastError(), ReasonKind::CannotPutInPlace);
        m_committed = true;
        if (replacing && m_targetAttributes != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesW(m_place.c_str(), m_targetAttributes);
    }

private:
    FileHandle m_staging;
    FileHandle m_target;
    DWORD m_targetAttributes;
    std::string m_targetPath;
    std::wstring m_place;
    std::wstring m_stagingPath;
    bool m_committed = false;
};

// A device (NUL, CON, a COM port) or a pipe: written as it is, since it cannot be replaced.
class WindowsInPlaceOutput final : public StagedOutput {
public:
    WindowsInPlaceOutput(HANDLE handle, std::string path) : m_handle(handle), m_path(std::move(path)) {}

    void write(const char* data, std::size_t size) override { writeAll(m_handle.get(), m_path, data, size); }

    void commit() override { m_handle.close(m_path); }

private:
    FileHandle m_handle;
    std::string m_path;
};

// The long-path form of `path`, which may pass MAX_PATH; empty when it has none, with
// GetLastError() saying why.
std::wstring longPath(const std::string& path)
{
    const std::optional<std::wstring> resolved = fullPathName(widen(path, CP_ACP));
    if (!resolved)
        return {};
    const std::wstring& full = *resolved;
    if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0)
        return full;
    if (full.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// A new, unshared file whose name is the output's plus a suffix, so that it lies in the
// target's folder (the move is then a rename on one volume). When that name would pass the
// 255 characters a name may have, a short one in the same folder is taken instead. It is
// marked to go with its handle until commit takes the mark off.
HANDLE createStagingFile(const std::wstring& place, std::wstring& stagingPath)
{
    const auto pid = static_cast<std::uint64_t>(GetCurrentProcessId());
    const auto tick = static_cast<std::uint64_t>(GetTickCount64());
    const std::size_t nameStart = place.rfind(L'\\') + 1;
    const std::wstring base = place.size() - nameStart + 40 > 255 ? place.substr(0, nameStart) : place;
    for (std::uint64_t attempt = 0; attempt < 100; ++attempt) {
        std::wstring candidate = base + L".kivo-" + std::to_wstring(pid) + L"-" + std::to_wstring(tick + attempt);
        const HANDLE handle = CreateFileW(candidate.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            // A file system without the mark still gets a good output; only an ended run
            // may then leave the staging file, as the README says.
            setDeletePending(handle, true);
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
    std::wstring place = longPath(path);
    if (place.empty())
        return nullptr;
    std::wstring stagingPath;
    const HANDLE staging = createStagingFile(place, stagingPath);
    if (staging == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<WindowsStagedOutput>(staging, earlier, attributes, path, std::move(place),
                                                 std::move(stagingPath));
}

} // namespace kivo::core
