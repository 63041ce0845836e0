#include "app/converter_dlg.h"

#include "app/about_dlg.h"
#include "app/app_icon.h"
#include "app/dialog_units.h"
#include "app/native_text.h"
#include "app/output_path_edit.h"
#include "app/wave_prefix_edit.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

namespace kivo::app {

namespace {

// The local files of a drag, in the order it lists them. Anything else (web links, files
// of other machines) is not a file Kivo can read and is left out.
std::vector<std::string> localPaths(const QMimeData* data)
{
    std::vector<std::string> paths;
    if (data == nullptr || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.push_back(toNative(QDir::cleanPath(url.toLocalFile())));
    }
    return paths;
}

QLabel* staticText(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

CConverterDlg::CConverterDlg(intake::Notifier& notifier, core::FileSystem& files, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_logic(*this, notifier, files)
{
    setWindowTitle(QStringLiteral("Kivo"));
    setWindowIcon(applicationIcon());
    setFont(dialogFont());
    setAcceptDrops(true);
    const DialogUnits du(font());
    setFixedSize(du.size(179, 137));

    // Created in the order a user tabs through them: Qt's tab order is creation order.
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_ok->setGeometry(du.rect(122, 36, 50, 14));
    m_ok->hide();
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_close->setObjectName(QStringLiteral("close"));
    m_close->setGeometry(du.rect(123, 71, 49, 14));
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    QLabel* dropHint = staticText(QStringLiteral("ここにSQUIDデータファイルをドロップしてください。"), this);
    dropHint->setObjectName(QStringLiteral("dropHint"));
    dropHint->setGeometry(du.rect(7, 7, 165, 8));

    m_fileList = new QListWidget(this);
    m_fileList->setObjectName(QStringLiteral("fileList"));
    m_fileList->setGeometry(du.rect(7, 18, 108, 67));
    m_fileList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fileList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fileList->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_fileList->setAcceptDrops(false);

    m_makeItx = new QPushButton(QStringLiteral("Make itx"), this);
    m_makeItx->setObjectName(QStringLiteral("makeItx"));
    m_makeItx->setGeometry(du.rect(122, 52, 50, 14));
    m_makeItx->setDefault(true);
    connect(m_makeItx, &QPushButton::clicked, this, &CConverterDlg::OnMakeItx);

    m_wavePrefix = new WavePrefixEdit(this);
    m_wavePrefix->setObjectName(QStringLiteral("wavePrefix"));
    m_wavePrefix->setGeometry(du.rect(121, 29, 51, 14));
    connect(m_wavePrefix, &WavePrefixEdit::focusLost, this, &CConverterDlg::OnKillFocusWavePrefix);

    QLabel* prefixLabel = staticText(QStringLiteral("ウェーブ・ヘッダ"), this);
    prefixLabel->setObjectName(QStringLiteral("wavePrefixLabel"));
    prefixLabel->setGeometry(du.rect(122, 20, 50, 8));

    m_outputPath = new OutputPathEdit(this);
    m_outputPath->setObjectName(QStringLiteral("outputPath"));
    m_outputPath->setGeometry(du.rect(7, 102, 165, 28));

    QLabel* outputLabel = staticText(QStringLiteral("出力ファイル名"), this);
    outputLabel->setObjectName(QStringLiteral("outputPathLabel"));
    outputLabel->setGeometry(du.rect(7, 91, 67, 8));

    // Last in the tab order, unticked at start: Kivo keeps no settings between runs.
    m_detailed = new QCheckBox(QStringLiteral("ファイル別・単位付き"), this);
    m_detailed->setObjectName(QStringLiteral("detailed"));
    m_detailed->setGeometry(du.rect(76, 89, 96, 10));

    // The window manager's window menu cannot take entries of ours, so the About entry
    // lives on the window's own context menu, and F1 reaches it from the keyboard.
    m_about = new QAction(QStringLiteral("Kivo のﾊﾞｰｼﾞｮﾝ情報(&A)..."), this);
    m_about->setObjectName(QStringLiteral("about"));
    m_about->setShortcut(QKeySequence(Qt::Key_F1));
    connect(m_about, &QAction::triggered, this, &CConverterDlg::OnAppAbout);
    addAction(m_about);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    // Without this QDialog would start on the default button, "Make itx"; the first
    // control that takes the focus is "Close", so that a stray Enter closes.
    m_close->setFocus();
}

CConverterDlg::~CConverterDlg()
{
    // QDialog hides the window as it goes, which takes the focus from the prefix field;
    // by then this object is only a QDialog and must not hear of it.
    disconnect(m_wavePrefix, nullptr, this, nullptr);
}

void CConverterDlg::done(int result)
{
    // Closing takes the focus from the prefix field too.
    m_logic.setClosing(true);
    QDialog::done(result);
}

void CConverterDlg::showEvent(QShowEvent* event)
{
    m_logic.setClosing(false);
    QDialog::showEvent(event);
}

void CConverterDlg::OnDropFiles(const std::vector<std::string>& paths)
{
    m_logic.OnDropFiles(paths);
}

void CConverterDlg::OnMakeItx()
{
    m_logic.OnMakeItx();
}

void CConverterDlg::OnKillFocusWavePrefix()
{
    m_logic.OnKillFocusWavePrefix();
}

void CConverterDlg::OnAppAbout()
{
    CAboutDlg about(this);
    about.exec();
}

std::size_t CConverterDlg::queueCount() const { return m_queue.count(); }

core::QueueEntry CConverterDlg::queueFront() const { return m_queue.front(); }

core::QueueEntry CConverterDlg::queueEntry(std::size_t index) const { return m_queue.at(index); }

void CConverterDlg::queueRemoveFront()
{
    m_queue.removeFront();
    delete m_fileList->takeItem(0);
}

void CConverterDlg::queueAppend(core::QueueEntry entry)
{
    m_fileList->addItem(fromNative(entry.displayName));
    m_queue.append(std::move(entry));
}

std::string CConverterDlg::fieldText(intake::Field field) const
{
    if (field == intake::Field::WavePrefix)
        return toNative(m_wavePrefix->text());
    return toNative(m_outputPath->toPlainText());
}

void CConverterDlg::setFieldText(intake::Field field, const std::string& text)
{
    if (field == intake::Field::OutputPath) {
        m_outputPath->setPlainText(fromNative(text));
        return;
    }
    // A new text shows from its start, as an edit control shows it, not scrolled to its end.
    m_wavePrefix->setText(fromNative(text));
    m_wavePrefix->setCursorPosition(0);
}

bool CConverterDlg::detailedTicked() const
{
    return m_detailed->isChecked();
}

void CConverterDlg::focusMakeItx()
{
    m_makeItx->setFocus();
}

void CConverterDlg::dragEnterEvent(QDragEnterEvent* event)
{
    if (!m_logic.busy() && !localPaths(event->mimeData()).empty())
        event->acceptProposedAction();
}

void CConverterDlg::dragMoveEvent(QDragMoveEvent* event)
{
    if (!m_logic.busy() && !localPaths(event->mimeData()).empty())
        event->acceptProposedAction();
}

void CConverterDlg::dropEvent(QDropEvent* event)
{
    const std::vector<std::string> paths = localPaths(event->mimeData());
    if (paths.empty())
        return;
    event->acceptProposedAction();
    // Taken in once the drop has finished: the notices of the intake are modal, and the
    // file manager that started the drag waits for the drop's end until they close.
    QMetaObject::invokeMethod(this, [this, paths] { OnDropFiles(paths); }, Qt::QueuedConnection);
}

} // namespace kivo::app
