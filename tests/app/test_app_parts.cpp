// The window's parts on their own: dialog-unit arithmetic, command-line files, the real
// message boxes, the output-path field's line rules and the icon.
#include "app/app_icon.h"
#include "app/converter_app.h"
#include "app/dialog_units.h"
#include "app/notifier.h"
#include "app/output_path_edit.h"
#include "notice_texts.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <string>

using namespace kivo;

class TestAppParts : public QObject {
    Q_OBJECT

private slots:
    void dialogUnitsRoundLikeTheDialogManager();
    void dialogUnitsComeFromTheFont();
    void commandLineFilesBecomeAbsoluteNormalPaths();
    void carriageReturnsBreakLines();
    void noticeIsAWarningWithOneOk();
    void errorIsAStopBoxWithOneOk();
    void outputPathTakesNoLineBreaks();
    void iconHasAnImageOfEverySize();

private:
    struct Box {
        QString caption;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        Qt::TextFormat format = Qt::AutoText;
        QWidget* parent = nullptr;
    };
    Box showAndConfirm(const std::function<void()>& show);
};

void TestAppParts::dialogUnitsRoundLikeTheDialogManager()
{
    const app::DialogUnits du(6, 13);
    QCOMPARE(du.x(4), 6);
    QCOMPARE(du.x(7), 11);     // 10.5 rounds up
    QCOMPARE(du.x(165), 248);  // 247.5
    QCOMPARE(du.y(8), 13);
    QCOMPARE(du.y(7), 11);     // 11.375
    QCOMPARE(du.y(14), 23);    // 22.75
    QCOMPARE(du.y(3), 5);      // 4.875
    QCOMPARE(du.rect(7, 102, 165, 28), QRect(11, 166, 248, 46));  // 165.75, 45.5
    QCOMPARE(du.size(179, 137), QSize(269, 223));                  // 268.5, 222.625
}

void TestAppParts::dialogUnitsComeFromTheFont()
{
    QFont font = app::dialogFont();
    const app::DialogUnits du(font);
    const QFontMetrics metrics(font);
    QCOMPARE(du.baseY(), metrics.height());
    // The average letter width, rounded: never further than half a pixel from it.
    double sum = 0;
    for (char c = 'A'; c <= 'Z'; ++c)
        sum += metrics.horizontalAdvance(QLatin1Char(c)) + metrics.horizontalAdvance(QLatin1Char(char(c + 32)));
    QVERIFY2(qAbs(du.baseX() - sum / 52) <= 0.5 + 1e-9, qPrintable(QString::number(sum / 52)));

    // A bigger font, a bigger window: the layout scales with the font found.
    font.setPointSize(18);
    const app::DialogUnits big(font);
    QVERIFY(big.baseX() > du.baseX());
    QVERIFY(big.baseY() > du.baseY());
}

void TestAppParts::commandLineFilesBecomeAbsoluteNormalPaths()
{
    const std::vector<std::string> files = app::commandLineFiles(
        {QStringLiteral("run1.dat"), QStringLiteral("/data/../other/run2.dat"),
         QStringLiteral("sub/./deeper//run 3.dat"), QString(), QStringLiteral("データ.dat")},
        QStringLiteral("/home/sato"));
    const std::vector<std::string> expected = {
        "/home/sato/run1.dat", "/other/run2.dat", "/home/sato/sub/deeper/run 3.dat",
        "/home/sato/\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF.dat",
    };
    QCOMPARE(files, expected);
}

void TestAppParts::carriageReturnsBreakLines()
{
    std::string asTheCoreWordsIt = testing::texts::notSquid("a.dat");
    std::replace(asTheCoreWordsIt.begin(), asTheCoreWordsIt.end(), '\n', '\r');
    QCOMPARE(app::messageText(asTheCoreWordsIt), QString::fromStdString(testing::texts::notSquid("a.dat")));
    // CR LF is one line break, not two.
    QCOMPARE(app::messageText("one\r\ntwo\r\rthree"), QStringLiteral("one\ntwo\n\nthree"));
}

// Shows a box through `show` and confirms it with its OK button, as a user would.
TestAppParts::Box TestAppParts::showAndConfirm(const std::function<void()>& show)
{
    Box seen;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        watch.stop();
        seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(), box->textFormat(),
                box->parentWidget()};
        if (QAbstractButton* ok = box->button(QMessageBox::Ok))
            QTest::mouseClick(ok, Qt::LeftButton);
        else
            box->reject();
    });
    watch.start(10);
    show();
    return seen;
}

void TestAppParts::noticeIsAWarningWithOneOk()
{
    QWidget owner;
    owner.show();
    app::MessageBoxNotifier notifier(&owner);
    const std::string text = testing::texts::points("<b>x.dat</b>", 3);
    const Box box = showAndConfirm([&] { notifier.notice(text); });
    QCOMPARE(box.caption, QGuiApplication::applicationDisplayName());
    QCOMPARE(box.text, QString::fromStdString(text));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    // A file name that looks like markup is shown as it is.
    QCOMPARE(box.format, Qt::PlainText);
    QCOMPARE(box.parent, &owner);
}

void TestAppParts::errorIsAStopBoxWithOneOk()
{
    QWidget owner;
    owner.show();
    app::MessageBoxNotifier notifier(&owner);
    const std::string text = testing::texts::writeFailure("/data/run1.itx");
    const Box box = showAndConfirm([&] { notifier.error(text); });
    QCOMPARE(box.caption, QGuiApplication::applicationDisplayName());
    QCOMPARE(box.text, QString::fromStdString(text));
    // The system's reason, a paragraph of its own below the program's text, shows as one.
    const Box because = showAndConfirm([&] { notifier.error(text + "\r\rwrite failed: EIO"); });
    QCOMPARE(because.text, QString::fromStdString(testing::texts::withReason(text, "write failed: EIO")));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.parent, &owner);
}

void TestAppParts::outputPathTakesNoLineBreaks()
{
    app::OutputPathEdit edit;
    edit.show();
    QVERIFY(QTest::qWaitForWindowActive(&edit));
    edit.setFocus();
    QTest::keyClicks(&edit, QStringLiteral("/data/"));
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClick(&edit, Qt::Key_Enter);
    QTest::keyClick(&edit, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(edit.toPlainText(), QStringLiteral("/data/"));

    QApplication::clipboard()->setText(QStringLiteral("run\r\n1\n.itx"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit.toPlainText(), QStringLiteral("/data/run1.itx"));

    // Tab leaves the field rather than going into the path.
    QVERIFY(edit.tabChangesFocus());
}

// A size without an image of its own would be scaled up from a smaller one, and blur.
void TestAppParts::iconHasAnImageOfEverySize()
{
    const QIcon icon = app::applicationIcon();
    for (const int size : app::kIconSizes) {
        const QPixmap image = icon.pixmap(QSize(size, size), 1.0);
        QCOMPARE(image.size(), QSize(size, size));
    }
}

QTEST_MAIN(TestAppParts)
#include "test_app_parts.moc"

