#include "views/canvas/HistogramWaveformView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "views/canvas/HistogramGeometry.h"
#include "views/canvas/HistogramRaster.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Marks.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

namespace histogram {

namespace {

constexpr double kBoxRadius = 6;

struct Channel {
    const std::vector<float> HistogramData::*bins;
    QColor colour;
};

QColor channelColour(double r, double g, double b) { return QColor::fromRgbF(float(r), float(g), float(b), 0.75f); }

QColor times(QColor colour, double opacity) {
    colour.setAlphaF(float(colour.alphaF() * opacity));
    return colour;
}

void setText(QLabel* label, const QString& text, const QFont& font, const QColor& colour) {
    if (label->text() != text) label->setText(text);
    if (label->font() != font) label->setFont(font);
    QPalette palette = label->palette();
    if (palette.color(QPalette::WindowText) != colour) {
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
    }
}

}  // namespace

// The 90-point drawing: background, grid, curves, extended-range zone, outline.
// The curves are drawn into one image per paint (their areas straight into its
// pixels, see HistogramRaster), cut to the rounded box and copied once; the
// box's background, its cut and its outline depend on the size alone and are
// made once per size.
class Curves final : public QWidget {
public:
    explicit Curves(const HistogramData& data, QWidget* parent = nullptr) : QWidget(parent), data_(data) {
        setObjectName(QStringLiteral("histogram.curves"));
        setFixedHeight(int(kCurveBoxHeight));
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setMinimumWidth(60);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const double dpr = devicePixelRatioF();
        prepareBox(dpr);
        const double w = width(), h = height();
        const bool extended = data_.isUltraHDREnabled;
        const double d = standardRangeWidth(w, extended);

        QImage layer(box_.size(), QImage::Format_ARGB32_Premultiplied);
        layer.setDevicePixelRatio(dpr);
        {
            QPainter painter(&layer);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(QPointF(), box_);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            painter.setPen(solidPen(whiteAt(0.08), 0.5));
            const QLineF grid[] = {{d * 0.25, 0, d * 0.25, h}, {d * 0.5, 0, d * 0.5, h}, {d * 0.75, 0, d * 0.75, h},
                                   {0, h * 0.5, d, h * 0.5}};
            painter.drawLines(grid, 4);
        }
        static const Channel channels[] = {{&HistogramData::redBins, channelColour(1.0, 0.3, 0.3)},
                                           {&HistogramData::greenBins, channelColour(0.3, 1.0, 0.4)},
                                           {&HistogramData::blueBins, channelColour(0.3, 0.5, 1.0)}};
        for (const Channel& channel : channels) {
            const QPolygonF line = curvePoints(data_.*channel.bins, 0, d, h);
            if (line.isEmpty()) continue;
            fillUnder(layer, line, times(channel.colour, 0.25));
            stroke(layer, line, channel.colour, 1);
        }
        stroke(layer, curvePoints(data_.lumaBins, 0, d, h), whiteAt(0.85), 1.2);
        if (extended) {
            const QColor yellow = standardColor(StandardColor::Yellow);
            {
                QPainter painter(&layer);
                painter.fillRect(QRectF(d, 0, w - d, h), times(yellow, 0.08));
                painter.setPen(solidPen(times(yellow, 0.8), 1));
                painter.drawLine(QPointF(d, 0), QPointF(d, h));
            }
            const QPolygonF zone = curvePoints(data_.edrBins, d, w - d, h);
            if (!zone.isEmpty()) {
                fillUnder(layer, zone, times(yellow, 0.35));
                stroke(layer, zone, times(yellow, 0.9), 1.2);
            }
        }
        {
            QPainter painter(&layer);
            painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            painter.drawImage(QPointF(), cut_);
        }
        QPainter painter(this);
        painter.drawImage(QPointF(), layer);
        painter.drawImage(QPointF(), outline_);
    }

private:
    static void stroke(QImage& layer, const QPolygonF& line, const QColor& colour, double width) {
        if (line.isEmpty()) return;
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(solidPen(colour, width));
        if (width <= 1) {
            painter.drawPolyline(line);  // the painter's fast path for thin lines
            return;
        }
        // A wider line in short runs: stroked as one outline of 256 joined
        // segments, it costs many times more to fill.
        constexpr qsizetype kRun = 4;
        for (qsizetype start = 0; start + 1 < line.size(); start += kRun)
            painter.drawPolyline(line.constData() + start, int(std::min(kRun + 1, line.size() - start)));
    }

    // The box's background, the cut that rounds its corners and its outline, for this size.
    void prepareBox(double dpr) {
        const QSize pixels = (QSizeF(size()) * dpr).toSize();
        if (box_.size() == pixels && box_.devicePixelRatio() == dpr) return;
        const QRectF area(0, 0, width(), height());
        auto image = [&](auto paint) {
            QImage made(pixels, QImage::Format_ARGB32_Premultiplied);
            made.setDevicePixelRatio(dpr);
            made.fill(Qt::transparent);
            QPainter painter(&made);
            painter.setRenderHint(QPainter::Antialiasing);
            paint(painter);
            return made;
        };
        box_ = image([&](QPainter& p) { p.fillPath(roundedRect(area, kBoxRadius), blackAt(0.45)); });
        cut_ = image([&](QPainter& p) { p.fillPath(roundedRect(area, kBoxRadius), Qt::white); });
        outline_ = image([&](QPainter& p) {
            p.strokePath(roundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), kBoxRadius), solidPen(whiteAt(0.12), 1));
        });
    }

    const HistogramData& data_;
    QImage box_;
    QImage cut_;
    QImage outline_;
};

}  // namespace histogram

using namespace histogram;

HistogramWaveformView::HistogramWaveformView(Source<HistogramData> data, QWidget* parent)
    : QWidget(parent), source_(std::move(data)) {
    setObjectName(QStringLiteral("histogram"));
    auto* column = flatColumn(4, this);

    curves_ = new Curves(data_);
    column->addWidget(curves_);
    // The warning row lies over the drawing's top edge.
    auto* warnings = new QHBoxLayout(curves_);
    warnings->setContentsMargins(6, 6, 6, 6);
    warnings->setSpacing(6);
    badge_ = new FilledBacking(blackAt(0.55), 4);  // the extended-range headroom's backing
    badge_->setObjectName(QStringLiteral("histogram.badge"));
    auto* badgeRow = new QHBoxLayout(badge_);
    badgeRow->setContentsMargins(5, 2, 5, 2);
    badgeRow->setSpacing(3);
    badgeRow->addWidget(new DotView(5, standardColor(StandardColor::Orange)), 0, Qt::AlignVCenter);
    badgeLabel_ = new QLabel;
    badgeLabel_->setObjectName(QStringLiteral("histogram.badgeText"));
    setText(badgeLabel_, {}, pixelFont(8.5, QFont::Bold, FontDesign::Monospaced), standardColor(StandardColor::Orange));
    badgeRow->addWidget(badgeLabel_);
    warnings->addWidget(badge_, 0, Qt::AlignTop);
    warnings->addStretch(1);
    shadowDot_ = new DotView(6, standardColor(StandardColor::Blue));
    shadowDot_->setObjectName(QStringLiteral("histogram.shadowDot"));
    highlightDot_ = new DotView(6, standardColor(StandardColor::Red));
    highlightDot_->setObjectName(QStringLiteral("histogram.highlightDot"));
    warnings->addWidget(shadowDot_, 0, Qt::AlignTop);
    warnings->addWidget(highlightDot_, 0, Qt::AlignTop);

    auto* axis = new QHBoxLayout;
    axis->setContentsMargins(2, 0, 2, 0);
    axisStart_ = new QLabel;
    axisMiddle_ = new QLabel;
    axisEnd_ = new QLabel;
    axisStart_->setObjectName(QStringLiteral("histogram.axisStart"));
    axisMiddle_->setObjectName(QStringLiteral("histogram.axisMiddle"));
    axisEnd_->setObjectName(QStringLiteral("histogram.axisEnd"));
    axis->addWidget(axisStart_);
    axis->addStretch(1);
    axis->addWidget(axisMiddle_);
    axis->addStretch(1);
    axis->addWidget(axisEnd_);
    column->addLayout(axis);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    data_ = source_();
    present(data_);
}

QWidget* HistogramWaveformView::curves() const { return curves_; }
QWidget* HistogramWaveformView::shadowDot() const { return shadowDot_; }
QWidget* HistogramWaveformView::highlightDot() const { return highlightDot_; }

void HistogramWaveformView::refresh() {
    HistogramData data = source_();
    // The texts follow the language even when the data stays.
    const bool changed = !(data == data_);
    if (changed) data_ = std::move(data);
    present(data_);
    if (changed) curves_->update();
}

void HistogramWaveformView::present(const HistogramData& data) {
    const Marks marks = marksFor(data);
    badge_->setVisible(marks.badge);
    shadowDot_->setVisible(marks.shadowDot);
    highlightDot_->setVisible(marks.highlightDot);
    shadowDot_->setToolTip(localized("histogram.shadowCrushed"));
    highlightDot_->setToolTip(localized("histogram.highlightBlown"));
    const QColor secondary = standardColor(StandardColor::SecondaryText);
    const QFont mono9 = pixelFont(9, QFont::Normal, FontDesign::Monospaced);
    setText(axisStart_, QStringLiteral("0"), mono9, secondary);
    if (data.isUltraHDREnabled) {
        setText(badgeLabel_, badgeText(data.edrHeadroom), badgeLabel_->font(), standardColor(StandardColor::Orange));
        setText(axisMiddle_, QStringLiteral("SDR 255 (1.0)"), pixelFont(8.5, QFont::Normal, FontDesign::Monospaced),
                standardColor(StandardColor::Yellow, 0.9));
        setText(axisEnd_, headroomLabel(data.edrHeadroom), pixelFont(8.5, QFont::DemiBold, FontDesign::Monospaced),
                standardColor(StandardColor::Orange));
    } else {
        setText(axisMiddle_, localized("histogram.caption"), pixelFont(9, QFont::Medium),
                standardColor(StandardColor::SecondaryText, 0.7));
        setText(axisEnd_, QStringLiteral("255"), mono9, secondary);
    }
}

}  // namespace vantrel
