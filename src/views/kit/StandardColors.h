#pragma once
// The standard named colours of the views (accent, red, orange, ...) and the
// text colours, each as one table entry; the views use them at the opacities
// their designs fix. Kept apart from DarkroomTheme's surface greys.
#include <string_view>

#include <QColor>
#include <QPalette>

class QWidget;

namespace vantrel {

enum class StandardColor {
    Accent,
    Red,
    Orange,
    Yellow,
    Green,
    Blue,
    Cyan,
    Purple,
    Grey,
    White,
    Black,
    PrimaryText,    // white at an opacity: titles, values
    SecondaryText,  // white at a lower opacity: captions, idle symbols
    TertiaryText,   // placeholders, disabled marks
};

// The colour with its own opacity multiplied by `opacity`.
QColor standardColor(StandardColor colour, double opacity = 1.0);

// White or black at an opacity: the translucent fills and strokes of boxes and chips.
QColor whiteAt(double opacity);
QColor blackAt(double opacity);

// An opaque sRGB colour from hexadecimal text such as "#FF9500": leading and
// trailing characters that are not letters or digits are dropped, an optional
// 0x prefix is read, digits are read up to the first other character, and the
// low 24 bits give red, green and blue. Text without a digit gives grey 0.5.
QColor colorFromHex(std::string_view text);

// Sets one colour role of the widget's own palette (its text colour, its fill).
void setPaletteColour(QWidget& widget, QPalette::ColorRole role, const QColor& colour);

}  // namespace vantrel
