#include "views/workflow/WorkflowParts.h"

#include <cmath>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/FittingText.h"
#include "views/kit/Layouts.h"
#include "views/kit/StandardColors.h"

#include "views/kit/Painting.h"
#include "views/kit/Symbols.h"

namespace vantrel {

SymbolButton::SymbolButton(double symbolSize, double padX, double padY, Shape shape, double radius, QWidget* parent)
    : QAbstractButton(parent), symbolSize_(symbolSize), padX_(padX), padY_(padY), shape_(shape), radius_(radius) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolButton::setLook(const std::string& symbol, const QColor& colour, const QColor& fill) {
    if (symbol == symbol_ && colour == colour_ && fill == fill_) return;
    symbol_ = symbol;
    colour_ = colour;
    fill_ = fill;
    update();
}

QSize SymbolButton::sizeHint() const {
    return {int(std::ceil(symbolSize_ + 2 * padX_)), int(std::ceil(symbolSize_ + 2 * padY_))};
}

void SymbolButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) painter.setOpacity(0.4);
    else if (isDown()) painter.setOpacity(0.7);
    const QRectF box(rect());
    if (fill_.alpha() > 0) {
        if (shape_ == Shape::circle) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(fill_);
            const double side = std::min(box.width(), box.height());
            painter.drawEllipse(QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side));
        } else {
            painter.fillPath(roundedRect(box, radius_), fill_);
        }
    }
    const QRectF symbol(box.center().x() - symbolSize_ / 2, box.center().y() - symbolSize_ / 2, symbolSize_, symbolSize_);
    Symbols::paint(painter, symbol, symbol_, colour_);
}

LabelDot::LabelDot(const QColor& colour, QWidget* parent) : QAbstractButton(parent), colour_(colour) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LabelDot::setRinged(bool ringed) {
    if (ringed == ringed_) return;
    ringed_ = ringed;
    update();
}

void LabelDot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isDown()) painter.setOpacity(0.7);
    const QPointF centre = QRectF(rect()).center();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour_);
    painter.drawEllipse(centre, 5.0, 5.0);
    if (ringed_) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(solidPen(Qt::white, 1.5));
        painter.drawEllipse(centre, 7.0, 7.0);
    }
}

OptionRow::OptionRow(const Look& look, QWidget* parent) : QWidget(parent) {
    auto* row = flatRow(6, this);
    box_ = new QCheckBox;
    box_->setFocusPolicy(Qt::TabFocus);
    connect(box_, &QAbstractButton::clicked, this, &OptionRow::switched);
    row->addWidget(box_, 0, Qt::AlignTop);
    auto* texts = flatColumn(2);
    title_ = fittingLabel("", DarkroomTheme::textStyle(look.titlePixels, look.titleWeight,
                                                       look.titleColour.isValid() ? look.titleColour
                                                                                  : standardColor(StandardColor::PrimaryText)),
                          2);
    description_ = fittingLabel("", DarkroomTheme::secondaryTextStyle(look.descriptionPixels), 3);
    narrowedByColumn(*title_);
    narrowedByColumn(*description_);
    texts->addWidget(title_);
    texts->addWidget(description_);
    row->addLayout(texts, 1);
}

void OptionRow::setTexts(const QString& title, const QString& description) {
    title_->setFullText(title);
    description_->setFullText(description);
    description_->setVisible(!description.isEmpty());
    box_->setAccessibleName(title);
}

void OptionRow::setOn(bool on) { box_->setChecked(on); }

bool OptionRow::isOn() const { return box_->isChecked(); }

void OptionRow::mouseReleaseEvent(QMouseEvent* event) {
    // The texts are the check box's label: a click on them toggles it.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && isEnabled())
        box_->click();
    QWidget::mouseReleaseEvent(event);
}

Band::Band(const QColor& fill, const QColor& bottomLine, QWidget* parent)
    : QWidget(parent), fill_(fill), line_(bottomLine) {}

void Band::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), fill_);
    painter.fillRect(QRect(0, height() - 1, width(), 1), line_);
}

QString buttonLabel(QString text) { return text.replace(QLatin1Char('&'), QStringLiteral("&&")); }


}  // namespace vantrel
