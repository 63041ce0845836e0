// Windows files for the core, through Win32 handles: only CreateFile can refuse to share an
// open file, and share mode 0 is what makes a second open of a file in use fail.
//
// Paths arrive as narrow strings in the ANSI code page (the bytes that argv, the shell's
// drop query and the A functions use), and go to the A functions unchanged; nothing here
// converts them. Under code page 932 the second byte of a name such as 表 is 0x5C, so no
// code in this file may look for '\\' without skipping two-byte characters.
#include "core/file_system.h"
#include "core/io_error.h"
#include "core/text.h"
#include "core/wide_text_windows.h"

#include <cstdint>
#include <string>
#include <utility>

#include <windows.h>

namespace kivo::core {

const char* const kStandardOutputPath = "\\\\.\\stdout";

std::string systemErrorText(int errorCode)
{
    // The wide function: its text is Unicode whatever the ANSI code page.
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(errorCode), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text = length > 0 && buffer != nullptr ? std::wstring(buffer, length) : std::wstring();
    if (buffer != nullptr)
        LocalFree(buffer);
    // Messages end in a full stop (。 in Japanese) and a line end; the reason is one line
    // inside a sentence.
    while (!text.empty()
           && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' || text.back() == L'.'
               || text.back() == L'\u3002'))
        text.pop_back();
    if (text.empty())
        return "error " + std::to_string(errorCode);
    return narrow(text, CP_UTF8);
}

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

std::string failedBecause(const std::string& what, const std::string& path, const std::string& why)
{
    return what + " " + systemTextToUtf8(path) + ": " + why;
}

class WindowsSource final : public ByteSource {
public:
    WindowsSource(HANDLE handle, std::string path) : m_handle(handle), m_path(std::move(path)) {}
    WindowsSource(const WindowsSource&) = delete;
    WindowsSource& operator=(const WindowsSource&) = delete;
    ~WindowsSource() override
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }

    std::size_t read(char* buffer, std::size_t size) override
    {
        // ReadFile counts in DWORDs; a shorter read is fine, callers loop until 0.
        const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD got = 0;
        if (!ReadFile(m_handle, buffer, chunk, &got, nullptr))
            throw IoError(IoOperation::Read, m_path, lastError());
        return got;
    }

    void close() override
    {
        if (m_handle == INVALID_HANDLE_VALUE)
            return;
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        if (!CloseHandle(handle))
            throw IoError(IoOperation::Close, m_path, lastError());
    }

private:
    HANDLE m_handle;
    std::string m_path;
};

class WindowsStagedOutput final : public StagedOutput {
public:
    // `target` is the earlier output held open, or INVALID_HANDLE_VALUE when there is none.
    WindowsStagedOutput(HANDLE staging, HANDLE target, DWORD targetAttributes, std::string targetPath,
                        std::string stagingPath)
        : m_staging(staging), m_target(target), m_targetAttributes(targetAttributes),
          m_targetPath(std::move(targetPath)), m_stagingPath(std::move(stagingPath))
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
            placed = ReplaceFileA(m_targetPath.c_str(), m_stagingPath.c_str(), nullptr,
                                  REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
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

class WindowsFileSystem final : public FileSystem {
public:
    std::unique_ptr<ByteSource> openRead(const std::string& path) override
    {
        m_reason.clear();
        if (path.empty()) {
            m_reason = "the input path is empty";
            return nullptr;
        }
        // Share mode 0: while Kivo reads a file nobody may write it, and a file that another
        // program holds (or that this run holds as its output) fails to open here.
        const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            m_reason = failedBecause("cannot open", path, systemErrorText(lastError()));
            return nullptr;
        }
        // CreateFile refuses directories by itself, but opens devices such as CON or a named
        // pipe, which are no data files and may never end.
        BY_HANDLE_FILE_INFORMATION info{};
        if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info)
            || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            m_reason = failedBecause("cannot open", path, "not a regular file");
            CloseHandle(handle);
            return nullptr;
        }
        return std::make_unique<WindowsSource>(handle, path);
    }

    std::unique_ptr<StagedOutput> createStaged(const std::string& path) override
    {
        m_reason.clear();
        if (path.empty()) {
            m_reason = "the output path is empty";
            return nullptr;
        }
        if (path == kStandardOutputPath)
            return standardOutput(path);
        // A folder is not ours to replace. A read-only file could not be replaced either, but
        // only at the end of the run, so it is refused now (Wine run as root would even let
        // the open below write to it).
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            m_reason = failedBecause("cannot create", path, "it is a folder");
            return nullptr;
        }
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            m_reason = failedBecause("cannot create", path, "the file is read-only");
            return nullptr;
        }
        // An earlier output is opened for writing now, and held unshared until commit, so that
        // one another program holds is refused before anything is converted, not after.
        // Opening it does not truncate it: it stays as it was until the finished output
        // replaces it.
        HANDLE target = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (target == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_NOT_FOUND) {
            m_reason = failedBecause("cannot create", path, systemErrorText(lastError()));
            return nullptr;
        }
        // A device or a pipe is written as it is.
        if (target != INVALID_HANDLE_VALUE && GetFileType(target) != FILE_TYPE_DISK)
            return std::make_unique<WindowsInPlaceOutput>(target, path);
        std::string stagingPath;
        const HANDLE staging = createStagingFile(path, stagingPath);
        if (staging == INVALID_HANDLE_VALUE) {
            m_reason = failedBecause("cannot create", path, systemErrorText(lastError()));
            if (target != INVALID_HANDLE_VALUE)
                CloseHandle(target);
            return nullptr;
        }
        return std::make_unique<WindowsStagedOutput>(staging, target, attributes, path, std::move(stagingPath));
    }

    bool sameFile(const std::string& a, const std::string& b) override
    {
        FileId first{};
        FileId second{};
        return fileId(a, first) && fileId(b, second) && first.volume == second.volume
            && first.indexHigh == second.indexHigh && first.indexLow == second.indexLow;
    }

    std::string failureReason() const override { return m_reason; }

private:
    // A second handle to standard output, so that the run may close its own.
    std::unique_ptr<StagedOutput> standardOutput(const std::string& path)
    {
        const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        HANDLE copy = INVALID_HANDLE_VALUE;
        if (out == nullptr || out == INVALID_HANDLE_VALUE
            || !DuplicateHandle(GetCurrentProcess(), out, GetCurrentProcess(), &copy, 0, FALSE,
                                DUPLICATE_SAME_ACCESS)) {
            m_reason = "cannot write to standard output: "
                       + systemErrorText(out == nullptr ? ERROR_INVALID_HANDLE : lastError());
            return nullptr;
        }
        return std::make_unique<WindowsInPlaceOutput>(copy, path);
    }

    std::string m_reason;

    struct FileId {
        DWORD volume;
        DWORD indexHigh;
        DWORD indexLow;
    };

    // Asks for no data access, so a file held unshared by another program (or by this run)
    // can still be identified.
    static bool fileId(const std::string& path, FileId& id)
    {
        if (path.empty())
            return false;
        const HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return false;
        BY_HANDLE_FILE_INFORMATION info{};
        const bool ok = GetFileInformationByHandle(handle, &info) != 0;
        CloseHandle(handle);
        if (!ok)
            return false;
        id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
        return true;
    }
};

} // namespace

FileSystem& platformFileSystem()
{
    static WindowsFileSystem files;
    return files;
}

} // namespace kivo::core
