#pragma once
// HistogramWaveformView: the inspector's histogram of the developed preview.
// Red, green and blue curves with filled areas, the luma line and a faint grid
// in a 90-point box; the clipping warnings as dots at its top right (each with
// its tooltip); with the extended range on, the right 28 % of the box becomes
// the extended-range zone with its own curve, a headroom badge at the top left
// and the axis row names both ranges. It only draws what it is given: no
// gestures, nothing reported back.
//
// Children: "histogram.curves", "histogram.badge", "histogram.shadowDot",
// "histogram.highlightDot", "histogram.axisStart", "histogram.axisMiddle",
// "histogram.axisEnd".
#include <QWidget>

#include "engine/stages/HistogramData.h"
#include "views/kit/ViewBasics.h"

class QLabel;

namespace vantrel {

class DotView;

namespace histogram {
class Curves;
}  // namespace histogram

class HistogramWaveformView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    explicit HistogramWaveformView(Source<HistogramData> data, QWidget* parent = nullptr);

    // Takes the data anew; repaints and re-labels only when it changed.
    void refresh() override;

    const HistogramData& data() const { return data_; }
    QWidget* curves() const;
    QWidget* badge() const { return badge_; }
    QWidget* shadowDot() const;
    QWidget* highlightDot() const;
    QLabel* badgeLabel() const { return badgeLabel_; }
    QLabel* axisStart() const { return axisStart_; }
    QLabel* axisMiddle() const { return axisMiddle_; }
    QLabel* axisEnd() const { return axisEnd_; }

private:
    void present(const HistogramData& data);

    Source<HistogramData> source_;
    HistogramData data_;
    histogram::Curves* curves_;
    QWidget* badge_;
    QLabel* badgeLabel_;
    DotView* shadowDot_;
    DotView* highlightDot_;
    QLabel* axisStart_;
    QLabel* axisMiddle_;
    QLabel* axisEnd_;
};

}  // namespace vantrel
