#include "intake/dialog_logic.h"

#include "core/run/conversion_run.h"
#include "core/files/io_error.h"
#include "core/run/notice.h"
#include "intake/intake.h"

#include <exception>
#include <utility>

namespace kivo::intake {

namespace {

// Sets a flag for the length of a scope, and puts back what it was however the scope ends.
class FlagScope final {
public:
    FlagScope(bool& flag, bool value) noexcept : m_flag(flag), m_before(flag) { m_flag = value; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;
    ~FlagScope() { m_flag = m_before; }

private:
    bool& m_flag;
    bool m_before;
};

} // namespace

DialogLogic::DialogLogic(DialogControls& controls, Notifier& notifier, core::FileSystem& files)
    : m_controls(controls), m_notifier(notifier), m_files(files)
{
}

void DialogLogic::OnDropFiles(const std::vector<std::string>& paths, const std::vector<std::string>& unspellable)
{
    if (m_busy)
        return;
    const FlagScope busy(m_busy, true);
    for (const std::string& name : unspellable)
        m_notifier.notice(core::unspellableNameText(name));
    if (paths.empty())
        return;
    const std::size_t countBefore = queueCount();
    AddDroppedFiles(*this, paths);
    // The user who dropped files means to convert them next: Enter must press "Make itx"
    // then, not Close, which would throw the queue away.
    if (queueCount() > countBefore)
        m_controls.focusMakeItx();
}

void DialogLogic::OnMakeItx()
{
    if (m_busy)
        return;
    const FlagScope busy(m_busy, true);
    try {
        core::OnMakeItx(*this, &SanitizeWavePrefix, m_files);
    } catch (const std::exception& failure) {
        // Memory running out too: let past, it would end the program in the toolkit's event
        // loop with the queue half drained. The run has put back queue and fields.
        const core::FailureText told = core::failureText(failure, outputPath);
        m_notifier.error(core::withReason(told.message, core::reasonText(told.reason, core::Language::Japanese)));
    }
}

void DialogLogic::OnKillFocusWavePrefix()
{
    // The sanitizer's own notice takes the focus from the field; running it again then
    // would only tell the user the same thing twice, since it writes its result next.
    if (m_prefixNoticeOpen || m_closing)
        return;
    SanitizeWavePrefix(*this);
}

std::size_t DialogLogic::queueCount() const
{
    return m_controls.queueCount();
}

core::QueueEntry DialogLogic::queueFront() const
{
    return m_controls.queueEntry(0);
}

core::QueueEntry DialogLogic::queueEntry(std::size_t index) const
{
    return m_controls.queueEntry(index);
}

void DialogLogic::queueRemoveFront()
{
    m_controls.queueRemoveFront();
}

void DialogLogic::queueAppend(core::QueueEntry entry)
{
    m_controls.queueAppend(std::move(entry));
}

void DialogLogic::exchange(core::Exchange direction)
{
    if (direction == core::Exchange::FromControls) {
        wavePrefix = m_controls.fieldText(Field::WavePrefix);
        outputPath = m_controls.fieldText(Field::OutputPath);
        // Nothing of the logic changes it, so it is only ever read from the box.
        detailed = m_controls.detailedTicked();
        return;
    }
    setIfChanged(Field::WavePrefix, wavePrefix);
    setIfChanged(Field::OutputPath, outputPath);
}

void DialogLogic::notify(const core::Notice& notice)
{
    const FlagScope prefixNotice(m_prefixNoticeOpen,
                                 m_prefixNoticeOpen || notice.kind == core::NoticeKind::PrefixFirstLetter);
    m_notifier.notice(core::noticeDisplayText(notice));
}

void DialogLogic::setIfChanged(Field field, const std::string& text)
{
    // Only a changed text is set, so that the caret stays where the user left it.
    if (m_controls.fieldText(field) != text)
        m_controls.setFieldText(field, text);
}

} // namespace kivo::intake
