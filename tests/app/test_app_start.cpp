// Starting Kivo as "Open with" does: the application object runs the window, and the files
// on its command line enter the queue once the window is up, with the real boxes.
#include "app/converter_app.h"
#include "app/converter_dlg.h"

#include "temp_folder.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <string>

using namespace kivo;

class TestAppStart : public QObject {
    Q_OBJECT

private slots:
    void commandLineFilesEnterOnceTheWindowIsUp();
};

void TestAppStart::commandLineFilesEnterOnceTheWindowIsUp()
{
    const kivo::testing::TempFolder folder;
    const QDir dir(QString::fromStdString(folder.path()));
    QFile file(dir.filePath(QStringLiteral("run1.dat")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));

    // Relative names, as a shell passes them; a folder first, which is told in a notice.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    std::string program = "kivo";
    std::string subfolder = "folder";
    std::string name = "run1.dat";
    char* argv[] = {program.data(), subfolder.data(), name.data(), nullptr};
    int argc = 3;
    app::CConverterApp application(argc, argv);

    QString noticeCaption;
    bool visibleWhenQueued = false;
    bool focusOnMakeItx = false;
    QString queuedPath;
    QString listedName;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            noticeCaption = box->windowTitle();
            box->button(QMessageBox::Ok)->click();
            return;
        }
        app::CConverterDlg* window = application.mainWindow();
        if (window == nullptr || window->queueCount() == 0)
            return;
        watch.stop();
        visibleWhenQueued = window->isVisible();
        focusOnMakeItx = window->focusWidget() == window->findChild<QPushButton*>(QStringLiteral("makeItx"));
        queuedPath = QString::fromStdString(window->queueFront().fullPath);
        listedName = QString::fromStdString(window->queueFront().displayName);
        window->reject();
    });
    watch.start(10);
    QTimer::singleShot(5000, &application, [&] {
        if (application.mainWindow())
            application.mainWindow()->reject();
    });

    const int status = application.InitInstance();
    QDir::setCurrent(before);

    QCOMPARE(status, 0);
    // Captioned with the application's title, not with the program file's name.
    QCOMPARE(noticeCaption, QStringLiteral("Kivo"));
    QVERIFY(visibleWhenQueued);
    QVERIFY(focusOnMakeItx);
    QCOMPARE(queuedPath, QFileInfo(file).absoluteFilePath());
    QCOMPARE(listedName, QStringLiteral("run1.dat"));
    QCOMPARE(application.mainWindow(), nullptr);
    QVERIFY(!QApplication::windowIcon().isNull());
}

// No QTEST_MAIN: the application object under test is itself the QApplication.
int main(int argc, char* argv[])
{
    TestAppStart test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_app_start.moc"
