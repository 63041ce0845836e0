#pragma once

#include <string>
#include <vector>

namespace kivo::core {

// What Kivo tried, or found in its way, in a reason. Each is worded once, in Japanese for
// the windows and in English for kivo-convert, by reasonText() (core/run/notice.h).
enum class ReasonKind {
    InputPathEmpty,
    OutputPathEmpty,
    CannotOpen,                  // subject: the path
    CannotCreate,                // subject: the path
    CannotWriteTo,               // subject: the path
    CannotWriteToStandardOutput,
    OutputNamesInput,            // subject: the queued input's display name
    ReadFailed,
    WriteFailed,
    CloseFailed,
    CannotPutInPlace,
    NotARegularFile,
    HeldByAnotherProgram,
    IsAFolder,
    ReadOnly,
    StandardInputClosed,
    StandardOutputClosed,
    StandardErrorClosed,
    CannotWriteInFolder,         // subject: the folder
    CannotReadExtendedAttributes,
    CannotReadAttribute,         // subject: the attribute's name
    CannotKeepAttribute,         // subject: the attribute's name
    CannotDropDefaultAcl,
    CannotKeepOwner,
    CannotKeepPermissions,
    NoColumnLine,
    ColumnsNotRead,
};

// The last of the kinds, so that a test can go through them all.
inline constexpr ReasonKind kLastReasonKind = ReasonKind::ColumnsNotRead;

struct ReasonStep {
    ReasonKind kind;
    std::string subject{}; // UTF-8; empty for the kinds that name nothing

    friend bool operator==(const ReasonStep&, const ReasonStep&) = default;
};

// Why a file could not be opened, created, read or written, or was passed over, as a value
// that each outlet words in its own language: Kivo's own steps, the outermost first ("cannot
// create PATH", then what stood in the way), then the operating system's sentence, which no
// outlet changes.
struct Reason {
    std::vector<ReasonStep> steps;
    std::string systemText{}; // UTF-8, as the system words it; empty when it says nothing

    bool empty() const noexcept { return steps.empty() && systemText.empty(); }

    friend bool operator==(const Reason&, const Reason&) = default;
};

// A reason of one step of Kivo's own.
Reason because(ReasonKind kind, std::string subject = {});

// The system's sentence for an error code (errno, or GetLastError() on Windows) alone.
Reason systemReason(int errorCode);

// `inner` behind a step of its own: what was tried, then why it failed.
Reason within(ReasonKind kind, std::string subject, Reason inner);

} // namespace kivo::core
