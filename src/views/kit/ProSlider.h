#pragma once
// ProSlider: the labelled slider row used by every panel. A title, a value
// read-out and a thin track with a round thumb, bound to one number. A drag
// puts the thumb's centre under the pointer, snaps to the step and clamps to
// the range; a double click on the title or track, or a click on the read-out,
// resets to the default. It knows nothing of recipes: it writes its binding and
// reports the start and end of each gesture through `onEditingChanged`. A value
// stored in one form and shown in another (a fraction shown as a percentage)
// takes a value formatter.
#include <functional>

#include <QColor>
#include <QString>
#include <QWidget>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/FittingText.h"
#include "views/kit/Icons.h"
#include "model/Binding.h"

class QPushButton;

namespace vantrel {

class ProSlider final : public QWidget {
    Q_OBJECT

public:
    struct Range {
        double lower = 0;
        double upper = 1;
    };

    // The whole read-out text of a value, in place of sign, format and unit.
    using ValueFormatter = std::function<QString(double)>;

    static constexpr double kThumbSize = 11.0;
    static constexpr double kTrackHeight = 14.0;

    ProSlider(QString title, Binding<double> value, Range range, double defaultValue, double step = 0.01,
              QString displayFormat = QStringLiteral("%.2f"), QString unit = {},
              QColor tintColor = DarkroomTheme::accent(), std::function<void(bool)> onEditingChanged = {},
              QWidget* parent = nullptr);

    // "+" for positive values of a range reaching below zero, the number in the
    // display format, then " " and the unit when there is one; or the value
    // formatter's text when one is set.
    QString formattedValue(double value) const;
    // Shows values (read-out and the default in the tooltip) through `formatter`;
    // an empty formatter returns to the display format. Writes nothing.
    void setValueFormatter(ValueFormatter formatter);
    // 0.5 -> "50%": the value times 100, rounded half away from zero.
    static ValueFormatter percentFormatter();
    // Writes the default exactly, ends a drag in progress, reports false.
    void resetToDefault();
    // Re-reads the bound value and redraws.
    void refresh();
    // A new title (the interface language changed); the tooltip follows.
    void setTitle(const QString& title);
    // A row built without a title shows only its track; this adds the value
    // read-out above the track's right end, as a titled row has it.
    void showValue();
    // A new tint of the track's fill and the changed read-out; writes nothing.
    void setTintColor(const QColor& tint);
    const QColor& tintColor() const { return tint_; }

    double value() const { return value_.get(); }
    Range range() const { return range_; }
    bool isDragging() const { return isDragging_; }
    // Differs from the default by more than 0.0001.
    bool isChanged() const;

    // Geometry of a track `width` wide, for drawing and for tests.
    static double span(Range range);
    double fraction() const;
    double thumbOffset(double width) const;
    // The value a drag at `x` writes: absolute position, snapped, clamped.
    static double dragValue(double x, double width, Range range, double step);

    FittingLabel* titleLabel() const { return title_; }  // none without a title
    QPushButton* readout() const { return readout_; }   // none without a title, unless shown
    QWidget* track() const { return track_; }

private:
    friend class ProSliderTrack;
    void dragTo(double x);
    void endDrag();
    void addValueRow();
    QString resetTip() const;
    void restyle();
    void reserveReadout();

    Binding<double> value_;
    Range range_;
    double defaultValue_;
    double step_;
    QString displayFormat_;
    QString unit_;
    QColor tint_;
    ValueFormatter formatter_;
    std::function<void(bool)> onEditingChanged_;
    bool isDragging_ = false;
    int styledAs_ = -1;  // the changed state the read-out was last styled for
    LanguageWatch language_;  // of an untitled read-out's tooltip

    FittingLabel* title_ = nullptr;
    QPushButton* readout_ = nullptr;
    QWidget* track_ = nullptr;
};

}  // namespace vantrel
