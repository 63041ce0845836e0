#pragma once

#include <string>

namespace kivo::testing {

// A fresh folder under the system's folder for temporary files, removed with everything in
// it afterwards, whatever permissions or attributes a test left on its contents. Its path is
// a narrow string in the system's encoding (the ANSI code page on Windows), the form in
// which Kivo itself takes paths.
class TempFolder final {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::string& path() const noexcept { return m_path; }
    // `name` joined to the folder with the system's separator.
    std::string operator/(const std::string& name) const;

private:
    std::string m_path;
};

} // namespace kivo::testing
