#pragma once
// FloatingToolBar: the look the tool bars floating over the frame share (the
// mask, spot-healing and crop bars): one row of controls inset 16 points left
// and right and 8 top and bottom, on a rounded fill with a soft shadow and a
// thin outline; groups of controls divided by 20-point dividers; the done
// button last. Also the button styles these bars use.
#include <QWidget>

#include "views/panels/Chip.h"

class QHBoxLayout;

namespace vantrel {

class FloatingToolBar : public QWidget {
    Q_OBJECT

public:
    // `name` becomes the object name; `spacing` separates the row's items.
    FloatingToolBar(const QString& name, int spacing, QWidget* parent = nullptr);

    QHBoxLayout* row() const { return row_; }
    // A 20-point divider in white at 0.15, added at the end of the row.
    QWidget* addSeparator();

    // A bordered button: a label on a faint rounded fill.
    static ChipStyle bordered(double fontPixels, QFont::Weight weight, const QColor& text);
    // The prominent done button: white text on the accent colour.
    static ChipStyle prominent(double fontPixels, double paddingX);
    // A borderless text button.
    static ChipStyle borderless(double fontPixels, QFont::Weight weight, const QColor& text);
    // `child` in a box that asks for `preferred` points of width and gives
    // way down to `minimum` when the bar is short of room (a slider).
    static QWidget* flexibleWidth(QWidget* child, int preferred, int minimum);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QHBoxLayout* row_;
};

}  // namespace vantrel
