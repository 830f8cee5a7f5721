#include "views/panels/FloatingToolBar.h"

#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QPainter>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

namespace {

constexpr double kRadius = 10;

// One-point vertical line, 20 points tall.
class Divider final : public QWidget {
public:
    Divider() { setFixedSize(1, 20); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), whiteAt(0.15)); }
};

// A box around one child with a preferred and a smallest width of its own.
class FlexibleBox final : public QWidget {
public:
    FlexibleBox(QWidget* child, int preferred, int minimum) : preferred_(preferred), minimum_(minimum) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(child);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override { return {preferred_, QWidget::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return {minimum_, QWidget::minimumSizeHint().height()}; }

private:
    int preferred_;
    int minimum_;
};

}  // namespace

QWidget* FloatingToolBar::flexibleWidth(QWidget* child, int preferred, int minimum) {
    return new FlexibleBox(child, preferred, minimum);
}

FloatingToolBar::FloatingToolBar(const QString& name, int spacing, QWidget* parent)
    : QWidget(parent), row_(new QHBoxLayout(this)) {
    setObjectName(name);
    row_->setContentsMargins(16, 8, 16, 8);
    row_->setSpacing(spacing);
    row_->setSizeConstraint(QLayout::SetDefaultConstraint);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    // The shadow of the whole floating panel, drawn around it over the frame.
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setColor(blackAt(0.5));
    shadow->setBlurRadius(24);
    shadow->setOffset(0, 4);
    setGraphicsEffect(shadow);
}

QWidget* FloatingToolBar::addSeparator() {
    auto* divider = new Divider;
    row_->addWidget(divider, 0, Qt::AlignVCenter);
    return divider;
}

ChipStyle FloatingToolBar::bordered(double fontPixels, QFont::Weight weight, const QColor& text) {
    ChipStyle s = ChipStyle::preset(fontPixels, weight, 7, 4, 5, text);
    s.fill = s.selectedFill = whiteAt(0.1);
    return s;
}

ChipStyle FloatingToolBar::prominent(double fontPixels, double paddingX) {
    ChipStyle s = ChipStyle::preset(fontPixels, QFont::DemiBold, paddingX, 4, 5, Qt::white);
    s.fill = s.selectedFill = DarkroomTheme::accent();
    return s;
}

ChipStyle FloatingToolBar::borderless(double fontPixels, QFont::Weight weight, const QColor& text) {
    return ChipStyle::textButton(fontPixels, weight, text);
}

void FloatingToolBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = roundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kRadius);
    painter.fillPath(shape, DarkroomTheme::floatingPanelFill());
    painter.strokePath(shape, solidPen(DarkroomTheme::floatingPanelBorder(), 1));
}

}  // namespace vantrel
