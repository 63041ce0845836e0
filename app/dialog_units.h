#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace kivo::app {

// The window's font: 9 point Japanese proportional Gothic where one is installed
// ("MS PGothic" on Windows, Debian's "IPAPGothic"), else the system's default at 9 point.
QFont dialogFont();

// Positions given in dialog units, turned into pixels with a font's own metrics, so that a
// layout keeps its proportions with whatever font is found.
class DialogUnits {
public:
    // Base units from the font: its average width of A-Z and a-z, and its height.
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseX, int baseY) : m_baseX(baseX), m_baseY(baseY) {}

    int baseX() const { return m_baseX; }
    int baseY() const { return m_baseY; }

    // A horizontal length: du * baseX / 4, rounded to the nearest pixel.
    int x(int du) const;
    // A vertical length: du * baseY / 8, rounded to the nearest pixel.
    int y(int du) const;
    QRect rect(int x, int y, int width, int height) const;
    QSize size(int width, int height) const;

private:
    int m_baseX;
    int m_baseY;
};

} // namespace kivo::app
