#pragma once

#include "core/run/notice.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kivo::core {

// What a detailed run tells at its end, in one notice instead of one per file.
struct RunSummary {
    struct File {
        std::string displayName; // in the system's narrow encoding, as queued
        NoticeKind outcome;      // PointsExtracted, or why the file was passed over
        std::string folder;      // the data folder of a converted file
        std::int64_t points = 0;

        friend bool operator==(const File&, const File&) = default;
    };

    std::vector<File> files;
    bool longNames = false; // a folder or wave name is over 31 bytes
    std::string output;     // the output's path as the user gave it; empty: nothing written

    friend bool operator==(const RunSummary&, const RunSummary&) = default;
};

// The summary as a RunSummary notice: a title, then one line per file, a line on long names
// and where the output went, in UTF-8 in its detail.
Notice summaryNotice(const RunSummary& summary);

} // namespace kivo::core
