#include "app/dialog_units.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QStringList>

namespace kivo::app {

namespace {

// Rounds halves up, as the dialog manager's MulDiv does for these positive values.
int scale(int du, int base, int divisor)
{
    return (du * base + divisor / 2) / divisor;
}

} // namespace

QFont dialogFont()
{
    // Both spellings of each family: fontconfig may list a font under its localized name.
    static const QStringList candidates = {
        QStringLiteral("MS PGothic"), QStringLiteral("ＭＳ Ｐゴシック"),
        QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"),
    };
    for (const QString& family : candidates) {
        if (QFontDatabase::hasFamily(family))
            return QFont(family, 9);
    }
    QFont font = QGuiApplication::font();
    font.setPointSize(9);
    return font;
}

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = (letters / 26 + 1) / 2;  // the average of 52 widths, rounded
    m_baseY = metrics.height();
}

int DialogUnits::x(int du) const { return scale(du, m_baseX, 4); }

int DialogUnits::y(int du) const { return scale(du, m_baseY, 8); }

QRect DialogUnits::rect(int x0, int y0, int width, int height) const
{
    return QRect(x(x0), y(y0), x(width), y(height));
}

QSize DialogUnits::size(int width, int height) const { return QSize(x(width), y(height)); }

} // namespace kivo::app
