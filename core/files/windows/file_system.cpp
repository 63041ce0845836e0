// Windows files for the core, through Win32 handles: only CreateFile can refuse to share an
// open file, and share mode 0 is what makes a second open of a file in use fail.
//
// Paths arrive as narrow strings in the ANSI code page (the bytes that argv, the shell's
// drop query and the A functions use), and go to the A functions unchanged; nothing here
// converts them. Under code page 932 the second byte of a name such as 表 is 0x5C, so no
// code in this file may look for '\\' without skipping two-byte characters.
#include "core/files/file_system.h"
#include "core/files/io_error.h"
#include "core/files/system_files.h"
#include "core/files/windows/file_handle.h"
#include "core/files/windows/outputs.h"
#include "core/files/windows/wide_text.h"

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

class WindowsSource final : public ByteSource {
public:
    WindowsSource(HANDLE handle, std::string path) : m_handle(handle), m_path(std::move(path)) {}

    std::size_t read(char* buffer, std::size_t size) override
    {
        // ReadFile counts in DWORDs; a shorter read is fine, callers loop until 0.
        const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD got = 0;
        if (!ReadFile(m_handle.get(), buffer, chunk, &got, nullptr))
            throw IoError(IoOperation::Read, m_path, lastError());
        return got;
    }

    void close() override { m_handle.close(m_path); }

private:
    FileHandle m_handle;
    std::string m_path;
};

class WindowsFileSystem final : public SystemFileSystem {
public:
    bool sameFile(const std::string& a, const std::string& b) override
    {
        FileId first{};
        FileId second{};
        return fileId(a, first) && fileId(b, second) && first.volume == second.volume
               && first.indexHigh == second.indexHigh && first.indexLow == second.indexLow;
    }

protected:
    std::unique_ptr<ByteSource> openExisting(const std::string& path) override
    {
        // Share mode 0: while Kivo reads a file nobody may write it, and a file that another
        // program holds (or that this run holds as its output) fails to open here.
        const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return refuse(ReasonKind::CannotOpen, path, lastError());
        // CreateFile refuses directories by itself, but opens devices such as CON or a named
        // pipe, which are no data files and may never end.
        BY_HANDLE_FILE_INFORMATION info{};
        if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info)
            || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            CloseHandle(handle);
            return refuse(ReasonKind::CannotOpen, path, because(ReasonKind::NotARegularFile));
        }
        return std::make_unique<WindowsSource>(handle, path);
    }

    std::unique_ptr<StagedOutput> createOutput(const std::string& path) override
    {
        if (path == kStandardOutputPath)
            return standardOutput(path);
        // A folder is not ours to replace. A read-only file could not be replaced either, but
        // only at the end of the run, so it is refused now (Wine run as root would even let
        // the open below write to it).
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return refuse(ReasonKind::CannotCreate, path, because(ReasonKind::IsAFolder));
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
            return refuse(ReasonKind::CannotCreate, path, because(ReasonKind::ReadOnly));
        // An earlier output is opened for writing now, and held unshared until commit, so that
        // one another program holds is refused before anything is converted, not after.
        // Opening it does not truncate it: it stays as it was until the finished output
        // replaces it.
        HANDLE target = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
        if (target == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_NOT_FOUND)
            return refuse(ReasonKind::CannotCreate, path, lastError());
        // A device or a pipe is written as it is.
        if (target != INVALID_HANDLE_VALUE && GetFileType(target) != FILE_TYPE_DISK)
            return inPlaceOutput(target, path);
        auto output = stageBeside(path, target, attributes);
        if (!output) {
            const int error = lastError();
            if (target != INVALID_HANDLE_VALUE)
                CloseHandle(target);
            return refuse(ReasonKind::CannotCreate, path, error);
        }
        return output;
    }

private:
    // A second handle to standard output, so that the run may close its own.
    std::unique_ptr<StagedOutput> standardOutput(const std::string& path)
    {
        const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        HANDLE copy = INVALID_HANDLE_VALUE;
        if (out == nullptr || out == INVALID_HANDLE_VALUE
            || !DuplicateHandle(GetCurrentProcess(), out, GetCurrentProcess(), &copy, 0, FALSE,
                                DUPLICATE_SAME_ACCESS)) {
            return refuse(within(ReasonKind::CannotWriteToStandardOutput, {},
                                 systemReason(out == nullptr ? ERROR_INVALID_HANDLE : lastError())));
        }
        return inPlaceOutput(copy, path);
    }

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