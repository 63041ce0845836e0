#pragma once

#include <QLineEdit>

namespace kivo::app {

// The wave-prefix field. It reports losing the focus after it has handled the loss itself,
// because the window may open a notice from there and the field must not be left
// half-way between focused and unfocused while that notice is up.
class WavePrefixEdit final : public QLineEdit {
    Q_OBJECT

public:
    explicit WavePrefixEdit(QWidget* parent = nullptr);

signals:
    void focusLost();

protected:
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace kivo::app
