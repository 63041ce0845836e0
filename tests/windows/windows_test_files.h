#pragma once

// Real files for the Windows suites, made and inspected only through the ANSI (A) functions,
// the way Kivo itself reaches them, so that a CP932 name takes the same road in the test
// as in the program.

#include "expected_itx.h"
#include "temp_folder.h"

#include <optional>
#include <string>
#include <vector>

#include <windows.h>

namespace kivo::testing {

// CP932 bytes of names whose second byte is 0x5C, the byte of "\\".
inline const std::string kHyou = "\x95\x5C";  // 表
inline const std::string kSo = "\x83\x5C";    // ソ

// Throws std::runtime_error when the file cannot be written.
void writeFile(const std::string& path, const std::string& bytes);
// The file's bytes, or nothing when it cannot be opened.
std::optional<std::string> readFile(const std::string& path);
// The names in `folder`, sorted, without "." and "..".
std::vector<std::string> listFolder(const std::string& folder);
void makeFolder(const std::string& path);

// A handle held the way another program holds a file it has open (share mode 0).
class HeldFile final {
public:
    explicit HeldFile(const std::string& path, DWORD access = GENERIC_READ, DWORD share = 0);
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    ~HeldFile();

    bool held() const { return m_handle != INVALID_HANDLE_VALUE; }
    void release();

private:
    HANDLE m_handle;
};

} // namespace kivo::testing
