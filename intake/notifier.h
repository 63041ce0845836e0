#pragma once

#include <string>

namespace kivo::intake {

// Shows the main window's modal message boxes. The window's logic asks it instead of
// opening boxes itself, so that tests can record what the user would have been told.
// Texts are UTF-8 with "\r" (or "\r\n") line breaks, as the core words them.
class Notifier {
public:
    virtual ~Notifier() = default;
    // A notice: exclamation icon, one OK button; returns once it is confirmed.
    virtual void notice(const std::string& text) = 0;
    // A failed run (a read, write or close error): stop icon, one OK button; returns once
    // it is confirmed.
    virtual void error(const std::string& text) = 0;
};

} // namespace kivo::intake
