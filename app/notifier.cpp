#include "app/notifier.h"

#include "app/native_text.h"

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

} // namespace

QString applicationTitle()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString messageText(const std::string& text)
{
    QString shown = fromNative(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void MessageBoxNotifier::notice(QWidget* owner, const QString& text)
{
    showBox(owner, QMessageBox::Warning, text);
}

void MessageBoxNotifier::error(QWidget* owner, const QString& text)
{
    showBox(owner, QMessageBox::Critical, text);
}

} // namespace kivo::app
