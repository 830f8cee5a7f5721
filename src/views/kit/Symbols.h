#pragma once
// Symbols: the small monochrome pictures of the interface, asked for by their
// names ("xmark.circle.fill", "eye.slash", "star.fill", ...). Each is one of
// our own drawings (resources/icons), painted in any colour: white in a
// drawing is ink, black in a drawing cuts through the ink below it, so a
// ".fill" symbol keeps its inner mark transparent whatever its tint.
// Tinted pictures are cached per name, size, colour and pixel ratio.
#include <string_view>
#include <vector>

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRectF>

class QPainter;

namespace vantrel {

struct Symbols {
    static bool exists(std::string_view name);
    static std::vector<std::string_view> names();

    // Paints the symbol square, as large as fits, centred in `rect`. An unknown
    // name paints nothing.
    static void paint(QPainter& painter, const QRectF& rect, std::string_view name, const QColor& colour);
    // The symbol `size` logical pixels square at `devicePixelRatio`; null for an unknown name.
    static QPixmap pixmap(std::string_view name, double size, const QColor& colour, double devicePixelRatio = 1.0);
    // An icon that paints the symbol at every size it is asked for; dimmed when disabled.
    static QIcon icon(std::string_view name, const QColor& colour);
};

}  // namespace vantrel
