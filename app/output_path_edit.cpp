#include "app/output_path_edit.h"

#include <QKeyEvent>
#include <QMimeData>

namespace kivo::app {

OutputPathEdit::OutputPathEdit(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab moves on to the next control, as in any dialog field.
    setTabChangesFocus(true);
    // Files dropped here belong to the window's queue, not into the text.
    setAcceptDrops(false);
}

void OutputPathEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void OutputPathEdit::insertFromMimeData(const QMimeData* source)
{
    if (!source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    QString text = source->text();
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    insertPlainText(text);
}

} // namespace kivo::app
