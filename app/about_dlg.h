#pragma once

#include <QDialog>

class QPushButton;

namespace kivo::app {

// The About box: the program's name, version and what it is for. OK closes it.
class CAboutDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    QPushButton* okButton() const { return m_ok; }

private:
    QPushButton* m_ok;
};

} // namespace kivo::app
