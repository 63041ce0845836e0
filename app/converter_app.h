#pragma once

#include "app/notifier.h"

#include <QApplication>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace kivo::app {

class CConverterDlg;

// The files named on the command line (how "Open with" starts Kivo) as a drop would
// deliver them: absolute and lexically normal, relative ones taken from `currentDir`.
std::vector<std::string> commandLineFiles(const QStringList& arguments, const QString& currentDir);

// The application object: it runs the main window, and the process lives as long as that
// window does.
class CConverterApp final : public QApplication {
    Q_OBJECT

public:
    CConverterApp(int& argc, char** argv);

    // Shows the main window modally, hands it the command line's files once it is up, and
    // returns the exit status when it closes.
    int InitInstance();

    // The main window while it runs, else null.
    CConverterDlg* mainWindow() const { return m_mainWnd; }

private:
    MessageBoxNotifier m_notifier;
    CConverterDlg* m_mainWnd = nullptr;
};

} // namespace kivo::app
