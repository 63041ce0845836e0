#pragma once

#include "core/files/file_system.h"
#include "core/run/host.h"
#include "core/files/text.h"

namespace kivo::core {

struct RunResult {
    bool outputWritten = false;   // the output file is complete and in place
    bool everyInputOpened = true; // false when the run ended at a file that could not be opened
};

// Runs on the wave prefix once it has been taken from its field, before anything is
// written; the window and the command line pass the wave-prefix sanitizer. May be null.
using PrefixCheck = void (*)(Host& host);

// What "Make itx" does: converts every queued file, front first, into one Igor Text file
// at host.outputPath with waves named after host.wavePrefix, telling the user the outcome
// of each file, then empties the queue and both fields. With host.detailed, each file goes
// into a data folder of its own inside one named by the prefix, the outcomes are told in one
// summary at the end, and a run that converts no file writes nothing (outputWritten false).
// If the output cannot be created, or would replace a queued input, nothing is written and
// the queue and fields stay. A queued file that cannot be opened ends the run there: its
// notice is shown, nothing is put in place, and the queue and fields are back as they were.
// Throws IoError on a read, write or close error, and passes on any other exception, after
// putting the queue and fields back as they were and leaving any earlier output untouched.
RunResult OnMakeItx(Host& host, PrefixCheck checkPrefix, FileSystem& files = platformFileSystem(),
                    CodePage page = systemCodePage());

} // namespace kivo::core
