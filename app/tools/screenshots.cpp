// Renders the README's pictures of the main window (two files queued), of the About box and
// of a detailed run's summary into the folder given as the only argument. Run it on the
// offscreen platform.
#include "app/about_dlg.h"
#include "app/app_icon.h"
#include "app/converter_dlg.h"
#include "app/notifier.h"
#include "core/run/notice.h"
#include "core/run/run_summary.h"

#include <QApplication>
#include <QMessageBox>
#include <QDir>
#include <QTextStream>

namespace {

// The drop's concatenation notice would block; the picture shows the window, not the box.
class SilentNotifier final : public kivo::intake::Notifier {
public:
    void notice(const std::string&) override {}
    void error(const std::string&) override {}
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
    // The box the window shows at the end of a detailed run, as its notifier builds it.
    using kivo::core::NoticeKind;
    const kivo::core::Notice summary = kivo::core::summaryNotice(
        {{{"MnBi_ZFC_2024-05-10.dat", NoticeKind::PointsExtracted, "MnBi_ZFC_2024_05_10", 312},
          {"MnBi_FC_2024-05-10.dat", NoticeKind::PointsExtracted, "MnBi_FC_2024_05_10", 298},
          {"MnBi_MH_5K.dat", NoticeKind::PointsExtracted, "MnBi_MH_5K", 1201},
          {"MnBi_resistivity.dat", NoticeKind::NoKnownColumns, {}, 0}},
         false,
         "/home/sato/squid/MnBi_ZFC_2024-05-10.itx"});
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kivo"),
                    kivo::app::messageText(kivo::core::noticeDisplayText(summary)), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    const bool saved = save(window, folder.filePath(QStringLiteral("main-window.png")))
                       && save(about, folder.filePath(QStringLiteral("about.png")))
                       && save(box, folder.filePath(QStringLiteral("summary.png")));
    return saved ? 0 : 1;
}
