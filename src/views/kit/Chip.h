#pragma once
// Chip: the plain-style button of the panels, drawn as its label only: a text
// (with an optional colour dot or symbol before it) on a rounded fill that
// changes when the chip is selected. Preset buttons, option chips, suggestion
// chips and text buttons such as a header's reset are all chips.
// setSelected() and the setters never emit; a click emits clicked() once.
#include <optional>
#include <string>

#include <QAbstractButton>
#include <QColor>
#include <QFont>

#include "views/kit/FocusRing.h"

namespace vantrel {

struct ChipStyle {
    double fontPixels = 10;
    QFont::Weight weight = QFont::Normal;
    QFont::Weight selectedWeight = QFont::Bold;
    double paddingX = 6;
    double paddingY = 3;
    double radius = 4;
    QColor text;           // default: secondary text
    QColor selectedText;   // default: white
    QColor fill;           // default: white at 0.06; transparent for a text button
    QColor selectedFill;   // default: the accent colour
    bool stretches = false;  // shares its row's width instead of keeping its natural width

    ChipStyle();
    // A chip of a choice row (font size, vertical padding, corner radius): bold
    // white on the accent when selected, secondary on white 0.06 otherwise; stretches.
    static ChipStyle option(double fontPixels, double paddingY, double radius);
    // A colour-mode chip: its dot beside the text, on white 0.12 when selected, 0.04 otherwise.
    static ChipStyle colorMode();
    // A one-tap preset button: never selected, its text on white 0.06.
    static ChipStyle preset(double fontPixels, QFont::Weight weight, double paddingX, double paddingY,
                            double radius, const QColor& text);
    // A text-only button (a header's reset): no fill, no padding.
    static ChipStyle textButton(double fontPixels, QFont::Weight weight, const QColor& text);
    // A segment of a segmented control: no fill, secondary text; selected, primary
    // demi-bold text on white 0.2.
    static ChipStyle segment();
};

class Chip : public WithFocusRing<QAbstractButton> {
    Q_OBJECT

public:
    Chip(const QString& text, const ChipStyle& style, QWidget* parent = nullptr);

    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    // A filled 7-point circle before the text, or none.
    void setDot(std::optional<QColor> colour);
    // A symbol before the text in the text's colour (or in `colour`), or none.
    void setSymbol(std::string symbol, std::optional<QColor> colour = std::nullopt);
    void setChipStyle(const ChipStyle& style);
    const ChipStyle& chipStyle() const { return style_; }

    // The text as drawn at the current width (shortened with an ellipsis when narrow).
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QFont currentFont() const;
    double leadingWidth() const;  // dot or symbol and its spacing

    ChipStyle style_;
    bool selected_ = false;
    std::optional<QColor> dot_;
    std::string symbol_;
    std::optional<QColor> symbolColour_;
};

}  // namespace vantrel
