#pragma once

#include "intake/notifier.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <string>

namespace kivo::app {

// A core text as a message box shows it: "\r\n" and a lone "\r" become line breaks.
QString messageText(const std::string& text);

// The real boxes, owned by the main window, captioned with the application's display name.
class MessageBoxNotifier final : public intake::Notifier {
public:
    explicit MessageBoxNotifier(QWidget* owner = nullptr) : m_owner(owner) {}
    // The window the boxes belong to from now on; may be null.
    void setOwner(QWidget* owner) { m_owner = owner; }

    void notice(const std::string& text) override;
    void error(const std::string& text) override;

private:
    QPointer<QWidget> m_owner;
};

} // namespace kivo::app
