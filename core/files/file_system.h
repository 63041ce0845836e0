#pragma once

#include "core/files/reason.h"

#include <cstddef>
#include <memory>
#include <string>

namespace kivo::core {

// Bytes of one input file, exactly as stored. The owner of a source opened by a
// FileSystem holds the file without sharing it until close() or destruction.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes; 0 only at the end. Throws IoError (Read).
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
    // Throws IoError (Close).
    virtual void close() = 0;
};

// The output under construction. A regular file (or a new one) is written to a staging
// file beside the target, and replaces the target only on commit(), so a failed run never
// leaves a half-written file nor touches an earlier one; destroying it without commit()
// removes the staging file. Anything else (a device, a FIFO, a terminal, a standard
// stream) is written in place and never replaced, so there a failure leaves what was
// written so far.
class StagedOutput {
public:
    virtual ~StagedOutput() = default;
    // Throws IoError (Write).
    virtual void write(const char* data, std::size_t size) = 0;
    // Closes the staging file and moves it over the target. Throws IoError (Close).
    virtual void commit() = 0;
};

// How the core reaches files. The real one is platformFileSystem(); tests and fuzzers
// supply their own to reach failures and to run on memory.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // An existing regular file, opened for reading without sharing; nullptr when it is
    // missing, a directory, or held by another program.
    virtual std::unique_ptr<ByteSource> openRead(const std::string& path) = 0;
    // The output for `path`; nullptr when it cannot be made (empty path, a directory at
    // `path`, a missing or unwritable folder).
    virtual std::unique_ptr<StagedOutput> createStaged(const std::string& path) = 0;
    // True when both paths name one existing file on disk.
    virtual bool sameFile(const std::string& a, const std::string& b) = 0;
    // Why the last openRead() or createStaged() that gave nullptr failed, e.g. CannotCreate
    // "/d/o.itx" with "No such file or directory"; empty when there is none to tell.
    virtual Reason failureReason() const { return {}; }
};

// The operating system's files.
FileSystem& platformFileSystem();

// The output path that stands for standard output (`-o -`): /dev/stdout where the system
// has it, else a device name that no file can have. Written through the descriptor, so
// that a redirection with >> appends.
extern const char* const kStandardOutputPath;

} // namespace kivo::core
