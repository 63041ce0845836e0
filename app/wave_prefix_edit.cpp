#include "app/wave_prefix_edit.h"

#include <QFocusEvent>

namespace kivo::app {

WavePrefixEdit::WavePrefixEdit(QWidget* parent)
    : QLineEdit(parent)
{
    // Files dropped here belong to the window's queue, not into the text.
    setAcceptDrops(false);
}

void WavePrefixEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // The field's own context menu keeps the user in the field: no loss of focus to them.
    if (event->reason() != Qt::PopupFocusReason)
        emit focusLost();
}

} // namespace kivo::app
