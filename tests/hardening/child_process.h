#pragma once

// Running the real kivo-convert the way a user's shell would, with the few things a shell
// can do to it: limit the file size, hand it a standard error that blocks, and measure its
// peak memory. Linux only: standard error is captured in a memfd, locks are read from
// /proc/locks.

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kivo::hardening {

struct Finished {
    int exitStatus = -1;   // -1 when the program did not exit normally
    int signal = 0;        // the signal that ended it, if any
    std::string out;
    std::string err;
    long peakRssKib = 0;
};

struct Launch {
    std::filesystem::path workDir;
    std::optional<std::size_t> fileSizeLimit;  // RLIMIT_FSIZE, with SIGXFSZ ignored
    int stderrFd = -1;                          // -1: captured
};

// A started kivo-convert; wait() collects it. The destructor kills one never waited for.
class Child final {
public:
    Child(const std::vector<std::string>& args, const Launch& launch);
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child();

    pid_t pid() const noexcept { return m_pid; }
    Finished wait();

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
};

// Runs kivo-convert with `args` to its end.
Finished runKivoConvert(const std::vector<std::string>& args, const Launch& launch);

// A pipe for a child's standard error, filled so that the child blocks once it has written
// `room` more bytes: it then holds whatever it had open at that moment until drain().
class BlockingStderr final {
public:
    explicit BlockingStderr(std::size_t room);
    BlockingStderr(const BlockingStderr&) = delete;
    BlockingStderr& operator=(const BlockingStderr&) = delete;
    ~BlockingStderr();

    int writeEnd() const noexcept { return m_write; }
    // Call once the child holds the write end: lets the child go on and returns, once it has
    // closed its standard error, all it wrote.
    std::string drain();

private:
    int m_read = -1;
    int m_write = -1;
    std::size_t m_filler = 0;
};

// Waits up to `seconds` until process `pid` holds a flock on `file`.
bool waitForLock(pid_t pid, const std::filesystem::path& file, int seconds);

// The names in `folder`, sorted.
std::vector<std::string> listFolder(const std::filesystem::path& folder);
std::string readFile(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& bytes);

} // namespace kivo::hardening
