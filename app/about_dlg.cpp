#include "app/about_dlg.h"

#include "app/app_icon.h"
#include "app/dialog_units.h"
#include "kivo/version.h"

#include <QLabel>
#include <QPushButton>

namespace kivo::app {

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Kivoのﾊﾞｰｼﾞｮﾝ情報"));
    setFont(dialogFont());
    const DialogUnits du(font());
    setFixedSize(du.size(235, 55));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(applicationIcon().pixmap(32, 32));
    // An icon control takes the size of its icon, not of dialog units.
    icon->setGeometry(du.x(11), du.y(17), 32, 32);

    auto* version = new QLabel(QStringLiteral("Kivo Version " KIVO_VERSION_STRING), this);
    version->setObjectName(QStringLiteral("version"));
    version->setTextFormat(Qt::PlainText);
    version->setGeometry(du.rect(40, 10, 119, 8));

    auto* purpose = new QLabel(QStringLiteral("SQUIDデータ → Igor Text 変換"), this);
    purpose->setObjectName(QStringLiteral("purpose"));
    purpose->setTextFormat(Qt::PlainText);
    purpose->setGeometry(du.rect(40, 25, 119, 8));

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_ok->setGeometry(du.rect(178, 7, 50, 14));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace kivo::app
