#include "temp_folder.h"

#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#endif

namespace kivo::testing {

#ifdef _WIN32

// Through the A functions, as Kivo reaches files: a CP932 name takes the same road here.
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
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + "\\" + name;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                removeTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

} // namespace

TempFolder::~TempFolder()
{
    removeTree(m_path);
}

std::string TempFolder::operator/(const std::string& name) const
{
    return m_path + "\\" + name;
}

#else

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kivo-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    m_path = pattern;
}

TempFolder::~TempFolder()
{
    namespace fs = std::filesystem;
    std::error_code ignored;
    // A test may have left a folder it cannot enter or write behind.
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (auto it = fs::recursive_directory_iterator(m_path, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(m_path, ignored);
}

std::string TempFolder::operator/(const std::string& name) const
{
    return m_path + "/" + name;
}

#endif

} // namespace kivo::testing
