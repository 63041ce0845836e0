#include "windows_test_files.h"

#include <algorithm>
#include <stdexcept>

namespace kivo::testing {

TempFolder::TempFolder()
{
    char base[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof base, base);
    if (length == 0 || length > MAX_PATH)
        throw std::runtime_error("no temporary folder");
    std::string root(base, length);
    if (root.back() == '\\')
        root.pop_back();
    for (unsigned attempt = 0;; ++attempt) {
        m_path = root + "\\kivo-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
        if (CreateDirectoryA(m_path.c_str(), nullptr))
            return;
        if (GetLastError() != ERROR_ALREADY_EXISTS || attempt == 1000)
            throw std::runtime_error("cannot make " + m_path);
    }
}

namespace {

void removeTree(const std::string& folder)
{
    for (const std::string& name : listFolder(folder)) {
        const std::string path = folder + "\\" + name;
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            removeTree(path);
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
    RemoveDirectoryA(folder.c_str());
}

} // namespace

TempFolder::~TempFolder()
{
    removeTree(m_path);
}

void writeFile(const std::string& path, const std::string& bytes)
{
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + path);
    DWORD written = 0;
    const BOOL ok = WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(handle);
    if (!ok || written != bytes.size())
        throw std::runtime_error("cannot write " + path);
}

std::optional<std::string> readFile(const std::string& path)
{
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(handle, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(handle);
    return bytes;
}

std::vector<std::string> listFolder(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

void makeFolder(const std::string& path)
{
    if (!CreateDirectoryA(path.c_str(), nullptr))
        throw std::runtime_error("cannot make " + path);
}

HeldFile::HeldFile(const std::string& path, DWORD access, DWORD share)
{
    m_handle = CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HeldFile::~HeldFile()
{
    release();
}

void HeldFile::release()
{
    if (m_handle != INVALID_HANDLE_VALUE)
        CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

namespace {

std::string rowValue(int i, int column)
{
    switch (column) {
    case 0: return std::to_string(i);
    case 1: return std::to_string(i) + ".5";
    case 2: return "300";
    case 3: return std::to_string(i) + "e-5";
    default: return "1e-7";
    }
}

} // namespace

std::string squidFile(int rows)
{
    std::string text = "[Header]\r\nTITLE,Windows test\r\n[Data]\r\nTime,Comment,Field (Oe),Temperature (K),"
                       "Long Moment (emu),Long Scan Std Dev,Extra\r\n";
    for (int i = 1; i <= rows; ++i) {
        text += rowValue(i, 0) + ",c," + rowValue(i, 1) + "," + rowValue(i, 2) + "," + rowValue(i, 3) + ","
              + rowValue(i, 4) + ",tail\r\n";
    }
    return text;
}

std::string expectedItx(const std::string& prefix, const std::vector<int>& rowsPerFile)
{
    static const char* const suffixes[] = {"_Time", "_Field", "_Temperature", "_LongMoment", "_LongMomentSD"};
    std::string text = "IGOR\r\nWAVES/D";
    for (const char* suffix : suffixes)
        text += "\t" + prefix + suffix;
    text += "\r\nBEGIN\r\n";
    for (int rows : rowsPerFile) {
        for (int i = 1; i <= rows; ++i) {
            for (int column = 0; column < 5; ++column)
                text += "\t" + rowValue(i, column);
            text += "\r\n";
        }
    }
    text += "END\r\n";
    for (const char* suffix : suffixes) {
        const std::string wave = prefix + suffix;
        text += "X SetScale/P x 0,1,\"\", " + wave + "; SetScale y 0,0,\"\", " + wave + "\r\n";
    }
    return text;
}

} // namespace kivo::testing
