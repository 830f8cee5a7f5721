#include "views/canvas/NavigatorMinimapView.h"

#include <cmath>
#include <numbers>

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "views/canvas/NavigatorGeometry.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/DragTracker.h"
#include "views/kit/FittingText.h"
#include "views/kit/Icons.h"
#include "views/kit/Painting.h"
#include "views/kit/SpringValue.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/kit/Layouts.h"

namespace vantrel {

namespace navigator {

namespace {

constexpr double kPanelRadius = 8;
constexpr double kMapRadius = 4;
constexpr int kSpinnerSpokes = 8;

// The part of `area` an image of `size` takes, aspect kept.
QRectF fitted(const QSizeF& size, const QRectF& area) {
    if (size.isEmpty() || area.isEmpty()) return area;
    const double scale = std::min(area.width() / size.width(), area.height() / size.height());
    const QSizeF s = size * scale;
    return {area.center() - QPointF(s.width(), s.height()) / 2, s};
}

}  // namespace

// The 160 x 106 map: thumbnail, viewport, taps.
class Map final : public QWidget {
public:
    explicit Map(NavigatorMinimapView& owner) : QWidget(&owner), owner_(owner) {
        setObjectName(QStringLiteral("navigator.map"));
        setFixedSize(int(kMapWidth), int(kMapHeight));
        setCursor(Qt::PointingHandCursor);
        spinner_.setInterval(100);
        connect(&spinner_, &QTimer::timeout, this, [this] {
            step_ = (step_ + 1) % kSpinnerSpokes;
            update();
        });
    }

    QRectF thumbnail() const { return thumbnailRect(QSizeF(owner_.imageSize_())); }

    std::optional<QRectF> viewport() const {
        const std::optional<QRectF> rect = viewportRect(thumbnail(), owner_.containerSize_(), QSizeF(owner_.imageSize_()),
                                                        owner_.zoomScale_.get(), toPoint(owner_.panOffset_.get()));
        if (!rect) return std::nullopt;
        return drawnViewport(*rect);
    }

    bool waiting() const { return owner_.image_().isNull(); }

    // Repaints when what it shows changed; keeps the busy mark turning only while it shows.
    void follow() {
        const bool turn = waiting() && isVisible() && Animations::enabled();
        if (turn && !spinner_.isActive()) spinner_.start();
        if (!turn) spinner_.stop();
        const Scene now{owner_.image_().cacheKey(), owner_.imageSize_(), owner_.containerSize_(),
                        owner_.zoomScale_.get(), owner_.panOffset_.get()};
        if (now == shown_) return;
        shown_ = now;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setClipRect(rect());
        painter.fillPath(roundedRect(QRectF(rect()), kMapRadius), blackAt(0.4));
        const QImage image = owner_.image_();
        if (image.isNull()) {
            paintSpinner(painter);
            return;
        }
        const QRectF thumb = thumbnail();
        const QRectF place = fitted(QSizeF(image.size()), thumb);
        const QPixmap& pixmap = picture(image, place.size());
        painter.drawPixmap(place, pixmap, QRectF(QPointF(), pixmap.size()));
        if (const std::optional<QRectF> shown = viewport()) {
            const QColor orange = standardColor(StandardColor::Orange);
            painter.fillRect(*shown, standardColor(StandardColor::Orange, 0.12));
            painter.setPen(solidPen(orange, 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(*shown);
        }
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) tap_.press(event->position());
    }
    void mouseMoveEvent(QMouseEvent* event) override { tap_.move(event->position()); }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        const QPointF at = tap_.pressPoint();
        if (tap_.release() == DragTracker::Release::Tap) owner_.tapped(at);
    }
    void showEvent(QShowEvent*) override { follow(); }
    void hideEvent(QHideEvent*) override { spinner_.stop(); }

private:
    static QPointF toPoint(const QSizeF& s) { return {s.width(), s.height()}; }

    // A small copy of the preview made once per picture and size.
    const QPixmap& picture(const QImage& image, const QSizeF& size) {
        const double dpr = devicePixelRatioF();
        const QSize pixels = (size * dpr).toSize().expandedTo(QSize(1, 1));
        if (image.cacheKey() != pictureKey_ || cached_.size() != pixels) {
            cached_ = QPixmap::fromImage(image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            pictureKey_ = image.cacheKey();
        }
        return cached_;
    }

    void paintSpinner(QPainter& painter) {
        const QPointF centre = QRectF(rect()).center();
        for (int i = 0; i < kSpinnerSpokes; ++i) {
            const double angle = 2 * std::numbers::pi * i / kSpinnerSpokes;
            const double fade = double((i - step_ + kSpinnerSpokes) % kSpinnerSpokes) / kSpinnerSpokes;
            const QPointF direction(std::sin(angle), -std::cos(angle));
            QPen pen = solidPen(whiteAt(0.2 + 0.6 * (1 - fade)), 1.5);
            pen.setCapStyle(Qt::RoundCap);
            painter.setPen(pen);
            painter.drawLine(centre + direction * 3, centre + direction * 6);
        }
    }

    struct Scene {
        qint64 image = -1;
        QSize imageSize;
        QSizeF container;
        double zoom = 0;
        QSizeF pan;
        bool operator==(const Scene&) const = default;
    };

    NavigatorMinimapView& owner_;
    Scene shown_;
    DragTracker tap_{4.0};
    QPixmap cached_;
    qint64 pictureKey_ = 0;
    QTimer spinner_;
    int step_ = 0;
};

}  // namespace navigator

using namespace navigator;

namespace {

QString buttonStyle(bool bold) {
    return QStringLiteral("QPushButton { font-size: 9px; font-weight: %1; padding: 2px 1px; }")
        .arg(bold ? int(QFont::Bold) : int(QFont::Normal));
}

FittingButton* zoomButton(const char* name) {
    auto* button = new FittingButton(FittingButton::Fit::elide);
    button->setObjectName(QString::fromLatin1(name));
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    button->setStyleSheet(buttonStyle(false));
    return button;
}

void setBold(FittingButton* button, bool bold) {
    const QString style = buttonStyle(bold);
    if (button->styleSheet() != style) button->setStyleSheet(style);
}

}  // namespace

NavigatorMinimapView::NavigatorMinimapView(Source<QImage> image, Source<QSize> imageSize, Binding<double> zoomScale,
                                           Binding<QSizeF> panOffset, Source<QSizeF> containerSize, QWidget* parent)
    : QWidget(parent), image_(std::move(image)), imageSize_(std::move(imageSize)), zoomScale_(std::move(zoomScale)),
      panOffset_(std::move(panOffset)), containerSize_(std::move(containerSize)) {
    setObjectName(QStringLiteral("navigator"));
    setFixedWidth(kPanelWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(6);

    auto* header = flatRow(6);
    auto* symbol = new SymbolView("viewfinder", 11, standardColor(StandardColor::SecondaryText));
    symbol->setObjectName(QStringLiteral("navigator.symbol"));
    title_ = new FittingLabel;
    title_->setObjectName(QStringLiteral("navigator.title"));
    title_->setFont(pixelFont(10, QFont::DemiBold));
    title_->setStyleSheet(DarkroomTheme::colorStyle(standardColor(StandardColor::SecondaryText)));
    title_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* titleGroup = flatRow(4);
    titleGroup->addWidget(symbol);
    titleGroup->addWidget(title_, 1);
    header->addLayout(titleGroup, 1);
    zoomLabel_ = new QLabel;
    zoomLabel_->setObjectName(QStringLiteral("navigator.zoomLabel"));
    zoomLabel_->setFont(pixelFont(9, QFont::Bold, FontDesign::Monospaced));
    header->addWidget(zoomLabel_);
    close_ = new QPushButton(symbolIcon("xmark", standardColor(StandardColor::SecondaryText)), {});
    close_->setObjectName(QStringLiteral("navigator.close"));
    close_->setFlat(true);
    close_->setFocusPolicy(Qt::NoFocus);
    close_->setIconSize(QSize(9, 9));
    close_->setFixedSize(15, 15);
    close_->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 3px; }"));
    connect(close_, &QPushButton::clicked, this, &NavigatorMinimapView::closeRequested);
    header->addWidget(close_);
    column->addLayout(header);

    map_ = new Map(*this);
    column->addWidget(map_, 0, Qt::AlignHCenter);

    auto* buttons = flatRow(4);
    fit_ = zoomButton("navigator.fit");
    oneToOne_ = zoomButton("navigator.oneToOne");
    twoToOne_ = zoomButton("navigator.twoToOne");
    oneToOne_->setFullText(QStringLiteral("100%"));
    twoToOne_->setFullText(QStringLiteral("200%"));
    for (FittingButton* button : {fit_, oneToOne_, twoToOne_}) buttons->addWidget(button, 1);
    connect(fit_, &QPushButton::clicked, this, &NavigatorMinimapView::zoomToFitRequested);
    connect(oneToOne_, &QPushButton::clicked, this, &NavigatorMinimapView::zoomTo100Requested);
    connect(twoToOne_, &QPushButton::clicked, this, &NavigatorMinimapView::zoomTo200Requested);
    column->addLayout(buttons);

    setDropShadow(*this, blackAt(0.5), 16, QPointF(0, 3));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    refresh();
}

QWidget* NavigatorMinimapView::map() const { return map_; }

std::optional<QRectF> NavigatorMinimapView::shownViewport() const {
    if (map_->waiting()) return std::nullopt;
    return map_->viewport();
}

bool NavigatorMinimapView::isWaitingForImage() const { return map_->waiting(); }

void NavigatorMinimapView::refresh() {
    const double zoom = zoomScale_.get();
    const double factor = actualPixelsFactor(containerSize_(), QSizeF(imageSize_()));
    const QString fitText = localized("zoom.fit");
    title_->setFullText(localized("minimap.title"));
    const QString label = navigator::zoomLabel(zoom, factor, fitText);
    if (zoomLabel_->text() != label) zoomLabel_->setText(label);
    const bool zoomed = zoom > kFittedZoom;
    const QString labelStyle =
        QStringLiteral("QLabel { background: %1; border-radius: 3px; padding: 1px 4px; color: %2; }")
            .arg(DarkroomTheme::css(whiteAt(0.08)),
                 DarkroomTheme::css(zoomed ? standardColor(StandardColor::Accent)
                                           : standardColor(StandardColor::SecondaryText)));
    if (zoomLabel_->styleSheet() != labelStyle) zoomLabel_->setStyleSheet(labelStyle);
    close_->setToolTip(localized("minimap.close"));
    fit_->setFullText(fitText);
    const Emphasis bold = emphasis(zoom, factor);
    setBold(fit_, bold.fit);
    setBold(oneToOne_, bold.oneToOne);
    setBold(twoToOne_, bold.twoToOne);
    map_->follow();
}

void NavigatorMinimapView::tapped(const QPointF& mapPoint) {
    const std::optional<QPointF> pan = tapPan(mapPoint, map_->thumbnail(), containerSize_(), QSizeF(imageSize_()),
                                              zoomScale_.get());
    if (!pan) return;
    const QSizeF value(pan->x(), pan->y());
    if (value != panOffset_.get()) panOffset_.set(value);
    map_->update();
}

void NavigatorMinimapView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath panel = roundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kPanelRadius);
    painter.fillPath(panel, DarkroomTheme::floatingPanelFill());
    painter.strokePath(panel, solidPen(DarkroomTheme::floatingPanelBorder(), 1));
}

}  // namespace vantrel
