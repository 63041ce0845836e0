#pragma once

#include "core/files/file_system.h"
#include "core/run/host.h"
#include "core/run/notice.h"
#include "core/files/text.h"

#include <optional>
#include <string>

namespace kivo::core {

class DetailedWriter;

// The detailed output's part of a run (host.detailed): every queued file, front first, in a
// data folder of its own, reading each file twice: once to see which waves hold a number,
// once to write them. Removes each entry once its file is done; stops at the first file
// that cannot be opened, leaving it queued, and returns its notice.
std::optional<Notice> convertQueueDetailed(Host& host, DetailedWriter& writer, const std::string& prefix,
                                           FileSystem& files, CodePage page);

} // namespace kivo::core
