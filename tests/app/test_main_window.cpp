// The main window driven as a user drives it: keys, drops, clicks and focus changes, with
// the notices recorded instead of shown.
#include "app/about_dlg.h"
#include "app/converter_dlg.h"
#include "app/notifier.h"
#include "core/files/io_error.h"
#include "core/run/notice.h"
#include "core/run/run_summary.h"
#include "expected_itx.h"
#include "failing_reads.h"
#include "memory_files.h"
#include "notice_texts.h"
#include "recording_notifier.h"
#include "squid_files.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace kivo;

// Recorded texts, printed as a list when a comparison fails.
template <> char* QTest::toString(const std::vector<std::string>& texts)
{
    QStringList list;
    for (const std::string& text : texts)
        list << QString::fromStdString(text);
    return QTest::toString(list.join(QStringLiteral(" | ")));
}

namespace {

using testing::texts::kConcatenated;
using testing::texts::kDirectory;
using testing::texts::kPrefixFirstLetter;
using Said = std::vector<std::string>;

// A reason as the windows word it.
std::string inJapanese(const core::Reason& reason)
{
    return core::reasonText(reason, core::Language::Japanese);
}

const QByteArray kRun1Rows = "0.5,,100,300,1.5E-3,2E-6,9,\r\n"
                             "1.5,note,200,299.5,1.4E-3,3E-6,9,\r\n";

// Confirms the message box that is about to open, as a user would, once it is up.
void confirmSoon()
{
    QTimer::singleShot(20, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        else
            confirmSoon();
    });
}

QStringList listed(const QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

QStringList queuedPaths(const app::CConverterDlg& window)
{
    QStringList paths;
    for (const core::QueueEntry& entry : window.queue().entries())
        paths << QString::fromStdString(entry.fullPath);
    return paths;
}

// Key presses go where the user's keys go: to the widget with the focus.
void press(Qt::Key key)
{
    QTest::keyClick(QApplication::focusWidget(), key);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsEmptyWithFocusOnClose();
    void enterAtStartCloses();
    void escapeCloses();
    void closingFromEmptiedPrefixFieldSaysNothing();
    void controlsFollowTheTemplate();
    void tabOrderIsTemplateOrder();
    void textsUseTheJapaneseGothic();
    void enterPressesMakeItx_data();
    void enterPressesMakeItx();
    void enterOnCloseAfterTabbingCloses();
    void dropQueuesLocalFilesInDropOrder_data();
    void dropQueuesLocalFilesInDropOrder();
    void dragWithoutLocalFilesIsRefused();
    void dropThatQueuesMovesFocusToMakeItx();
    void laterDropKeepsDefaultsAndTellsOfConcatenation();
    void prefixLosingFocusIsSanitized();
    void makeItxConvertsTheQueue();
    void tickedBoxGivesTheDetailedOutput();
    void enterInPrefixFieldSanitizesTheRun();
    void prefixNoticeIsShownOnceWhileFocusMoves();
    void dropWhileANoticeIsUpIsIgnored();
    void realNoticeTakesFocusFromPrefixField();
    void outputThatCannotBeCreatedKeepsEverything();
    void inputThatCannotBeOpenedKeepsEverything();
    void readErrorShowsStopBoxAndKeepsWindow();
    void outOfMemoryShowsStopBoxAndKeepsWindow();
    void f1OpensAboutBox();
    void contextMenuOpensAboutBox();

private:
    template <class T>
    T* child(const char* name) const
    {
        return m_window->findChild<T*>(QString::fromLatin1(name));
    }
    QListWidget* fileList() const { return child<QListWidget>("fileList"); }
    QLineEdit* wavePrefix() const { return child<QLineEdit>("wavePrefix"); }
    QPlainTextEdit* outputPath() const { return child<QPlainTextEdit>("outputPath"); }
    QPushButton* makeItx() const { return child<QPushButton>("makeItx"); }
    QPushButton* closeButton() const { return child<QPushButton>("close"); }
    QCheckBox* detailedBox() const { return child<QCheckBox>("detailed"); }

    void makeWindow(core::FileSystem& files = core::platformFileSystem());
    bool drop(QWidget* onto, const QList<QUrl>& urls);
    void dropFiles(const QStringList& paths);
    void whenModalOpens(std::function<void(QWidget*)> act);

    std::unique_ptr<SquidFolder> m_folder;
    std::unique_ptr<testing::RecordingNotifier> m_notifier;
    std::unique_ptr<app::CConverterDlg> m_window;
    QPointer<QTimer> m_modalWatch;
};

void TestMainWindow::init()
{
    m_folder = std::make_unique<SquidFolder>();
    QVERIFY(m_folder->isValid());
    m_notifier = std::make_unique<testing::RecordingNotifier>();
    makeWindow();
}

void TestMainWindow::cleanup()
{
    delete m_modalWatch;
    m_window.reset();
    m_notifier.reset();
    m_folder.reset();
}

void TestMainWindow::makeWindow(core::FileSystem& files)
{
    m_window = std::make_unique<app::CConverterDlg>(*m_notifier, files);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

// Sends a drag with `urls` over `onto` and drops it there, as a file manager does.
// Returns whether the window took the drop.
bool TestMainWindow::drop(QWidget* onto, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    // File managers offer the paths as plain text too, which text fields would take in.
    QStringList names;
    for (const QUrl& url : urls)
        names << (url.isLocalFile() ? url.toLocalFile() : url.toString());
    data.setText(names.join(QLatin1Char('\n')));
    const QPoint at = onto->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(onto, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(onto, &move);
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(onto, &dropped);
    return dropped.isAccepted();
}

void TestMainWindow::dropFiles(const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    const int queued = fileList()->count();
    const std::size_t told = m_notifier->notices.size();
    QVERIFY(drop(m_window.get(), urls));
    // The drop is taken in once the drag has ended.
    QTRY_VERIFY(fileList()->count() > queued || m_notifier->notices.size() > told);
}

// Runs `act` on the next modal window to open (the main window itself is not modal here).
void TestMainWindow::whenModalOpens(std::function<void(QWidget*)> act)
{
    m_modalWatch = new QTimer(this);
    QTimer* watch = m_modalWatch;
    connect(watch, &QTimer::timeout, this, [watch, act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            watch->stop();
            watch->deleteLater();
            act(modal);
        }
    });
    watch->start(10);
}

void TestMainWindow::startsEmptyWithFocusOnClose()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Kivo"));
    QCOMPARE(fileList()->count(), 0);
    QCOMPARE(m_window->queueCount(), 0u);
    QCOMPARE(wavePrefix()->text(), QString());
    QCOMPARE(outputPath()->toPlainText(), QString());
    QCOMPARE(QApplication::focusWidget(), closeButton());
    // A focused push button is the default while it has the focus; elsewhere "Make itx" is.
    QVERIFY(closeButton()->isDefault());
    fileList()->setFocus();
    QVERIFY(makeItx()->isDefault());
    QVERIFY(!closeButton()->isDefault());
}

void TestMainWindow::enterAtStartCloses()
{
    press(Qt::Key_Return);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->result(), int(QDialog::Rejected));
    // "Make itx" on the empty window would have said "Outfile not open".
    QCOMPARE(m_notifier->notices, Said());
}

void TestMainWindow::escapeCloses()
{
    fileList()->setFocus();
    press(Qt::Key_Escape);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_notifier->notices, Said());
}

void TestMainWindow::closingFromEmptiedPrefixFieldSaysNothing()
{
    // Leaving an empty prefix field is worth a notice, but not when the user is leaving
    // the window: closing takes the focus from the field too.
    wavePrefix()->setFocus();
    press(Qt::Key_Escape);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_notifier->notices, Said());
    QCOMPARE(wavePrefix()->text(), QString());
}

void TestMainWindow::controlsFollowTheTemplate()
{
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    const Qt::WindowFlags flags = m_window->windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);

    auto* ok = child<QPushButton>("ok");
    QVERIFY(ok != nullptr);
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isHidden());

    QCOMPARE(closeButton()->text(), QStringLiteral("Close"));
    QCOMPARE(makeItx()->text(), QStringLiteral("Make itx"));

    struct Text {
        const char* name;
        QString text;
    };
    const Text texts[] = {
        {"dropHint", QStringLiteral("ここにSQUIDデータファイルをドロップしてください。")},
        {"wavePrefixLabel", QStringLiteral("ウェーブ・ヘッダ")},
        {"outputPathLabel", QStringLiteral("出力ファイル名")},
    };
    for (const Text& expected : texts) {
        auto* label = child<QLabel>(expected.name);
        QVERIFY2(label != nullptr, expected.name);
        QCOMPARE(label->text(), expected.text);
    }
}

void TestMainWindow::tabOrderIsTemplateOrder()
{
    const QList<QWidget*> order = {fileList(), makeItx(), wavePrefix(), outputPath(), detailedBox(), closeButton()};
    for (QWidget* next : order) {
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void TestMainWindow::textsUseTheJapaneseGothic()
{
    const QFont font = m_window->font();
    QCOMPARE(font.pointSize(), 9);
    if (!QFontDatabase::hasFamily(QStringLiteral("MS PGothic"))) {
        if (!QFontDatabase::hasFamily(QStringLiteral("IPAPGothic")))
            QSKIP("neither MS PGothic nor IPAPGothic is installed (Debian: fonts-ipafont-gothic)");
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("IPAPGothic"));
    }
    // Every character of the window's texts has a glyph in that font (no boxes), and
    // every text fits in its place, so that none is cut off.
    const QFontMetrics metrics(font);
    for (const QLabel* label : m_window->findChildren<QLabel*>()) {
        for (const QChar c : label->text())
            QVERIFY2(metrics.inFont(c), qPrintable(label->text()));
        QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(),
                 qPrintable(QStringLiteral("%1: %2 > %3").arg(label->text()).arg(metrics.horizontalAdvance(label->text())).arg(label->width())));
        QVERIFY2(metrics.height() <= label->height(), qPrintable(label->text()));
    }
}

void TestMainWindow::enterPressesMakeItx_data()
{
    QTest::addColumn<QString>("focus");
    QTest::newRow("file list") << QStringLiteral("fileList");
    QTest::newRow("wave prefix") << QStringLiteral("wavePrefix");
    QTest::newRow("output path") << QStringLiteral("outputPath");
    QTest::newRow("Make itx") << QStringLiteral("makeItx");
}

void TestMainWindow::enterPressesMakeItx()
{
    QFETCH(QString, focus);
    const QString path = m_folder->writeSquid(QStringLiteral("run1.dat"), kRun1Rows);
    dropFiles({path});
    auto* target = m_window->findChild<QWidget*>(focus);
    QVERIFY(target != nullptr);
    target->setFocus();
    QCOMPARE(QApplication::focusWidget(), target);

    press(Qt::Key_Return);

    QVERIFY(m_window->isVisible());
    QCOMPARE(m_notifier->notices, Said{testing::texts::points("run1.dat", 2)});
    QVERIFY(QFile::exists(m_folder->path(QStringLiteral("run1.itx"))));
    // The output-path field wraps but takes no line break: the run emptied it, Enter
    // added nothing.
    QCOMPARE(outputPath()->toPlainText(), QString());
}

void TestMainWindow::enterOnCloseAfterTabbingCloses()
{
    dropFiles({m_folder->writeSquid(QStringLiteral("run1.dat"), kRun1Rows)});
    makeItx()->setFocus();
    // Past the prefix, the output path and the detailed box.
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), closeButton());
    press(Qt::Key_Enter);
    QVERIFY(!m_window->isVisible());
    QVERIFY(!QFile::exists(m_folder->path(QStringLiteral("run1.itx"))));
}

void TestMainWindow::dropQueuesLocalFilesInDropOrder_data()
{
    QTest::addColumn<QString>("onto");
    QTest::newRow("window") << QString();
    QTest::newRow("drop hint") << QStringLiteral("dropHint");
    QTest::newRow("file list") << QStringLiteral("fileList");
    QTest::newRow("wave prefix field") << QStringLiteral("wavePrefix");
    QTest::newRow("output path field") << QStringLiteral("outputPath");
    QTest::newRow("Make itx") << QStringLiteral("makeItx");
}

void TestMainWindow::dropQueuesLocalFilesInDropOrder()
{
    QFETCH(QString, onto);
    QWidget* target = m_window.get();
    if (!onto.isEmpty())
        target = m_window->findChild<QWidget*>(onto);
    QVERIFY(target != nullptr);
    // Scroll areas take drops on their viewport, which is where the mouse is.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(target))
        target = area->viewport();

    const QString second = m_folder->writeSquid(QStringLiteral("b-second.dat"), kRun1Rows);
    const QString first = m_folder->writeSquid(QStringLiteral("z first.dat"), kRun1Rows);
    QVERIFY(QDir().mkdir(m_folder->path(QStringLiteral("folder"))));
    const QList<QUrl> urls = {
        QUrl(QStringLiteral("https://example.org/run9.dat")),
        QUrl::fromLocalFile(first),
        QUrl::fromLocalFile(m_folder->path(QStringLiteral("folder"))),
        QUrl::fromLocalFile(second),
    };
    QVERIFY(drop(target, urls));

    QTRY_COMPARE(fileList()->count(), 2);
    QCOMPARE(listed(fileList()), (QStringList{QStringLiteral("z first.dat"), QStringLiteral("b-second.dat")}));
    QCOMPARE(queuedPaths(*m_window), (QStringList{first, second}));
    QCOMPARE(wavePrefix()->text(), QStringLiteral("z_first"));
    QCOMPARE(outputPath()->toPlainText(), m_folder->path(QStringLiteral("z first.itx")));
    QCOMPARE(m_notifier->notices, (Said{kDirectory, kConcatenated}));
}

void TestMainWindow::dragWithoutLocalFilesIsRefused()
{
    QVERIFY(!drop(m_window.get(), {QUrl(QStringLiteral("https://example.org/run1.dat"))}));
    QTest::qWait(20);
    QCOMPARE(fileList()->count(), 0);
    QCOMPARE(m_notifier->notices, Said());
}

void TestMainWindow::dropThatQueuesMovesFocusToMakeItx()
{
    QVERIFY(QDir().mkdir(m_folder->path(QStringLiteral("folder"))));
    dropFiles({m_folder->path(QStringLiteral("folder"))});
    QCOMPARE(QApplication::focusWidget(), closeButton());

    dropFiles({m_folder->writeSquid(QStringLiteral("run1.dat"), kRun1Rows)});
    QCOMPARE(QApplication::focusWidget(), makeItx());
    // The user's Enter after the drop converts, rather than closing the window on the queue.
    press(Qt::Key_Return);
    QVERIFY(m_window->isVisible());
    QVERIFY(QFile::exists(m_folder->path(QStringLiteral("run1.itx"))));
}

void TestMainWindow::laterDropKeepsDefaultsAndTellsOfConcatenation()
{
    const QString run1 = m_folder->writeSquid(QStringLiteral("run1.dat"), kRun1Rows);
    const QString run2 = m_folder->writeSquid(QStringLiteral("run2.dat"), kRun1Rows);
    const QString run3 = m_folder->writeSquid(QStringLiteral("run3.dat"), kRun1Rows);
    dropFiles({run1});
    QCOMPARE(m_notifier->notices, Said());
    dropFiles({run2});
    dropFiles({run3});
    QCOMPARE(listed(fileList()),
             (QStringList{QStringLiteral("run1.dat"), QStringLiteral("run2.dat"), QStringLiteral("run3.dat")}));
    QCOMPARE(wavePrefix()->text(), QStringLiteral("run1"));
    // A text the window sets shows from its start.
    QCOMPARE(wavePrefix()->cursorPosition(), 0);
    QCOMPARE(outputPath()->toPlainText(), m_folder->path(QStringLiteral("run1.itx")));
    QCOMPARE(m_notifier->notices, Said{kConcatenated});
}

void TestMainWindow::prefixLosingFocusIsSanitized()
{
    dropFiles({m_folder->writeSquid(QStringLiteral("1st-run.dat"), kRun1Rows)});
    QCOMPARE(wavePrefix()->text(), QStringLiteral("wst_run"));
    QCOMPARE(m_notifier->notices, Said{kPrefixFirstLetter});

    wavePrefix()->setFocus();
    wavePrefix()->selectAll();
    QTest::keyClicks(wavePrefix(), QStringLiteral("x-y"));
    QCOMPARE(wavePrefix()->text(), QStringLiteral("x-y"));
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), outputPath());
    QCOMPARE(wavePrefix()->text(), QStringLiteral("x_y"));
    QCOMPARE(m_notifier->notices.size(), 1u);

    wavePrefix()->setFocus();
    wavePrefix()->clear();
    fileList()->setFocus();
    QCOMPARE(wavePrefix()->text(), QStringLiteral("w"));
    QCOMPARE(m_notifier->notices, (Said{kPrefixFirstLetter, kPrefixFirstLetter}));
}

void TestMainWindow::makeItxConvertsTheQueue()
{
    const QString run1 = m_folder->writeSquid(QStringLiteral("run1.dat"), kRun1Rows);
    const QString notes = m_folder->write(QStringLiteral("notes.txt"), "Sample mounted at 10:40\r\n");
    // A short row: the values it lacks are written as NaN.
    const QString run2 = m_folder->writeSquid(QStringLiteral("run2.dat"), "2.5,,300,299\r\n");
    dropFiles({run1, notes, run2});
    QCOMPARE(m_notifier->notices, Said{kConcatenated});
    m_notifier->notices.clear();

    QTest::mouseClick(makeItx(), Qt::LeftButton);

    // A file without a single moment may be an AC measurement, which the box writes.
    QCOMPARE(m_notifier->notices, (Said{testing::texts::points("run1.dat", 2), testing::texts::notSquid("notes.txt"),
                                        testing::texts::points("run2.dat", 1), testing::texts::noMoment("run2.dat")}));
    QVERIFY(QString::fromStdString(m_notifier->notices.back()).contains(detailedBox()->text()));
    QCOMPARE(SquidFolder::read(m_folder->path(QStringLiteral("run1.itx"))),
             QByteArray::fromStdString(testing::itx("run1", {"\t0.5\t100\t300\t1.5E-3\t2E-6",
                                                             "\t1.5\t200\t299.5\t1.4E-3\t3E-6",
                                                             "\t2.5\t300\tNaN\tNaN\tNaN"})));
    QCOMPARE(fileList()->count(), 0);
    QCOMPARE(m_window->queueCount(), 0u);
    QCOMPARE(wavePrefix()->text(), QString());
    QCOMPARE(outputPath()->toPlainText(), QString());
    QVERIFY(m_window->isVisible());
}

// Unticked at start; ticked, a drop tells of no concatenation, and "Make itx" writes each
// file into a folder of its own.
void TestMainWindow::tickedBoxGivesTheDetailedOutput()
{
    QCOMPARE(detailedBox()->text(), QStringLiteral("ファイル別・単位付き"));
    QVERIFY(!detailedBox()->isChecked());
    QTest::mouseClick(detailedBox(), Qt::LeftButton, {}, detailedBox()->rect().center());
    QVERIFY(detailedBox()->isChecked());
    dropFiles({m_folder->writeSquid(QStringLiteral("run1.dat"), kRun1Rows),
               m_folder->writeSquid(QStringLiteral("run2.dat"), "2.5,,300,299,1E-3,2E-6,\r\n")});
    QCOMPARE(m_notifier->notices, Said());

    QTest::mouseClick(makeItx(), Qt::LeftButton);

    // The batch's folder, named by the prefix, holds a folder per file; one notice at the
    // end tells what became of each file and where the output went.
    const std::string path = m_folder->path(QStringLiteral("run1.itx")).toStdString();
    const QByteArray output = SquidFolder::read(m_folder->path(QStringLiteral("run1.itx")));
    QVERIFY2(output.startsWith("IGOR\r\nX NewDataFolder/O/S run1\r\nX NewDataFolder/O/S run1\r\nWAVES/D\trun1_Time\t"),
             output.constData());
    QVERIFY2(output.contains("X SetDataFolder ::\r\nX NewDataFolder/O/S run2\r\n"), output.constData());
    const core::Notice summary = core::summaryNotice({{{"run1.dat", core::NoticeKind::PointsExtracted, "run1", 2},
                                                       {"run2.dat", core::NoticeKind::PointsExtracted, "run2", 1}},
                                                      false,
                                                      path});
    QCOMPARE(m_notifier->notices, Said{core::noticeLines(core::noticeDisplayText(summary))});
}

void TestMainWindow::enterInPrefixFieldSanitizesTheRun()
{
    dropFiles({m_folder->writeSquid(QStringLiteral("run1.dat"), kRun1Rows)});
    wavePrefix()->setFocus();
    wavePrefix()->selectAll();
    QTest::keyClicks(wavePrefix(), QStringLiteral("x-y"));

    press(Qt::Key_Return);

    const QByteArray output = SquidFolder::read(m_folder->path(QStringLiteral("run1.itx")));
    QVERIFY2(output.startsWith(QByteArray::fromStdString(testing::itxHeader("x_y"))), output.constData());
    QVERIFY(output.endsWith(QByteArray::fromStdString(testing::itxTrailer("x_y"))));
    QCOMPARE(m_notifier->notices, Said{testing::texts::points("run1.dat", 2)});
    QCOMPARE(wavePrefix()->text(), QString());
}

void TestMainWindow::prefixNoticeIsShownOnceWhileFocusMoves()
{
    dropFiles({m_folder->writeSquid(QStringLiteral("run1.dat"), kRun1Rows)});
    wavePrefix()->setFocus();
    wavePrefix()->selectAll();
    QTest::keyClicks(wavePrefix(), QStringLiteral("1x"));
    // A message box takes the focus from the field while it is up and gives it back after.
    m_notifier->whileOpen = [this] {
        if (wavePrefix()->hasFocus()) {
            closeButton()->setFocus();
            wavePrefix()->setFocus();
        }
    };

    press(Qt::Key_Return);

    QCOMPARE(m_notifier->notices, (Said{kPrefixFirstLetter, testing::texts::points("run1.dat", 2)}));
    const QByteArray output = SquidFolder::read(m_folder->path(QStringLiteral("run1.itx")));
    QVERIFY2(output.startsWith(QByteArray::fromStdString(testing::itxHeader("wx"))), output.constData());
    QCOMPARE(wavePrefix()->text(), QString());
}

void TestMainWindow::dropWhileANoticeIsUpIsIgnored()
{
    const QString run1 = m_folder->writeSquid(QStringLiteral("run1.dat"), kRun1Rows);
    const QString run2 = m_folder->writeSquid(QStringLiteral("run2.dat"), "7,,8,9,10,11,\r\n");
    dropFiles({run1});
    bool dropped = false;
    bool dropTaken = true;
    m_notifier->whileOpen = [&] {
        if (dropped)
            return;
        dropped = true;
        dropTaken = drop(fileList()->viewport(), {QUrl::fromLocalFile(run2)});
        QCoreApplication::processEvents();
    };

    QTest::mouseClick(makeItx(), Qt::LeftButton);

    QVERIFY(dropped);
    QVERIFY(!dropTaken);
    QCOMPARE(m_notifier->notices, Said{testing::texts::points("run1.dat", 2)});
    QTest::qWait(20);
    QCOMPARE(fileList()->count(), 0);
    QVERIFY(!SquidFolder::read(m_folder->path(QStringLiteral("run1.itx"))).contains("\t7\t"));
}

void TestMainWindow::realNoticeTakesFocusFromPrefixField()
{
    // The real boxes, each confirmed once it is up.
    testing::RecordingNotifier boxes;
    app::MessageBoxNotifier real;
    boxes.whileOpen = [&] {
        confirmSoon();
        real.notice(boxes.notices.back());
    };
    m_window = std::make_unique<app::CConverterDlg>(boxes);
    real.setOwner(m_window.get());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    wavePrefix()->setFocus();
    QTest::keyClicks(wavePrefix(), QStringLiteral("1a"));
    QVERIFY(QDir().mkdir(m_folder->path(QStringLiteral("folder"))));

    QVERIFY(drop(m_window.get(), {QUrl::fromLocalFile(m_folder->path(QStringLiteral("folder")))}));

    // The directory notice takes the focus from the field, whose sanitizer then tells its
    // own notice while the first is up, as the user sees it.
    QTRY_COMPARE(boxes.notices, (Said{kDirectory, kPrefixFirstLetter}));
    QCOMPARE(wavePrefix()->text(), QStringLiteral("wa"));
    QTRY_COMPARE(QApplication::activeModalWidget(), nullptr);
    m_window.reset();
}

void TestMainWindow::outputThatCannotBeCreatedKeepsEverything()
{
    const QString run1 = m_folder->writeSquid(QStringLiteral("run1.dat"), kRun1Rows);
    const QString run2 = m_folder->writeSquid(QStringLiteral("run2.dat"), kRun1Rows);
    dropFiles({run1, run2});
    m_notifier->notices.clear();
    const QString unreachable = m_folder->path(QStringLiteral("missing/out.itx"));
    outputPath()->setPlainText(unreachable);

    QTest::mouseClick(makeItx(), Qt::LeftButton);

    const core::Reason reason =
        within(core::ReasonKind::CannotCreate, unreachable.toStdString(), core::systemReason(ENOENT));
    QCOMPARE(m_notifier->notices, Said{testing::texts::withReason(testing::texts::kOutfileNotOpen, inJapanese(reason))});
    QVERIFY(m_window->isVisible());
    QCOMPARE(listed(fileList()), (QStringList{QStringLiteral("run1.dat"), QStringLiteral("run2.dat")}));
    QCOMPARE(queuedPaths(*m_window), (QStringList{run1, run2}));
    QCOMPARE(wavePrefix()->text(), QStringLiteral("run1"));
    QCOMPARE(outputPath()->toPlainText(), unreachable);
}

void TestMainWindow::inputThatCannotBeOpenedKeepsEverything()
{
    const QString run1 = m_folder->writeSquid(QStringLiteral("run1.dat"), kRun1Rows);
    const QString run2 = m_folder->writeSquid(QStringLiteral("run2.dat"), kRun1Rows);
    dropFiles({run1, run2});
    m_notifier->notices.clear();
    QVERIFY(QFile::remove(run2));

    QTest::mouseClick(makeItx(), Qt::LeftButton);

    QCOMPARE(m_notifier->notices,
             (Said{testing::texts::points("run1.dat", 2),
                   testing::texts::withReason(testing::texts::fileNotOpen("run2.dat"),
                                              inJapanese(within(core::ReasonKind::CannotOpen, run2.toStdString(),
                                                                core::systemReason(ENOENT))))}));
    QCOMPARE(queuedPaths(*m_window), (QStringList{run1, run2}));
    QCOMPARE(listed(fileList()), (QStringList{QStringLiteral("run1.dat"), QStringLiteral("run2.dat")}));
    QCOMPARE(wavePrefix()->text(), QStringLiteral("run1"));
    QCOMPARE(outputPath()->toPlainText(), m_folder->path(QStringLiteral("run1.itx")));
    QVERIFY(!QFile::exists(m_folder->path(QStringLiteral("run1.itx"))));
}

void TestMainWindow::readErrorShowsStopBoxAndKeepsWindow()
{
    testing::FailingReads failingDisk;
    m_window.reset();
    makeWindow(failingDisk);
    const QString run1 = m_folder->writeSquid(QStringLiteral("run1.dat"), kRun1Rows);
    const QString run2 = m_folder->writeSquid(QStringLiteral("run2.dat"), kRun1Rows);
    dropFiles({run1, run2});
    m_notifier->notices.clear();

    QTest::mouseClick(makeItx(), Qt::LeftButton);

    QCOMPARE(m_notifier->errors,
             Said{testing::texts::withReason(testing::texts::readFailure(run1.toStdString()),
                                             inJapanese(within(core::ReasonKind::ReadFailed, {},
                                                               core::systemReason(EIO))))});
    QCOMPARE(m_notifier->notices, Said());
    QVERIFY(m_window->isVisible());
    QCOMPARE(queuedPaths(*m_window), (QStringList{run1, run2}));
    QCOMPARE(listed(fileList()), (QStringList{QStringLiteral("run1.dat"), QStringLiteral("run2.dat")}));
    QCOMPARE(wavePrefix()->text(), QStringLiteral("run1"));
    QCOMPARE(outputPath()->toPlainText(), m_folder->path(QStringLiteral("run1.itx")));
    QVERIFY(!QFile::exists(m_folder->path(QStringLiteral("run1.itx"))));
    m_window.reset();  // before failingDisk goes
}

void TestMainWindow::outOfMemoryShowsStopBoxAndKeepsWindow()
{
    testing::MemoryFileSystem memory;
    memory.outOfMemory = true;
    m_window.reset();
    makeWindow(memory);
    m_window->OnDropFiles({"/d/run1.dat"});

    QTest::mouseClick(makeItx(), Qt::LeftButton);

    QCOMPARE(m_notifier->errors, Said{testing::texts::withReason(testing::texts::readFailure("/d/run1.itx"),
                                                                 std::bad_alloc().what())});
    QVERIFY(m_window->isVisible());
    QCOMPARE(listed(fileList()), QStringList{QStringLiteral("run1.dat")});
    QCOMPARE(outputPath()->toPlainText(), QStringLiteral("/d/run1.itx"));
    QVERIFY(memory.files.empty());
    m_window.reset();  // before memory goes
}

void TestMainWindow::f1OpensAboutBox()
{
    bool wasAbout = false;
    bool fits = true;
    bool isDefault = false;
    QString caption;
    QStringList texts;
    QSize iconSize;
    whenModalOpens([&](QWidget* modal) {
        auto* about = qobject_cast<app::CAboutDlg*>(modal);
        wasAbout = about != nullptr;
        if (!about) {
            modal->close();
            return;
        }
        caption = about->windowTitle();
        const QFontMetrics metrics(about->font());
        for (const char* name : {"version", "purpose"}) {
            const QLabel* label = about->findChild<QLabel*>(QString::fromLatin1(name));
            texts << label->text();
            fits = fits && metrics.horizontalAdvance(label->text()) <= label->width();
        }
        iconSize = about->findChild<QLabel*>(QStringLiteral("icon"))->pixmap().size();
        isDefault = about->okButton()->isDefault();
        QTest::mouseClick(about->okButton(), Qt::LeftButton);
    });

    press(Qt::Key_F1);  // returns once the box is closed

    QVERIFY(wasAbout);
    QCOMPARE(caption, QStringLiteral("Kivoのﾊﾞｰｼﾞｮﾝ情報"));
    QCOMPARE(texts.value(0), QStringLiteral("Kivo Version 3.0"));
    QVERIFY(!texts.value(1).isEmpty());
    QVERIFY2(fits, "a text of the About box is cut off");
    QVERIFY(isDefault);
    QCOMPARE(iconSize, QSize(32, 32));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(m_window->isVisible());
}

void TestMainWindow::contextMenuOpensAboutBox()
{
    QStringList entries;
    bool aboutOpened = false;
    // The menu is a popup with its own loop: pick the entry by its mnemonic, as a user can.
    auto* menuWatch = new QTimer(this);
    connect(menuWatch, &QTimer::timeout, this, [&, menuWatch] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        menuWatch->stop();
        for (const QAction* action : menu->actions())
            entries << action->text();
        whenModalOpens([&](QWidget* modal) {
            aboutOpened = qobject_cast<app::CAboutDlg*>(modal) != nullptr;
            if (aboutOpened)
                QTest::mouseClick(static_cast<app::CAboutDlg*>(modal)->okButton(), Qt::LeftButton);
            else
                modal->close();
        });
        QTest::keyClick(menu, Qt::Key_A);
    });
    menuWatch->start(10);

    // A right click on the window's background (here over the drop hint's text).
    auto* hint = child<QLabel>("dropHint");
    const QPoint at = hint->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, hint->mapToGlobal(at));
    QApplication::sendEvent(hint, &event);
    QTRY_VERIFY(aboutOpened);
    delete menuWatch;

    QCOMPARE(entries, QStringList{QStringLiteral("Kivo のﾊﾞｰｼﾞｮﾝ情報(&A)...")});
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(m_window->isVisible());
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
