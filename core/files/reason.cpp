#include "core/files/reason.h"

#include "core/files/io_error.h"

#include <utility>

namespace kivo::core {

Reason because(ReasonKind kind, std::string subject)
{
    return {{{kind, std::move(subject)}}};
}

Reason systemReason(int errorCode)
{
    return {{}, systemErrorText(errorCode)};
}

Reason within(ReasonKind kind, std::string subject, Reason inner)
{
    inner.steps.insert(inner.steps.begin(), {kind, std::move(subject)});
    return inner;
}

} // namespace kivo::core
