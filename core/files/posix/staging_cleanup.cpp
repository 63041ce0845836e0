// The named staging file is kept where a signal handler can reach it without allocating: an
// interrupted run must not leave tens of megabytes behind.
#include "core/files/posix/staging_cleanup.h"

#include <climits>
#include <csignal>
#include <cstring>

#include <unistd.h>

namespace kivo::core {

namespace {

char g_stagingPath[PATH_MAX];
volatile std::sig_atomic_t g_stagingArmed = 0;

extern "C" void removeStagingAndDie(int signal)
{
    if (g_stagingArmed != 0)
        ::unlink(g_stagingPath);
    // SA_RESETHAND has put the default action back; the signal raised again is held until
    // this handler returns, and then ends the process with the usual status.
    ::raise(signal);
}

void installCleanupHandlers()
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        // A signal the caller ignores (nohup) or handles itself stays theirs.
        if (::sigaction(signal, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL)
            continue;
        struct sigaction action {};
        action.sa_handler = removeStagingAndDie;
        action.sa_flags = static_cast<int>(SA_RESETHAND);
        sigfillset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

} // namespace

void armCleanup(const std::string& path)
{
    static const bool installed = (installCleanupHandlers(), true);
    (void)installed;
    g_stagingArmed = 0;
    if (path.size() >= sizeof g_stagingPath)
        return;
    std::memcpy(g_stagingPath, path.c_str(), path.size() + 1);
    g_stagingArmed = 1;
}

void disarmCleanup()
{
    g_stagingArmed = 0;
}

} // namespace kivo::core
