// The kivo program as a process: --help and --version answer without a window, with a
// display or without one, and a start without a display ends in one line and status 1.
#include "kivo/version.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

class TestKivoProgram : public QObject {
    Q_OBJECT

private slots:
    void answersWithoutAWindow_data();
    void answersWithoutAWindow();
};

void TestKivoProgram::answersWithoutAWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("display");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("outStart");
    QTest::addColumn<bool>("outWhole");
    QTest::addColumn<QByteArray>("err");

    const QByteArray usage("Usage: kivo [FILE...]\n");
    const QByteArray version("Kivo " KIVO_VERSION_STRING "\n");
    const QByteArray noDisplay("kivo: no display to show the window on; kivo-convert converts without one\n");
    QTest::newRow("--help") << QStringList{"--help"} << true << 0 << usage << false << QByteArray();
    QTest::newRow("-h, no display") << QStringList{"-h"} << false << 0 << usage << false << QByteArray();
    QTest::newRow("--help after files") << QStringList{"run1.dat", "--help"} << false << 0 << usage << false
                                        << QByteArray();
    QTest::newRow("--version") << QStringList{"--version"} << true << 0 << version << true << QByteArray();
    QTest::newRow("--version, no display") << QStringList{"--version"} << false << 0 << version << true << QByteArray();
    QTest::newRow("window, no display") << QStringList{"run1.dat"} << false << 1 << QByteArray() << true << noDisplay;
}

void TestKivoProgram::answersWithoutAWindow()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, display);
    QFETCH(int, status);
    QFETCH(QByteArray, outStart);
    QFETCH(bool, outWhole);
    QFETCH(QByteArray, err);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    // offscreen always has a screen; xcb without DISPLAY has none, as on a server.
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"),
                       display ? QStringLiteral("offscreen") : QStringLiteral("xcb"));
    QProcess kivo;
    kivo.setProcessEnvironment(environment);
    kivo.start(QStringLiteral(KIVO_PATH), arguments);
    // A window would keep the process running.
    const bool finished = kivo.waitForFinished(20000);
    if (!finished) {
        kivo.kill();
        kivo.waitForFinished();
    }
    QVERIFY2(finished, "kivo did not exit: it opened a window");
    QCOMPARE(kivo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(kivo.exitCode(), status);
    const QByteArray out = kivo.readAllStandardOutput();
    if (outWhole)
        QCOMPARE(out, outStart);
    else
        QVERIFY2(out.startsWith(outStart), out.constData());
    QCOMPARE(kivo.readAllStandardError(), err);
}

QTEST_GUILESS_MAIN(TestKivoProgram)

#include "test_kivo_program.moc"
