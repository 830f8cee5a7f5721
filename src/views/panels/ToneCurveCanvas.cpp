#include "views/panels/ToneCurveCanvas.h"

#include <algorithm>
#include <cmath>

#include <QContextMenuEvent>
#include <QCursor>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "views/kit/Icons.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/panels/ToneCurveEditorView.h"

namespace vantrel {

namespace {

using namespace tonecurve;

constexpr double kCornerRadius = 6;
constexpr double kHandleSize = 10;
constexpr double kRingSize = 16;
constexpr double kDotSize = 3.5;
constexpr double kMarkerSize = 8;
constexpr double kSpriteSize = 40;  // a handle with its selection ring and glow
const QColor kCurveInk(243, 243, 243);

// One handle as drawn, with its shadow (and, when selected, the glowing
// ring), made once per look and pixel ratio and then only copied.
const QImage& handleSprite(bool selected, double dpr) {
    static QImage sprites[2];
    QImage& sprite = sprites[selected ? 1 : 0];
    if (!sprite.isNull() && sprite.devicePixelRatio() == dpr) return sprite;
    const int side = int(std::ceil(kSpriteSize * dpr));
    sprite = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
    sprite.setDevicePixelRatio(dpr);
    sprite.fill(Qt::transparent);
    QPainter painter(&sprite);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(kSpriteSize / 2, kSpriteSize / 2);
    const QColor yellow = standardColor(StandardColor::Yellow);
    if (selected) {
        QPainterPath ring;
        ring.addEllipse(centre, kRingSize / 2, kRingSize / 2);
        paintSoftShadow(painter, ring, standardColor(StandardColor::Yellow, 0.6), 4);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(solidPen(yellow, 2));
        painter.drawEllipse(centre, kRingSize / 2 - 1, kRingSize / 2 - 1);
    }
    QPainterPath handle;
    handle.addEllipse(centre, kHandleSize / 2, kHandleSize / 2);
    paintSoftShadow(painter, handle, blackAt(0.8), 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(selected ? yellow : QColor(Qt::white));
    painter.drawEllipse(centre, kHandleSize / 2, kHandleSize / 2);
    painter.setBrush(selected ? QColor(Qt::black) : blackAt(0.5));
    painter.drawEllipse(centre, kDotSize / 2, kDotSize / 2);
    return sprite;
}

QRectF circleAt(QPointF centre, double diameter) {
    return {centre.x() - diameter / 2, centre.y() - diameter / 2, diameter, diameter};
}

QPen guidePen(const QColor& colour, double width) {
    QPen pen = solidPen(colour, width);
    pen.setMiterLimit(10);
    return pen;
}

}  // namespace

ToneCurveCanvas::ToneCurveCanvas(ToneCurveEditorView& editor, QWidget* parent) : QWidget(parent), editor_(editor) {
    setObjectName(QStringLiteral("curve.canvas"));
    setFixedHeight(int(kCanvasHeight));
    setMinimumWidth(60);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
}

QSize ToneCurveCanvas::sizeHint() const { return {280, int(kCanvasHeight)}; }

void ToneCurveCanvas::pointsChanged() {
    curveValid_ = false;
    update();
}

void ToneCurveCanvas::histogramChanged() {
    backdropValid_ = false;
    update();
}

void ToneCurveCanvas::resizeEvent(QResizeEvent* event) {
    curveValid_ = backdropValid_ = false;
    QWidget::resizeEvent(event);
}

QPointF ToneCurveCanvas::handleCentre(const Uuid& id) const {
    for (const CurvePoint& p : editor_.points())
        if (p.id == id) return canvasPosition(p, canvasSize());
    return {};
}

// ---------------------------------------------------------------- drawing

void ToneCurveCanvas::rebuildCurve() {
    curveValid_ = true;
    samples_.clear();
    segments_.clear();
    fill_ = QPainterPath();
    const std::vector<CurvePoint>& sorted = editor_.sortedPoints();
    if (sorted.size() < 2) return;
    const QSizeF size = canvasSize();
    samples_ = curveSamples(sorted, size);
    segments_.reserve(samples_.size());
    for (qsizetype i = 0; i + 1 < samples_.size(); ++i) segments_.append(QLineF(samples_[i], samples_[i + 1]));
    fill_.moveTo(0, size.height());
    for (const QPointF& sample : samples_) fill_.lineTo(sample);  // one outline with the bottom corners
    fill_.lineTo(size.width(), size.height());
    fill_.closeSubpath();
}

void ToneCurveCanvas::rebuildBackdrop() {
    backdropValid_ = true;
    const double dpr = devicePixelRatioF();
    const double w = width(), h = height();
    border_ = QImage();
    backdrop_ = QImage(QSize(int(std::ceil(w * dpr)), int(std::ceil(h * dpr))), QImage::Format_ARGB32_Premultiplied);
    if (backdrop_.isNull()) return;
    backdrop_.setDevicePixelRatio(dpr);
    backdrop_.fill(Qt::transparent);
    QPainter painter(&backdrop_);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0, 0, w, h);
    painter.setClipPath(roundedRect(box, kCornerRadius));
    painter.fillRect(box, blackAt(0.45));

    const std::vector<float>& bins = editor_.histogramBins();
    if (!bins.empty()) {
        // Bins are display values (0…1); the tallest stays clear of the border.
        QPainterPath histogram;
        const double step = w / double(bins.size());
        histogram.moveTo(0, h);
        for (std::size_t i = 0; i < bins.size(); ++i) {
            const double y = h - std::clamp(double(bins[i]), 0.0, 1.0) * h * 0.9;
            histogram.lineTo(step * double(i), y);
            histogram.lineTo(step * double(i + 1), y);
        }
        histogram.lineTo(w, h);
        histogram.closeSubpath();
        painter.fillPath(histogram, whiteAt(0.07));
    }

    painter.setPen(guidePen(whiteAt(0.08), 0.8));
    for (double f : {0.25, 0.5, 0.75}) {
        painter.drawLine(QPointF(w * f, 0), QPointF(w * f, h));
        painter.drawLine(QPointF(0, h * f), QPointF(w, h * f));
    }
    painter.setPen(guidePen(whiteAt(0.12), 1));
    painter.drawLine(QPointF(w / 2, 0), QPointF(w / 2, h));
    painter.drawLine(QPointF(0, h / 2), QPointF(w, h / 2));
    QPen diagonal = dashedPen(whiteAt(0.18), 1, {4, 4});
    diagonal.setMiterLimit(10);
    painter.setPen(diagonal);
    painter.drawLine(QPointF(0, h), QPointF(w, 0));

    // The border lies over the handles; a translucent outline stroked at every
    // paint would cost more than the whole curve, so it is drawn once too.
    border_ = QImage(backdrop_.size(), QImage::Format_ARGB32_Premultiplied);
    border_.setDevicePixelRatio(dpr);
    border_.fill(Qt::transparent);
    QPainter frame(&border_);
    frame.setRenderHint(QPainter::Antialiasing);
    frame.strokePath(roundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius - 0.5), solidPen(whiteAt(0.14), 1));
}

void ToneCurveCanvas::paintEvent(QPaintEvent*) {
    if (!curveValid_) rebuildCurve();
    if (!backdropValid_) rebuildBackdrop();
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), backdrop_);
    painter.setRenderHint(QPainter::Antialiasing);
    const double w = width(), h = height();
    const QRectF box(0, 0, w, h);
    painter.setClipPath(roundedRect(box, kCornerRadius));

    if (!samples_.isEmpty()) {
        QLinearGradient gradient(0, 0, 0, h);
        gradient.setColorAt(0, whiteAt(0.18));
        gradient.setColorAt(1, whiteAt(0.02));
        painter.fillPath(fill_, gradient);
        // A soft dark edge under the line, drawn as separate translucent
        // segments: a translucent polyline is stroked as one united outline,
        // about ten times the cost, and a blur would be made anew at every drag step.
        painter.setPen(QPen(blackAt(0.25), 5, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
        painter.drawLines(segments_);
        // White at 0.95 over the dark canvas, as one opaque grey: a translucent
        // pen would take the slow united outline as well.
        painter.setPen(QPen(kCurveInk, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(samples_);
    }

    if (editor_.isHovering() && editor_.hoverPoint() && !editor_.isDragging()) {
        const double x = editor_.hoverPoint()->x();
        const double t = std::clamp(w > 0 ? x / w : 0.0, 0.0, 1.0);
        const QPointF centre(x, h * (1 - curveValue(editor_.sortedPoints(), t)));
        painter.setPen(solidPen(standardColor(StandardColor::Yellow, 0.85), 1.5));
        painter.setBrush(standardColor(StandardColor::Yellow, 0.35));
        painter.drawEllipse(circleAt(centre, kMarkerSize));
    }

    paintHandles(painter);

    painter.setClipping(false);
    painter.drawImage(QPointF(0, 0), border_);
}

void ToneCurveCanvas::paintHandles(QPainter& painter) {
    const QSizeF size = canvasSize();
    const double dpr = devicePixelRatioF();
    const QPointF half(kSpriteSize / 2, kSpriteSize / 2);
    // In list order: a later point's handle lies above an earlier one.
    for (const CurvePoint& p : editor_.points())
        painter.drawImage(canvasPosition(p, size) - half, handleSprite(editor_.selectedPointID() == p.id, dpr));
}

// ---------------------------------------------------------------- gestures

void ToneCurveCanvas::press(QPointF position) {
    pressedHandle_ = handleAt(editor_.points(), position, canvasSize());
    lastPressHandle_ = pressedHandle_;
    tracker_.press(position);
}

void ToneCurveCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        // A second button while dragging ends nothing; a lone right press is the menu's.
        return;
    }
    swallowRelease_ = false;
    press(event->position());
}

void ToneCurveCanvas::mouseMoveEvent(QMouseEvent* event) {
    const QPointF position = event->position();
    editor_.setHover(position);
    if (tracker_.isPressed() && (event->buttons() & Qt::LeftButton)) {
        if (tracker_.move(position) && pressedHandle_) {
            if (tracker_.justStarted()) escape_.start();
            editor_.dragPoint(*pressedHandle_, position);
        }
    }
    updateCursor(position);
}

void ToneCurveCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (swallowRelease_) {
        swallowRelease_ = false;
        tracker_.cancel();
        return;
    }
    const QPointF pressedAt = tracker_.pressPoint();
    const DragTracker::Release release = tracker_.release();
    const std::optional<Uuid> handle = std::exchange(pressedHandle_, std::nullopt);
    escape_.stop();
    if (release == DragTracker::Release::DragEnd) {
        if (handle) editor_.endDrag();
    } else if (release == DragTracker::Release::Tap) {
        if (handle) {
            editor_.selectPoint(*handle);
        } else if (const auto near = pointNear(editor_.points(), pressedAt, canvasSize())) {
            editor_.selectPoint(*near);
        } else {
            editor_.insertPoint(pressedAt.x());
        }
    }
    updateCursor(event->position());
}

void ToneCurveCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const std::optional<Uuid> handle = handleAt(editor_.points(), event->position(), canvasSize());
    // Only a double click whose first click already landed on this point deletes
    // it: a double click on empty canvas adds a point with its first click and
    // must not take it away with its second.
    if (handle && handle == lastPressHandle_) {
        tracker_.cancel();
        pressedHandle_.reset();
        swallowRelease_ = true;
        if (editor_.canDeletePoint(*handle)) editor_.deletePoint(*handle);
        return;
    }
    swallowRelease_ = false;
    press(event->position());
}

void ToneCurveCanvas::contextMenuEvent(QContextMenuEvent* event) {
    const QPointF position = event->pos();
    editor_.setHover(position);
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    auto add = [menu](const QString& name, const char* key) {
        QAction* action = menu->addAction(localized(key));
        action->setObjectName(menu->objectName() + QLatin1Char('.') + name);
        return action;
    };
    if (const auto id = handleAt(editor_.points(), position, canvasSize())) {
        menu->setObjectName(QStringLiteral("curve.pointMenu"));
        if (editor_.canDeletePoint(*id)) {
            QAction* remove = add(QStringLiteral("deletePoint"), "curve.deletePoint");
            remove->setIcon(symbolIcon("trash", standardColor(StandardColor::Red)));
            connect(remove, &QAction::triggered, &editor_, [this, id = *id] { editor_.deletePoint(id); });
        }
        connect(add(QStringLiteral("resetToDiagonal"), "curve.resetToDiagonal"), &QAction::triggered, &editor_,
                [this, id = *id] { editor_.resetPointToDiagonal(id); });
    } else {
        menu->setObjectName(QStringLiteral("curve.canvasMenu"));
        // The place is taken now: once the menu is open the pointer is over the menu.
        connect(add(QStringLiteral("addPointHere"), "curve.addPointHere"), &QAction::triggered, &editor_,
                [this, x = position.x()] { editor_.insertPoint(x); });
        connect(add(QStringLiteral("reset"), "curve.reset"), &QAction::triggered, &editor_,
                [this] { editor_.resetCurve(); });
    }
    menu->popup(event->globalPos());
}

void ToneCurveCanvas::enterEvent(QEnterEvent* event) {
    editor_.setHover(event->position());
    QWidget::enterEvent(event);
}

void ToneCurveCanvas::leaveEvent(QEvent* event) {
    editor_.clearHover();
    QWidget::leaveEvent(event);
}

void ToneCurveCanvas::hideEvent(QHideEvent* event) {
    // Hidden while dragging (the window closes): no release will come, so the
    // drag and the interaction it began end here.
    tracker_.cancel();
    escape_.stop();
    pressedHandle_.reset();
    swallowRelease_ = false;
    editor_.endDrag();
    editor_.clearHover();
    QWidget::hideEvent(event);
}

void ToneCurveCanvas::cancelDrag() {
    tracker_.cancel();
    pressedHandle_.reset();
    editor_.cancelDrag();
    updateCursor(mapFromGlobal(QCursor::pos()));
}

void ToneCurveCanvas::updateCursor(QPointF position) {
    Qt::CursorShape shape = Qt::CrossCursor;
    if (editor_.isDragging()) shape = Qt::ClosedHandCursor;
    else if (handleAt(editor_.points(), position, canvasSize())) shape = Qt::OpenHandCursor;
    if (cursor().shape() != shape) setCursor(shape);
}

}  // namespace vantrel
