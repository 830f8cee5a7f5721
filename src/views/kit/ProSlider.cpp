#include "views/kit/ProSlider.h"

#include <algorithm>
#include <cmath>
#include <span>

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include "services/L10n.h"
#include "services/TextFormatter.h"
#include "views/kit/FittingText.h"
#include "views/kit/Icons.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

namespace {

// The title: a double click resets; a long title gives way to the read-out.
class ResettingLabel final : public FittingLabel {
public:
    explicit ResettingLabel(std::function<void()> onReset) : onReset_(std::move(onReset)) {}

protected:
    void mouseDoubleClickEvent(QMouseEvent*) override { onReset_(); }

private:
    std::function<void()> onReset_;
};

}  // namespace

// The 14-pt band: groove, fill, zero mark and thumb; drags and double clicks.
class ProSliderTrack final : public QWidget {
public:
    explicit ProSliderTrack(ProSlider& slider) : slider_(slider) {
        setFixedHeight(int(ProSlider::kTrackHeight));
        setMinimumWidth(1);
    }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        pressed_ = true;
        moved_ = false;
        pressX_ = event->position().x();
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!pressed_) return;
        const double x = event->position().x();
        // A press that never travels a point is not a drag.
        if (!moved_ && std::abs(x - pressX_) < 1.0) return;
        moved_ = true;
        slider_.dragTo(x);
    }
    void mouseReleaseEvent(QMouseEvent*) override {
        pressed_ = false;
        slider_.endDrag();
    }
    void mouseDoubleClickEvent(QMouseEvent*) override {
        pressed_ = false;
        slider_.resetToDefault();
    }

private:
    ProSlider& slider_;
    bool pressed_ = false;
    bool moved_ = false;
    double pressX_ = 0;
};

void ProSliderTrack::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double w = width();
    const double midY = height() / 2.0;
    const double barHeight = 3.5;
    auto capsule = [&](double x, double width, const QColor& colour) {
        QPainterPath path;
        path.addRoundedRect(QRectF(x, midY - barHeight / 2, width, barHeight), barHeight / 2, barHeight / 2);
        painter.fillPath(path, colour);
    };

    capsule(0, w, QColor::fromRgbF(1, 1, 1, 0.12f));

    const ProSlider::Range range = slider_.range_;
    const double travel = w - ProSlider::kThumbSize;
    const double offset = slider_.thumbOffset(w);
    const double centre = offset + ProSlider::kThumbSize / 2;
    if (range.lower < -0.001 && range.upper > 0.001) {
        const double zeroFraction = std::clamp((0 - range.lower) / ProSlider::span(range), 0.0, 1.0);
        const double zeroX = travel * zeroFraction + ProSlider::kThumbSize / 2;
        capsule(std::min(centre, zeroX), std::max(std::abs(centre - zeroX), 1.0), slider_.tint_);
        painter.fillRect(QRectF(zeroX - 0.75, midY - 2.75, 1.5, 5.5), QColor::fromRgbF(1, 1, 1, 0.4f));
    } else {
        capsule(0, std::max(centre, 2.0), slider_.tint_);
    }

    const QRectF thumb(offset, midY - ProSlider::kThumbSize / 2, ProSlider::kThumbSize, ProSlider::kThumbSize);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.5f));
    painter.drawEllipse(thumb.translated(0, 1).adjusted(-0.5, -0.5, 0.5, 0.5));
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.2f), 0.5));
    painter.drawEllipse(thumb);
}

ProSlider::ProSlider(QString title, Binding<double> value, Range range, double defaultValue, double step,
                     QString displayFormat, QString unit, QColor tintColor,
                     std::function<void(bool)> onEditingChanged, QWidget* parent)
    : QWidget(parent),
      value_(std::move(value)),
      range_(range),
      defaultValue_(defaultValue),
      step_(step),
      displayFormat_(std::move(displayFormat)),
      unit_(std::move(unit)),
      tint_(std::move(tintColor)),
      onEditingChanged_(std::move(onEditingChanged)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 1, 0, 1);
    column->setSpacing(2);
    track_ = new ProSliderTrack(*this);
    column->addWidget(track_);
    if (!title.isEmpty()) {
        title_ = new ResettingLabel([this] { resetToDefault(); });
        addValueRow();
    }
    setTitle(title);
    refresh();
}

void ProSlider::showValue() {
    if (readout_) return;
    addValueRow();
    refresh();
}

// The row above the track: the title (when there is one), then the read-out at the right.
void ProSlider::addValueRow() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    readout_ = new QPushButton;
    readout_->setFlat(true);
    readout_->setCursor(Qt::PointingHandCursor);
    connect(readout_, &QPushButton::clicked, this, &ProSlider::resetToDefault);
    if (title_) row->addWidget(title_);
    row->addStretch(1);
    row->addWidget(readout_);
    static_cast<QVBoxLayout*>(layout())->insertLayout(0, row);
}

QString ProSlider::resetTip() const {
    return QString::fromStdString(L10n::tr("slider.resetTooltip", formattedValue(defaultValue_).toStdString()));
}

void ProSlider::setTitle(const QString& title) {
    if (!title_) return;
    const QString tip = resetTip();
    title_->setFullText(title);
    title_->setHelp(tip);
    readout_->setToolTip(tip);
}

void ProSlider::setTintColor(const QColor& tint) {
    if (tint == tint_) return;
    tint_ = tint;
    styledAs_ = -1;  // the read-out's colours follow the tint
    refresh();
}

double ProSlider::span(Range range) { return std::max(range.upper - range.lower, 0.0001); }

double ProSlider::fraction() const { return std::clamp((value() - range_.lower) / span(range_), 0.0, 1.0); }

double ProSlider::thumbOffset(double width) const { return (width - kThumbSize) * fraction(); }

bool ProSlider::isChanged() const { return std::abs(value() - defaultValue_) > 0.0001; }

double ProSlider::dragValue(double x, double width, Range range, double step) {
    const double f = std::clamp((x - kThumbSize / 2) / std::max(width - kThumbSize, 1.0), 0.0, 1.0);
    double v = range.lower + f * span(range);
    if (step > 0) v = step * std::round(v / step);  // halves away from zero
    v = std::min(v, range.upper);
    return std::max(range.lower, v);
}

QString ProSlider::formattedValue(double value) const {
    if (formatter_) return formatter_(value);
    QString text = value > 0.001 && range_.lower < 0 ? QStringLiteral("+") : QString();
    const FormatArg argument = makeFormatArg(value);
    text += QString::fromStdString(formatText(displayFormat_.toStdString(), std::span(&argument, 1)));
    if (!unit_.isEmpty()) text += QLatin1Char(' ') + unit_;
    return text;
}

void ProSlider::setValueFormatter(ValueFormatter formatter) {
    formatter_ = std::move(formatter);
    if (title_) setTitle(title_->fullText());
    else if (readout_) readout_->setToolTip(resetTip());
    if (readout_) reserveReadout();
    refresh();
}

ProSlider::ValueFormatter ProSlider::percentFormatter() {
    return [](double value) {
        const FormatArg argument = makeFormatArg(static_cast<long long>(std::lround(value * 100)));
        return QString::fromStdString(formatText("%lld%%", std::span(&argument, 1)));
    };
}

void ProSlider::dragTo(double x) {
    if (!isDragging_) {
        isDragging_ = true;
        if (onEditingChanged_) onEditingChanged_(true);
    }
    value_.set(dragValue(x, track_->width(), range_, step_));
    refresh();
}

void ProSlider::endDrag() {
    if (!isDragging_) return;
    isDragging_ = false;
    if (onEditingChanged_) onEditingChanged_(false);
}

void ProSlider::resetToDefault() {
    value_.set(defaultValue_);
    isDragging_ = false;
    if (onEditingChanged_) onEditingChanged_(false);
    refresh();
}

void ProSlider::refresh() {
    if (readout_) {
        readout_->setText(formattedValue(value()));
        // Without a title no panel retitles the row when the language changes.
        if (!title_ && language_.changed()) readout_->setToolTip(resetTip());
        restyle();
    }
    track_->update();
}

void ProSlider::restyle() {
    const bool changed = isChanged();
    if (styledAs_ == int(changed)) return;
    styledAs_ = int(changed);
    if (title_) {
        title_->setFont(pixelFont(DarkroomTheme::TextSize::slider, changed ? QFont::DemiBold : QFont::Normal));
        setPaletteColour(*title_, QPalette::WindowText,
                         standardColor(changed ? StandardColor::PrimaryText : StandardColor::SecondaryText));
    }

    readout_->setFont(pixelFont(DarkroomTheme::TextSize::slider, QFont::Medium, FontDesign::Monospaced));
    readout_->setStyleSheet(DarkroomTheme::readoutStyle(tint_, changed));
    reserveReadout();
}

// Room for the widest value of the range, so the read-out never gives way.
void ProSlider::reserveReadout() {
    readout_->setMinimumWidth(std::max(buttonSizeFor(*readout_, formattedValue(range_.lower)).width(),
                                       buttonSizeFor(*readout_, formattedValue(range_.upper)).width()));
}

}  // namespace vantrel
