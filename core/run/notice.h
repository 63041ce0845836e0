#pragma once

#include "core/files/reason.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kivo::core {

// Every message the user can be told, as a value; noticeText() gives its exact wording.
enum class NoticeKind {
    OutfileNotOpen,     // the output could not be created
    FileNotOpen,        // name: display name of the input that could not be opened
    NotSquid,           // name: display name
    NoDataSection,      // name: display name
    NoKnownColumns,     // name: display name; detailed output only
    PointsExtracted,    // name: display name, count: rows converted
    NoMoment,           // name: display name; rows converted, none with a moment (AC data)
    DirectoryDropped,   // a dropped path without an extension
    FilesConcatenated,  // the queue grew past one entry
    PrefixFirstLetter,  // the wave prefix did not start with a letter
    RunSummary,         // detail: the files of a detailed run and where the output went
};

struct Notice {
    NoticeKind kind;
    std::string name;
    std::int64_t count = 0;
    // Why, shown after the notice's own text; empty when there is none to tell.
    Reason reason{};
    // UTF-8 lines ("\r" between) that belong to the notice's own text: a summary's files.
    std::string detail{};

    friend bool operator==(const Notice&, const Notice&) = default;
};

// The notice's text as the user reads it: UTF-8 for the program's own words, the display
// name's bytes as they are, and "\r" (or "\r\n" for the wave-prefix notice) as line breaks.
std::string noticeText(const Notice& notice);

// The notice as its box shows it: noticeText() with the display name, which is in the
// system's narrow encoding, turned into UTF-8, and the reason in Japanese below as a second
// paragraph.
std::string noticeDisplayText(const Notice& notice);

// The windows speak Japanese; kivo-convert words its own lines in English.
enum class Language { Japanese, English };

// `reason` in `language`: each of Kivo's steps, the outermost first, then the system's
// sentence as it is, joined by ": "; empty for an empty reason.
std::string reasonText(const Reason& reason, Language language);

// `text` with `reason` below it as a paragraph of its own ("\r\r" between), or `text` alone
// when the reason is empty.
std::string withReason(std::string text, std::string_view reason);

// The notice for a file whose name the ANSI code page cannot spell, so that it cannot be
// opened under that name; `name` is the file's name in UTF-8.
std::string unspellableNameText(std::string_view name);

// `text` with each of its line breaks ("\r", or "\r\n") made one "\n", for the outputs where
// a lone CR does not end a line (a terminal, a Qt message box).
std::string noticeLines(std::string_view text);

} // namespace kivo::core
