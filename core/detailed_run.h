#pragma once

#include "core/conversion_run.h"

#include <string>
#include <vector>

namespace kivo::core {

// What the run is given once the fields are read and the output checked against the queue.
struct RunInputs {
    std::string prefix;
    std::string outputPath;
    std::vector<QueueEntry> queued; // the queue as it stood, to give back on failure
};

// The detailed output of a run (host.detailed): every queued file, front first, in a data
// folder of its own, reading each file twice: once to see which waves hold a number, once
// to write them. Notices, failures and the fields afterwards are as for OnMakeItx.
RunResult runDetailed(Host& host, const RunInputs& inputs, FileSystem& files, CodePage page);

} // namespace kivo::core
