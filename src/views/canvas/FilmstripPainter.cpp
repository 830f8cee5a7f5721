#include "views/canvas/FilmstripPainter.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QPainter>
#include <QPaintDevice>

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
constexpr double kCheckSymbol = 15;  // a 13-point symbol's ink
constexpr double kCheckBacking = 15;
constexpr double kSmallSymbol = 8;   // a 7-point symbol's ink
constexpr double kDot = 6;
constexpr double kGlowRadius = 2.5;
constexpr double kMarkMargin = 3;    // room around a mark for its antialiased edge and stroke
// About 450 cells' pictures at 1x: enough for several screens of scrolling.
constexpr int kPictureCacheCost = 2'000'000;

QFontMetricsF metricsOf(const QFont& font) { return QFontMetricsF(font); }

void fillCircle(QPainter& painter, const QRectF& rect, const QColor& colour) {
    QPainterPath circle;
    circle.addEllipse(rect);
    painter.fillPath(circle, colour);
}

}  // namespace

FilmstripPainter::FilmstripPainter()
    : titleFont_(pixelFont(kTitleFontSize)), titleBoldFont_(pixelFont(kTitleFontSize, QFont::Bold)),
      badgeFont_(pixelFont(kBadgeFontSize, QFont::Bold)), pictures_(kPictureCacheCost) {}

void FilmstripPainter::setMasterText(const QString& text) {
    if (text == master_) return;
    master_ = text;
    ++masterVariant_;  // a new language: a new badge, and the old one goes
    std::erase_if(marks_, [](const auto& entry) { return (entry.first >> 56) == quint64(Mark::master); });
}

double FilmstripPainter::titleHeight() const {
    return std::ceil(std::max(metricsOf(titleFont_).height(), metricsOf(titleBoldFont_).height()));
}

QString FilmstripPainter::shownTitle(const QString& title, bool selected) const {
    return metricsOf(selected ? titleBoldFont_ : titleFont_).elidedText(title, Qt::ElideMiddle, kCellWidth);
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

void FilmstripPainter::stamp(QPainter& painter, Mark mark, int variant, const QPointF& topLeft, const QSizeF& size,
                             const std::function<void(QPainter&, const QRectF&)>& paint) {
    const double dpr = painter.device()->devicePixelRatioF();
    const quint64 key = (quint64(mark) << 56) | (quint64(std::lround(dpr * 100)) << 40) | quint64(quint32(variant));
    auto found = marks_.find(key);
    if (found == marks_.end()) {
        const QSizeF whole = size + QSizeF(2 * kMarkMargin, 2 * kMarkMargin);
        QImage image((whole * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::transparent);
        {
            QPainter local(&image);
            local.setRenderHint(QPainter::Antialiasing);
            local.setRenderHint(QPainter::SmoothPixmapTransform);
            paint(local, QRectF(QPointF(kMarkMargin, kMarkMargin), size));
        }
        found = marks_.emplace(key, QPixmap::fromImage(std::move(image))).first;
    }
    const QPointF at(std::round(topLeft.x() - kMarkMargin), std::round(topLeft.y() - kMarkMargin));
    painter.drawPixmap(at, found->second);
}

void FilmstripPainter::paint(QPainter& painter, const Layout& layout, int row, const FilmstripCell& cell, State state) {
    const QRectF block = layout.thumbnailRect(row);

    if (state.selected) {
        // Drawn at the origin, so that every cell's glow is the same cached shadow.
        painter.save();
        painter.translate(block.topLeft());
        paintSoftShadow(painter, roundedRect(QRectF(QPointF(), block.size()), kCornerRadius),
                        standardColor(StandardColor::Accent, 0.4), kGlowRadius);
        painter.restore();
    }

    // The picture, dimmed alone for a rejected frame.
    const bool rejected = cell.pickStatus == PickStatus::rejected;
    if (rejected) painter.setOpacity(kRejectedOpacity);
    if (!cell.thumbnail.isNull() && cell.thumbnail.width() > 0 && cell.thumbnail.height() > 0) {
        painter.drawPixmap(block.topLeft(), picture(cell.thumbnail, painter.device()->devicePixelRatioF()));
    } else {
        stamp(painter, Mark::placeholder, 0, block.topLeft(), block.size(), [](QPainter& p, const QRectF& r) {
            p.fillPath(roundedRect(r, kCornerRadius), blackAt(0.3));
            const QRectF symbol(r.center() - QPointF(kPlaceholderSymbol, kPlaceholderSymbol) / 2,
                                QSizeF(kPlaceholderSymbol, kPlaceholderSymbol));
            Symbols::paint(p, symbol, "photo", standardColor(StandardColor::SecondaryText));
        });
    }
    if (rejected) painter.setOpacity(1);

    const int look = state.selected ? 2 : state.checked ? 1 : 0;
    stamp(painter, Mark::border, look, block.topLeft(), block.size(), [look](QPainter& p, const QRectF& r) {
        const QColor colour = look == 2   ? standardColor(StandardColor::Accent)
                              : look == 1 ? standardColor(StandardColor::Accent, 0.7)
                                          : whiteAt(0.12);
        p.strokePath(roundedRect(r, kCornerRadius), solidPen(colour, look == 2 ? 2 : look == 1 ? 1.5 : 1));
    });

    paintTopLeading(painter, block, layout.checkBoxRect(row), cell, state);
    paintTopTrailing(painter, block, cell);
    paintBottom(painter, block, cell);

    const QFont& font = state.selected ? titleBoldFont_ : titleFont_;
    const QString title = shownTitle(QString::fromStdString(cell.title), state.selected);
    const QFontMetricsF metrics(font);
    const QRectF place = layout.titleRect(row);
    painter.setFont(font);
    painter.setPen(standardColor(state.selected ? StandardColor::PrimaryText : StandardColor::SecondaryText));
    const double baseline = place.top() + (place.height() - metrics.height()) / 2 + metrics.ascent();
    painter.drawText(QPointF(place.left() + (place.width() - metrics.horizontalAdvance(title)) / 2, baseline), title);
}

void FilmstripPainter::paintTopLeading(QPainter& painter, const QRectF& block, const QRectF& checkBox,
                                       const FilmstripCell& cell, State state) {
    stamp(painter, Mark::checkBox, state.checked ? 1 : 0, checkBox.topLeft(), checkBox.size(),
          [checked = state.checked](QPainter& p, const QRectF& r) {
              const QPointF centre = r.center();
              fillCircle(p, QRectF(centre - QPointF(kCheckBacking, kCheckBacking) / 2, QSizeF(kCheckBacking, kCheckBacking)),
                         blackAt(0.65));
              const QRectF mark(centre - QPointF(kCheckSymbol, kCheckSymbol) / 2, QSizeF(kCheckSymbol, kCheckSymbol));
              if (checked)
                  Symbols::paint(p, mark, "checkmark.circle.fill", standardColor(StandardColor::Accent));
              else
                  Symbols::paint(p, mark, "circle", whiteAt(0.85));
          });

    if (!state.selected || master_.isEmpty()) return;
    const QFontMetricsF metrics(badgeFont_);
    const QSizeF size(metrics.horizontalAdvance(master_) + 7, metrics.height() + 3);
    QRectF badge(QPointF(checkBox.right() + 3, checkBox.center().y() - size.height() / 2), size);
    // Beside the check box unless the badges of the top right need that room:
    // then on its own line under the check box, never under another badge.
    if (badge.right() + 3 > block.right() - 3 - topTrailingWidth(cell))
        badge.moveTopLeft(QPointF(block.left() + 3, checkBox.bottom() + 1));
    stamp(painter, Mark::master, masterVariant_, badge.topLeft(), size, [this](QPainter& p, const QRectF& r) {
        p.fillPath(roundedRect(r, 3), standardColor(StandardColor::Accent, 0.9));
        p.setFont(badgeFont_);
        p.setPen(Qt::white);
        p.drawText(r, Qt::AlignCenter, master_);
    });
}

double FilmstripPainter::topTrailingWidth(const FilmstripCell& cell) const {
    double width = 0;
    if (cell.hasEdits) width += kDot;
    if (cell.is16Bit) width += (width > 0 ? 3 : 0) + metricsOf(badgeFont_).horizontalAdvance(QStringLiteral("16b")) + 6;
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
        stamp(painter, Mark::recipe, 0, QPointF(right - kDot, middle - kDot / 2), QSizeF(kDot, kDot),
              [](QPainter& p, const QRectF& r) { fillCircle(p, r, standardColor(StandardColor::Orange)); });
        right -= kDot + 3;
    }
    if (cell.is16Bit) {
        stamp(painter, Mark::bits, 0, QPointF(right - badgeSize.width(), middle - badgeSize.height() / 2), badgeSize,
              [this, bits](QPainter& p, const QRectF& r) {
                  p.fillPath(roundedRect(r, 2), standardColor(StandardColor::Purple, 0.85));
                  p.setFont(badgeFont_);
                  p.setPen(Qt::white);
                  p.drawText(r, Qt::AlignCenter, bits);
              });
    }
}

void FilmstripPainter::paintBottom(QPainter& painter, const QRectF& block, const FilmstripCell& cell) {
    const QFontMetricsF metrics(badgeFont_);
    const int rating = std::clamp(cell.rating, 0, 5);
    const QString number = rating >= 2 ? QString::number(rating) : QString();
    const double numberWidth = number.isEmpty() ? 0 : 1 + metrics.horizontalAdvance(number);
    const QSizeF ratingSize(3 + kSmallSymbol + numberWidth + 3, std::max(kSmallSymbol, metrics.height()) + 2);
    const bool picked = cell.pickStatus == PickStatus::picked;
    const double flagSide = (picked ? kSmallSymbol : 7) + 4;
    // The row's items share one middle line, as a centred row lays them out.
    double rowHeight = 0;
    if (rating >= 1) rowHeight = ratingSize.height();
    if (cell.colorLabel != ColorLabel::none) rowHeight = std::max(rowHeight, kDot + 2);
    if (cell.pickStatus != PickStatus::unflagged) rowHeight = std::max(rowHeight, flagSide);
    const double middle = block.bottom() - 3 - rowHeight / 2;

    double left = block.left() + 3;
    if (rating >= 1) {
        stamp(painter, Mark::rating, rating, QPointF(left, middle - ratingSize.height() / 2), ratingSize,
              [this, number, numberWidth](QPainter& p, const QRectF& r) {
                  p.fillPath(roundedRect(r, 2), blackAt(0.75));
                  const QRectF star(r.left() + 3, r.center().y() - kSmallSymbol / 2, kSmallSymbol, kSmallSymbol);
                  Symbols::paint(p, star, "star.fill", standardColor(StandardColor::Yellow));
                  if (number.isEmpty()) return;
                  p.setFont(badgeFont_);
                  p.setPen(standardColor(StandardColor::Yellow));
                  p.drawText(QRectF(star.right() + 1, r.top(), numberWidth, r.height()), Qt::AlignVCenter, number);
              });
        left += ratingSize.width() + 3;
    }
    if (cell.colorLabel != ColorLabel::none) {
        const ColorLabel label = cell.colorLabel;
        stamp(painter, Mark::label, int(label), QPointF(left, middle - (kDot + 2) / 2), QSizeF(kDot + 2, kDot + 2),
              [label](QPainter& p, const QRectF& r) {
                  fillCircle(p, r, blackAt(0.6));
                  fillCircle(p, r.adjusted(1, 1, -1, -1), colorFromHex(colorHex(label)));
              });
    }
    if (cell.pickStatus == PickStatus::unflagged) return;
    stamp(painter, Mark::flag, picked ? 1 : 0, QPointF(block.right() - 3 - flagSide, middle - flagSide / 2),
          QSizeF(flagSide, flagSide), [picked](QPainter& p, const QRectF& r) {
              fillCircle(p, r, picked ? standardColor(StandardColor::Accent) : blackAt(0.75));
              Symbols::paint(p, r.adjusted(2, 2, -2, -2), picked ? "flag.fill" : "xmark",
                             picked ? QColor(Qt::white) : standardColor(StandardColor::Red));
          });
}

}  // namespace vantrel
