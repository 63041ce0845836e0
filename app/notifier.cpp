#include "app/notifier.h"

#include "core/run/notice.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace kivo::app {

namespace {

void showBox(QWidget* owner, QMessageBox::Icon icon, const std::string& text)
{
    QMessageBox box(icon, QGuiApplication::applicationDisplayName(), messageText(text), QMessageBox::Ok, owner);
    // File names are shown as they are, never taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

QString messageText(const std::string& text)
{
    return QString::fromStdString(core::noticeLines(text));
}

void MessageBoxNotifier::notice(const std::string& text)
{
    showBox(m_owner, QMessageBox::Warning, text);
}

void MessageBoxNotifier::error(const std::string& text)
{
    showBox(m_owner, QMessageBox::Critical, text);
}

} // namespace kivo::app
