#pragma once
// Paints one filmstrip cell: the thumbnail (or the dark placeholder with the
// photo symbol), dimmed for a rejected frame; the border and glow of its
// state; the check box and, on the selected cell, the master badge; the 16-bit
// badge and the recipe dot; the rating, the colour label and the flag; and the
// title under it.
//
// Antialiased shapes cost far more to fill and stroke than a small picture
// costs to copy, so every mark is painted once per look (and pixel ratio) into
// a small picture and copied from then on. Thumbnails are drawn from rounded
// copies made once per picture, kept in a cache of bounded size, so the strip's
// memory follows the pictures it has shown, not the number of frames.
#include <functional>
#include <unordered_map>

#include <QCache>
#include <QFont>
#include <QPixmap>
#include <QString>

#include "views/canvas/FilmstripCell.h"
#include "views/canvas/FilmstripLayout.h"

class QPainter;

namespace vantrel {

class FilmstripPainter {
public:
    FilmstripPainter();

    struct State {
        bool selected = false;
        bool checked = false;
    };

    // Paints `cell` as row `row` of `layout`; the painter is in content coordinates.
    void paint(QPainter& painter, const filmstrip::Layout& layout, int row, const FilmstripCell& cell, State state);

    // The localised master badge text; set once per paint, not per cell.
    void setMasterText(const QString& text);
    // The title as drawn in a cell's width (elided in the middle when long).
    QString shownTitle(const QString& title, bool selected) const;
    double titleHeight() const;

    // The rounded, filled copy of a thumbnail a cell draws (aspect fill, cropped).
    QPixmap picture(const QImage& thumbnail, double devicePixelRatio);
    int cachedPictures() const { return int(pictures_.size()); }

    // Where the recipe dot's tooltip answers in a cell of `layout`.
    static QRectF recipeDotArea(const filmstrip::Layout& layout, int row);

private:
    enum class Mark { border, placeholder, checkBox, master, bits, recipe, rating, label, flag };

    // Copies the mark's picture with its top left at `topLeft` (snapped to whole
    // pixels), painting it first when this look is new.
    void stamp(QPainter& painter, Mark mark, int variant, const QPointF& topLeft, const QSizeF& size,
               const std::function<void(QPainter&, const QRectF&)>& paint);

    void paintTopLeading(QPainter& painter, const QRectF& block, const QRectF& checkBox, const FilmstripCell& cell,
                         State state);
    // How much of the top edge the 16-bit badge and the recipe dot take.
    double topTrailingWidth(const FilmstripCell& cell) const;
    void paintTopTrailing(QPainter& painter, const QRectF& block, const FilmstripCell& cell);
    void paintBottom(QPainter& painter, const QRectF& block, const FilmstripCell& cell);

    QFont titleFont_;
    QFont titleBoldFont_;
    QFont badgeFont_;
    QString master_;
    int masterVariant_ = 0;
    QCache<std::pair<qint64, int>, QPixmap> pictures_;
    std::unordered_map<quint64, QPixmap> marks_;
};

}  // namespace vantrel
