// A run of kivo-convert ended without notice, as Task Manager's End task or a closed console
// ends it: stages an output at its argument, writes part of it, and is killed before the
// commit, with no destructor and no handler run.
#include "core/files/file_system.h"

#include <memory>

#include <windows.h>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const std::unique_ptr<kivo::core::StagedOutput> output = kivo::core::platformFileSystem().createStaged(argv[1]);
    if (!output)
        return 3;
    output->write("partial", 7);
    TerminateProcess(GetCurrentProcess(), 9);
    return 4;
}
