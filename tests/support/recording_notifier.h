#pragma once

#include "core/run/notice.h"
#include "intake/notifier.h"

#include <functional>
#include <string>
#include <vector>

namespace kivo::testing {

// Records what the main window's boxes would have told the user, as a box shows it: each
// line break ("\r\n" or a lone "\r") one "\n". Both windows' suites use it.
class RecordingNotifier final : public intake::Notifier {
public:
    std::vector<std::string> notices;
    std::vector<std::string> errors;
    std::function<void()> whileOpen; // what happens while a box is up

    void notice(const std::string& text) override
    {
        notices.push_back(shown(text));
        if (whileOpen)
            whileOpen();
    }

    void error(const std::string& text) override
    {
        errors.push_back(shown(text));
        if (whileOpen)
            whileOpen();
    }

private:
    static std::string shown(const std::string& text) { return core::noticeLines(text); }
};

} // namespace kivo::testing
