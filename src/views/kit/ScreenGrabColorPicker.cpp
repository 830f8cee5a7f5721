#include "views/kit/ScreenGrabColorPicker.h"

#include <algorithm>
#include <cmath>

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include "views/kit/Icons.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

namespace {

constexpr int kLoupePixels = 11;   // grabbed pixels across the loupe (odd: one in the middle)
constexpr int kLoupeZoom = 9;      // screen pixels per grabbed pixel
constexpr int kLoupeOffset = 24;   // from the pointer to the loupe's corner

QString hexOf(const QColor& colour) {
    return QStringLiteral("#%1%2%3")
        .arg(colour.red(), 2, 16, QLatin1Char('0'))
        .arg(colour.green(), 2, 16, QLatin1Char('0'))
        .arg(colour.blue(), 2, 16, QLatin1Char('0'))
        .toUpper();
}

}  // namespace

ScreenGrabOverlay::ScreenGrabOverlay(QImage grab, QRect geometry, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint),
      grab_(std::move(grab)) {
    setObjectName(QStringLiteral("screenSampler.overlay"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    setGeometry(geometry);
}

QPoint ScreenGrabOverlay::pixelAt(QPoint point) const {
    if (grab_.isNull() || width() <= 0 || height() <= 0) return {};
    // Device pixels per logical pixel along each axis (the grab may be at a higher ratio).
    const int x = int(std::floor(point.x() * double(grab_.width()) / width()));
    const int y = int(std::floor(point.y() * double(grab_.height()) / height()));
    return {std::clamp(x, 0, grab_.width() - 1), std::clamp(y, 0, grab_.height() - 1)};
}

SampledColor ScreenGrabOverlay::colorAt(QPoint point) const {
    if (grab_.isNull()) return {};
    const QColor c = grab_.pixelColor(pixelAt(point));
    return {c.red() / 255.0, c.green() / 255.0, c.blue() / 255.0};
}

void ScreenGrabOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(rect(), grab_);
    paintHint(painter);
    if (pointerInside_) paintLoupe(painter, pointer_);
}

void ScreenGrabOverlay::paintHint(QPainter& painter) const {
    const QString hint = localized("negativeLab.samplerHint");
    const QFont font = pixelFont(13, QFont::Medium);
    const QFontMetrics metrics(font);
    const int textWidth = std::min(metrics.horizontalAdvance(hint), width() - 48);
    const QRect box(width() / 2 - textWidth / 2 - 14, 24, textWidth + 28, metrics.height() + 14);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedRect(box, box.height() / 2.0), blackAt(0.75));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, metrics.elidedText(hint, Qt::ElideRight, textWidth));
}

void ScreenGrabOverlay::paintLoupe(QPainter& painter, QPoint at) const {
    const QPoint centre = pixelAt(at);
    const int half = kLoupePixels / 2;
    const int side = kLoupePixels * kLoupeZoom;
    // Beside the pointer, flipped to the other side near the right and bottom edges.
    QPoint corner = at + QPoint(kLoupeOffset, kLoupeOffset);
    if (corner.x() + side > width()) corner.setX(at.x() - kLoupeOffset - side);
    if (corner.y() + side + 22 > height()) corner.setY(at.y() - kLoupeOffset - side - 22);
    const QRect loupe(corner, QSize(side, side));

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(loupe, Qt::black);
    for (int dy = -half; dy <= half; ++dy)
        for (int dx = -half; dx <= half; ++dx) {
            const QPoint source = centre + QPoint(dx, dy);
            if (!grab_.rect().contains(source)) continue;
            painter.fillRect(QRect(corner + QPoint((dx + half) * kLoupeZoom, (dy + half) * kLoupeZoom),
                                   QSize(kLoupeZoom, kLoupeZoom)),
                             grab_.pixelColor(source));
        }
    const QRect middle(corner + QPoint(half * kLoupeZoom, half * kLoupeZoom), QSize(kLoupeZoom, kLoupeZoom));
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(middle.adjusted(-1, -1, 0, 0));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(middle.adjusted(-2, -2, 1, 1));
    painter.setPen(QPen(whiteAt(0.8), 1));
    painter.drawRect(loupe.adjusted(0, 0, -1, -1));

    const QColor colour = grab_.pixelColor(centre);
    const QRect label(loupe.left(), loupe.bottom() + 4, side, 18);
    painter.fillRect(label, blackAt(0.75));
    painter.fillRect(QRect(label.left() + 4, label.top() + 4, 10, 10), colour);
    painter.setFont(pixelFont(11, QFont::Normal, FontDesign::Monospaced));
    painter.setPen(Qt::white);
    painter.drawText(label.adjusted(18, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, hexOf(colour));
}

void ScreenGrabOverlay::mouseMoveEvent(QMouseEvent* event) {
    pointer_ = event->position().toPoint();
    pointerInside_ = true;
    update();
}

void ScreenGrabOverlay::leaveEvent(QEvent*) {
    pointerInside_ = false;
    update();
}

void ScreenGrabOverlay::mousePressEvent(QMouseEvent* event) {
    if (ended_) return;
    ended_ = true;
    if (event->button() == Qt::LeftButton)
        Q_EMIT picked(colorAt(event->position().toPoint()));
    else
        Q_EMIT cancelled();
}

void ScreenGrabOverlay::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape || ended_) return QWidget::keyPressEvent(event);
    ended_ = true;
    Q_EMIT cancelled();
}

ScreenGrabColorPicker::ScreenGrabColorPicker(QObject* parent) : ScreenColorSampler(parent) {
    // Only X11 lets a program read the screen; a one-pixel grab tells whether it does here.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
    QScreen* screen = QGuiApplication::primaryScreen();
    available_ = screen && !screen->grabWindow(0, 0, 0, 1, 1).isNull();
}

ScreenGrabColorPicker::~ScreenGrabColorPicker() {
    for (const QPointer<ScreenGrabOverlay>& overlay : overlays_) delete overlay.data();
}

const char* ScreenGrabColorPicker::unavailableReasonKey() const {
    return available_ ? "" : "negativeLab.sampleUnavailable";
}

std::vector<ScreenGrabOverlay*> ScreenGrabColorPicker::overlays() const {
    std::vector<ScreenGrabOverlay*> shown;
    for (const QPointer<ScreenGrabOverlay>& overlay : overlays_)
        if (overlay) shown.push_back(overlay.data());
    return shown;
}

void ScreenGrabColorPicker::sample(QWidget*, Completion done) {
    cancel();
    done_ = std::move(done);
    if (!available_) return finish(std::nullopt);
    for (QScreen* screen : QGuiApplication::screens()) {
        const QPixmap picture = screen->grabWindow(0);
        if (picture.isNull()) continue;
        auto* overlay = new ScreenGrabOverlay(picture.toImage(), screen->geometry());
        connect(overlay, &ScreenGrabOverlay::picked, this, [this](SampledColor colour) { finish(colour); });
        connect(overlay, &ScreenGrabOverlay::cancelled, this, [this] { finish(std::nullopt); });
        overlays_.emplace_back(overlay);
    }
    if (overlays_.empty()) return finish(std::nullopt);
    for (const QPointer<ScreenGrabOverlay>& overlay : overlays_) overlay->show();
    // The keys go to the overlay under the pointer (Escape cancels there).
    ScreenGrabOverlay* focus = overlays_.front();
    for (const QPointer<ScreenGrabOverlay>& overlay : overlays_)
        if (overlay->geometry().contains(QCursor::pos())) focus = overlay;
    focus->activateWindow();
    focus->setFocus();
    focus->grabKeyboard();
}

void ScreenGrabColorPicker::cancel() {
    if (done_) finish(std::nullopt);
}

void ScreenGrabColorPicker::finish(std::optional<SampledColor> colour) {
    for (const QPointer<ScreenGrabOverlay>& overlay : overlays_)
        if (overlay) {
            overlay->releaseKeyboard();
            overlay->close();  // deletes itself
        }
    overlays_.clear();
    if (Completion done = std::exchange(done_, nullptr)) deliver(std::move(done), colour);
}

}  // namespace vantrel
