#pragma once

#include <QPlainTextEdit>

namespace kivo::app {

// The output-path field: several lines tall and wrapping a long path anywhere, but a path
// holds no line breaks, so Enter is left to the window (it presses the default button) and
// pasted line breaks are dropped.
class OutputPathEdit final : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit OutputPathEdit(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
};

} // namespace kivo::app
