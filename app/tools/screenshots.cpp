// Renders the README's pictures of the main window (two files queued) and of the About box
// into the folder given as the only argument. Run it on the offscreen platform.
#include "app/about_dlg.h"
#include "app/app_icon.h"
#include "app/converter_dlg.h"
#include "app/notifier.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

namespace {

// The drop's concatenation notice would block; the picture shows the window, not the box.
class SilentNotifier final : public kivo::app::Notifier {
public:
    void notice(QWidget*, const QString&) override {}
    void error(QWidget*, const QString&) override {}
};

bool save(QWidget& window, const QString& path)
{
    window.show();
    QApplication::processEvents();
    if (window.grab().save(path))
        return true;
    QTextStream(stderr) << "cannot write " << path << "\n";
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(kivo::app::applicationIcon());
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 2) {
        QTextStream(stderr) << "usage: kivo_screenshots FOLDER\n";
        return 2;
    }
    const QDir folder(arguments.at(1));

    SilentNotifier notifier;
    kivo::app::CConverterDlg window(notifier);
    window.OnDropFiles({"/home/sato/squid/MnBi_ZFC_2024-05-10.dat", "/home/sato/squid/MnBi_FC_2024-05-10.dat"});
    kivo::app::CAboutDlg about;
    const bool saved = save(window, folder.filePath(QStringLiteral("main-window.png")))
                       && save(about, folder.filePath(QStringLiteral("about.png")));
    return saved ? 0 : 1;
}
