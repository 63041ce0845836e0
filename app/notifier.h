#pragma once

#include <QString>

#include <string>

class QWidget;

namespace kivo::app {

// The application title: the program file's name without its extension. Notices and error
// boxes are captioned with it.
QString applicationTitle();

// A core text as a message box shows it: "\r\n" and a lone "\r" become line breaks.
QString messageText(const std::string& text);

// Shows the window's modal message boxes. The window asks it instead of opening boxes
// itself, so that tests can record what the user would have been told.
class Notifier {
public:
    virtual ~Notifier() = default;
    // A notice: warning icon, one OK button; returns once it is confirmed.
    virtual void notice(QWidget* owner, const QString& text) = 0;
    // A read, write or close error: stop icon, one OK button; returns once it is confirmed.
    virtual void error(QWidget* owner, const QString& text) = 0;
    // The same boxes with the system's reason (may be empty) as a second paragraph. By
    // default the reason is left out, for notifiers that only note the program's own texts.
    virtual void noticeBecause(QWidget* owner, const QString& text, const QString& reason);
    virtual void errorBecause(QWidget* owner, const QString& text, const QString& reason);
};

// The real boxes.
class MessageBoxNotifier final : public Notifier {
public:
    void notice(QWidget* owner, const QString& text) override;
    void error(QWidget* owner, const QString& text) override;
    void noticeBecause(QWidget* owner, const QString& text, const QString& reason) override;
    void errorBecause(QWidget* owner, const QString& text, const QString& reason) override;
};

} // namespace kivo::app
