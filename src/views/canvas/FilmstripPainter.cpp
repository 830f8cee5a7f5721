#include "views/canvas/FilmstripPainter.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QPainter>

#include "model/PhotoCullingRecord.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Symbols.h"

namespace vantrel {

using namespace filmstrip;

namespace {

constexpr double kRejectedOpacity = 0.38;
constexpr double kBadgeFontSize = 8;
constexpr double kPlaceholderSymbol = 18;
constexpr double kCheckSymbol = 15;   // a 13-point symbol's ink
constexpr double kCheckBacking = 15;
constexpr double kSmallSymbol = 8;    // a 7-point symbol's ink
constexpr double kDot = 6;
constexpr double kGlowRadius = 2.5;
// About 450 cells' pictures at 1x: enough for several screens of scrolling.
constexpr int kPictureCacheCost = 2'000'000;

// A text on a rounded fill, as the strip's badges are.
void paintBadge(QPainter& painter, const QRectF& rect, double radius, const QColor& fill) {
    painter.fillPath(roundedRect(rect, radius), fill);
}

}  // namespace

FilmstripPainter::FilmstripPainter()
    : titleFont_(pixelFont(kTitleFontSize)), titleBoldFont_(pixelFont(kTitleFontSize, QFont::Bold)),
      badgeFont_(pixelFont(kBadgeFontSize, QFont::Bold)), pictures_(kPictureCacheCost) {}

double FilmstripPainter::titleHeight() const {
    return std::ceil(std::max(QFontMetricsF(titleFont_).height(), QFontMetricsF(titleBoldFont_).height()));
}

QString FilmstripPainter::shownTitle(const QString& title, bool selected) const {
    return QFontMetricsF(selected ? titleBoldFont_ : titleFont_).elidedText(title, Qt::ElideMiddle, kCellWidth);
}

QPixmap FilmstripPainter::picture(const QImage& thumbnail, double devicePixelRatio) {
    const std::pair<qint64, int> key{thumbnail.cacheKey(), int(std::lround(devicePixelRatio * 100))};
    if (const QPixmap* cached = pictures_.object(key)) return *cached;
    const int pw = int(std::ceil(kCellWidth * devicePixelRatio));
    const int ph = int(std::ceil(kThumbnailHeight * devicePixelRatio));
    // Fill the block, keeping the picture's aspect: the middle of the longer side is kept.
    const double scale = std::max(double(pw) / thumbnail.width(), double(ph) / thumbnail.height());
    const QSizeF source(pw / scale, ph / scale);
    const QRect crop(QPointF((thumbnail.width() - source.width()) / 2, (thumbnail.height() - source.height()) / 2)
                         .toPoint(),
                     source.toSize());
    const QImage scaled = thumbnail.copy(crop).scaled(pw, ph, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage rounded(pw, ph, QImage::Format_ARGB32_Premultiplied);
    rounded.fill(Qt::transparent);
    {
        QPainter painter(&rounded);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(scaled);
        painter.drawPath(roundedRect(QRectF(0, 0, pw, ph), kCornerRadius * devicePixelRatio));
    }
    QPixmap result = QPixmap::fromImage(std::move(rounded));
    result.setDevicePixelRatio(devicePixelRatio);
    pictures_.insert(key, new QPixmap(result), pw * ph);
    return result;
}

QRectF FilmstripPainter::recipeDotArea(const Layout& layout, int row) {
    const QRectF block = layout.thumbnailRect(row);
    return {block.right() - 16, block.top(), 16, 18};
}

void FilmstripPainter::paint(QPainter& painter, const Layout& layout, int row, const FilmstripCell& cell, State state) {
    const QRectF block = layout.thumbnailRect(row);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    if (state.selected) {
        // Drawn at the origin, so that every cell's glow is the same cached shadow.
        painter.save();
        painter.translate(block.topLeft());
        paintSoftShadow(painter, roundedRect(QRectF(QPointF(), block.size()), kCornerRadius),
                        standardColor(StandardColor::Accent, 0.4), kGlowRadius);
        painter.restore();
    }
    paintPicture(painter, block, cell);

    QColor border = whiteAt(0.12);
    double width = 1;
    if (state.selected) {
        border = standardColor(StandardColor::Accent);
        width = 2;
    } else if (state.checked) {
        border = standardColor(StandardColor::Accent, 0.7);
        width = 1.5;
    }
    painter.strokePath(roundedRect(block, kCornerRadius), solidPen(border, width));

    paintTopLeading(painter, block, layout.checkBoxRect(row), cell, state);
    paintTopTrailing(painter, block, cell);
    paintBottom(painter, block, cell);

    painter.setFont(state.selected ? titleBoldFont_ : titleFont_);
    painter.setPen(standardColor(state.selected ? StandardColor::PrimaryText : StandardColor::SecondaryText));
    painter.drawText(layout.titleRect(row), Qt::AlignHCenter | Qt::AlignVCenter,
                     shownTitle(QString::fromStdString(cell.title), state.selected));
}

void FilmstripPainter::paintPicture(QPainter& painter, const QRectF& block, const FilmstripCell& cell) {
    painter.save();
    if (cell.pickStatus == PickStatus::rejected) painter.setOpacity(kRejectedOpacity);
    if (!cell.thumbnail.isNull() && cell.thumbnail.width() > 0 && cell.thumbnail.height() > 0) {
        painter.drawPixmap(block.topLeft(), picture(cell.thumbnail, painter.device()->devicePixelRatioF()));
    } else {
        painter.fillPath(roundedRect(block, kCornerRadius), blackAt(0.3));
        const QRectF symbol(block.center() - QPointF(kPlaceholderSymbol, kPlaceholderSymbol) / 2,
                            QSizeF(kPlaceholderSymbol, kPlaceholderSymbol));
        Symbols::paint(painter, symbol, "photo", standardColor(StandardColor::SecondaryText));
    }
    painter.restore();
}

void FilmstripPainter::paintTopLeading(QPainter& painter, const QRectF& block, const QRectF& checkBox,
                                       const FilmstripCell& cell, State state) {
    const QPointF centre = checkBox.center();
    QPainterPath backing;
    backing.addEllipse(centre, kCheckBacking / 2, kCheckBacking / 2);
    painter.fillPath(backing, blackAt(0.65));
    const QRectF mark(centre - QPointF(kCheckSymbol, kCheckSymbol) / 2, QSizeF(kCheckSymbol, kCheckSymbol));
    if (state.checked)
        Symbols::paint(painter, mark, "checkmark.circle.fill", standardColor(StandardColor::Accent));
    else
        Symbols::paint(painter, mark, "circle", whiteAt(0.85));

    if (!state.selected || master_.isEmpty()) return;
    const QFontMetricsF metrics(badgeFont_);
    const QSizeF size(metrics.horizontalAdvance(master_) + 7, metrics.height() + 3);
    QRectF badge(QPointF(checkBox.right() + 3, centre.y() - size.height() / 2), size);
    // Beside the check box unless the badges of the top right need that room:
    // then on its own line under the check box, never under another badge.
    if (badge.right() + 3 > block.right() - 3 - topTrailingWidth(cell))
        badge.moveTopLeft(QPointF(block.left() + 3, checkBox.bottom() + 1));
    paintBadge(painter, badge, 3, standardColor(StandardColor::Accent, 0.9));
    painter.setFont(badgeFont_);
    painter.setPen(Qt::white);
    painter.drawText(badge, Qt::AlignCenter, master_);
}

double FilmstripPainter::topTrailingWidth(const FilmstripCell& cell) const {
    double width = 0;
    if (cell.hasEdits) width += kDot;
    if (cell.is16Bit) width += (width > 0 ? 3 : 0) + QFontMetricsF(badgeFont_).horizontalAdvance(QStringLiteral("16b")) + 6;
    return width;
}

void FilmstripPainter::paintTopTrailing(QPainter& painter, const QRectF& block, const FilmstripCell& cell) {
    if (!cell.is16Bit && !cell.hasEdits) return;
    const QFontMetricsF metrics(badgeFont_);
    const QString bits = QStringLiteral("16b");
    const QSizeF badgeSize(metrics.horizontalAdvance(bits) + 6, metrics.height() + 2);
    const double rowHeight = cell.is16Bit ? badgeSize.height() : kDot;
    const double middle = block.top() + 3 + rowHeight / 2;
    double right = block.right() - 3;
    if (cell.hasEdits) {
        QPainterPath dot;
        dot.addEllipse(QPointF(right - kDot / 2, middle), kDot / 2, kDot / 2);
        painter.fillPath(dot, standardColor(StandardColor::Orange));
        right -= kDot + 3;
    }
    if (cell.is16Bit) {
        const QRectF badge(QPointF(right - badgeSize.width(), middle - badgeSize.height() / 2), badgeSize);
        paintBadge(painter, badge, 2, standardColor(StandardColor::Purple, 0.85));
        painter.setFont(badgeFont_);
        painter.setPen(Qt::white);
        painter.drawText(badge, Qt::AlignCenter, bits);
    }
}

void FilmstripPainter::paintBottom(QPainter& painter, const QRectF& block, const FilmstripCell& cell) {
    const QFontMetricsF metrics(badgeFont_);
    const QString number = cell.rating >= 2 ? QString::number(cell.rating) : QString();
    const double numberWidth = number.isEmpty() ? 0 : 1 + metrics.horizontalAdvance(number);
    const QSizeF ratingSize(3 + kSmallSymbol + numberWidth + 3, std::max(kSmallSymbol, metrics.height()) + 2);
    const bool picked = cell.pickStatus == PickStatus::picked;
    const double flagSide = (picked ? kSmallSymbol : 7) + 4;
    // The row's items share one middle line, as a centred row lays them out.
    double rowHeight = 0;
    if (cell.rating >= 1) rowHeight = ratingSize.height();
    if (cell.colorLabel != ColorLabel::none) rowHeight = std::max(rowHeight, kDot + 2);
    if (cell.pickStatus != PickStatus::unflagged) rowHeight = std::max(rowHeight, flagSide);
    const double middle = block.bottom() - 3 - rowHeight / 2;

    double left = block.left() + 3;
    if (cell.rating >= 1) {
        const QRectF badge(QPointF(left, middle - ratingSize.height() / 2), ratingSize);
        paintBadge(painter, badge, 2, blackAt(0.75));
        const QRectF star(badge.left() + 3, middle - kSmallSymbol / 2, kSmallSymbol, kSmallSymbol);
        Symbols::paint(painter, star, "star.fill", standardColor(StandardColor::Yellow));
        if (!number.isEmpty()) {
            painter.setFont(badgeFont_);
            painter.setPen(standardColor(StandardColor::Yellow));
            painter.drawText(QRectF(star.right() + 1, badge.top(), numberWidth, badge.height()), Qt::AlignVCenter,
                             number);
        }
        left = badge.right() + 3;
    }
    if (cell.colorLabel != ColorLabel::none) {
        const QPointF centre(left + kDot / 2 + 1, middle);
        QPainterPath backing, dot;
        backing.addEllipse(centre, kDot / 2 + 1, kDot / 2 + 1);
        dot.addEllipse(centre, kDot / 2, kDot / 2);
        painter.fillPath(backing, blackAt(0.6));
        painter.fillPath(dot, colorFromHex(colorHex(cell.colorLabel)));
    }
    if (cell.pickStatus == PickStatus::unflagged) return;
    const QRectF badge(block.right() - 3 - flagSide, middle - flagSide / 2, flagSide, flagSide);
    QPainterPath circle;
    circle.addEllipse(badge);
    painter.fillPath(circle, picked ? standardColor(StandardColor::Accent) : blackAt(0.75));
    Symbols::paint(painter, badge.adjusted(2, 2, -2, -2), picked ? "flag.fill" : "xmark",
                   picked ? QColor(Qt::white) : standardColor(StandardColor::Red));
}

}  // namespace vantrel
