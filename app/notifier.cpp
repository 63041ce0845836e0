#include "app/notifier.h"

#include "app/native_text.h"
#include "core/notice.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

namespace kivo::app {

namespace {

void showBox(QWidget* owner, QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, applicationTitle(), text, QMessageBox::Ok, owner);
    // File names are shown as they are, never taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString withReason(const QString& text, const QString& reason)
{
    return reason.isEmpty() ? text : text + QLatin1String("\n\n") + reason;
}

} // namespace

void Notifier::noticeBecause(QWidget* owner, const QString& text, const QString&)
{
    notice(owner, text);
}

void Notifier::errorBecause(QWidget* owner, const QString& text, const QString&)
{
    error(owner, text);
}

QString applicationTitle()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString messageText(const std::string& text)
{
    return fromNative(core::noticeLines(text));
}

void MessageBoxNotifier::notice(QWidget* owner, const QString& text)
{
    showBox(owner, QMessageBox::Warning, text);
}

void MessageBoxNotifier::error(QWidget* owner, const QString& text)
{
    showBox(owner, QMessageBox::Critical, text);
}

void MessageBoxNotifier::noticeBecause(QWidget* owner, const QString& text, const QString& reason)
{
    showBox(owner, QMessageBox::Warning, withReason(text, reason));
}

void MessageBoxNotifier::errorBecause(QWidget* owner, const QString& text, const QString& reason)
{
    showBox(owner, QMessageBox::Critical, withReason(text, reason));
}

} // namespace kivo::app
