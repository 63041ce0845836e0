#include "app/converter_app.h"

#include "app/app_icon.h"
#include "app/converter_dlg.h"
#include "app/native_text.h"

#include <QDir>
#include <QTimer>

namespace kivo::app {

std::vector<std::string> commandLineFiles(const QStringList& arguments, const QString& currentDir)
{
    std::vector<std::string> paths;
    const QDir base(currentDir);
    for (const QString& argument : arguments) {
        if (!argument.isEmpty())
            paths.push_back(toNative(QDir::cleanPath(base.absoluteFilePath(argument))));
    }
    return paths;
}

CConverterApp::CConverterApp(int& argc, char** argv)
    : QApplication(argc, argv)
{
    // The boxes are captioned with the display name, which follows the name: set as a name
    // rather than as a display name, which Qt would also append to every window's title.
    setApplicationName(QStringLiteral("Kivo"));
    setWindowIcon(applicationIcon());
    // Lets the desktop match the window to kivo.desktop and its icon.
    setDesktopFileName(QStringLiteral("kivo"));
}

int CConverterApp::InitInstance()
{
    CConverterDlg dlg(m_notifier);
    m_notifier.setOwner(&dlg);
    m_mainWnd = &dlg;
    // QApplication has already taken its own options (-style and the like) out.
    const std::vector<std::string> files = commandLineFiles(arguments().mid(1), QDir::currentPath());
    if (!files.empty())
        QTimer::singleShot(0, &dlg, [&dlg, files] { dlg.OnDropFiles(files); });
    dlg.exec();
    m_mainWnd = nullptr;
    return 0;
}

} // namespace kivo::app
