#include "views/kit/StandardColors.h"

#include <array>
#include <cstdint>

#include <QChar>
#include <QString>
#include <QWidget>

#include "views/kit/DarkroomTheme.h"

namespace vantrel {

namespace {

QColor rgb(int r, int g, int b, double a = 1.0) { return QColor::fromRgbF(float(r / 255.0), float(g / 255.0), float(b / 255.0), float(a)); }

const std::array<QColor, 14>& table() {
    // Hues tuned to read clearly on the dark greys of the interface.
    static const std::array<QColor, 14> colours{
        DarkroomTheme::accent(),  // Accent
        rgb(242, 76, 64),         // Red
        rgb(250, 150, 35),        // Orange
        rgb(250, 208, 40),        // Yellow
        rgb(64, 200, 100),        // Green
        rgb(30, 125, 250),        // Blue
        rgb(90, 196, 235),        // Cyan
        rgb(182, 96, 228),        // Purple
        rgb(140, 140, 146),       // Grey
        rgb(255, 255, 255),       // White
        rgb(0, 0, 0),             // Black
        rgb(255, 255, 255, 0.86), // PrimaryText
        rgb(255, 255, 255, 0.55), // SecondaryText
        rgb(255, 255, 255, 0.28), // TertiaryText
    };
    return colours;
}

bool isLetterOrDigit(uint c) { return QChar::isLetterOrNumber(char32_t(c)) || QChar::isMark(char32_t(c)); }

int hexDigit(uint u) {
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

}  // namespace

QColor standardColor(StandardColor colour, double opacity) {
    QColor c = table()[std::size_t(colour)];
    c.setAlphaF(float(c.alphaF() * opacity));
    return c;
}

QColor whiteAt(double opacity) { return QColor::fromRgbF(1, 1, 1, float(opacity)); }
QColor blackAt(double opacity) { return QColor::fromRgbF(0, 0, 0, float(opacity)); }

QColor colorFromHex(std::string_view text) {
    // By code point, so a letter outside the basic plane (two UTF-16 units) is kept whole.
    const QList<uint> s = QString::fromUtf8(text.data(), qsizetype(text.size())).toUcs4();
    qsizetype begin = 0, end = s.size();
    while (begin < end && !isLetterOrDigit(s[begin])) ++begin;
    while (end > begin && !isLetterOrDigit(s[end - 1])) --end;
    qsizetype i = begin;
    if (end - i >= 2 && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) i += 2;
    std::uint64_t value = 0;
    bool anyDigit = false, overflow = false;
    for (; i < end; ++i) {
        const int d = hexDigit(s[i]);
        if (d < 0) break;
        anyDigit = true;
        if (value > (UINT64_MAX >> 4)) overflow = true;
        value = (value << 4) | std::uint64_t(d);
    }
    if (!anyDigit) return QColor::fromRgbF(0.5f, 0.5f, 0.5f, 1.0f);
    if (overflow) value = UINT64_MAX;
    return QColor::fromRgbF(float(((value >> 16) & 0xFF) / 255.0), float(((value >> 8) & 0xFF) / 255.0),
                            float((value & 0xFF) / 255.0), 1.0f);
}

void setPaletteColour(QWidget& widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(role, colour);
    widget.setPalette(palette);
}

}  // namespace vantrel
