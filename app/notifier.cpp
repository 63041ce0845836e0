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

} // namespace

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

} // namespace kivo::app
