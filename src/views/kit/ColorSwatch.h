#pragma once
// ColorSwatch: a patch of colour as a button. A circle (a channel of a mixer)
// can carry a selection ring with a soft white glow and an edited mark at its
// top-trailing corner; a rounded rectangle (a sampled film base) carries a thin
// outline. Setters never emit; a click emits clicked() once.
#include <QAbstractButton>
#include <QColor>

#include "views/kit/FocusRing.h"

namespace vantrel {

class ColorSwatch final : public WithFocusRing<QAbstractButton> {
    Q_OBJECT

public:
    enum class Shape { Circle, RoundedRect };

    // `size` is the patch; the widget adds a margin for the ring, glow and mark.
    ColorSwatch(Shape shape, QSizeF size, const QColor& colour, QWidget* parent = nullptr);

    void setColor(const QColor& colour);
    void setSelected(bool selected);
    void setMarked(bool marked);
    QColor color() const { return colour_; }
    bool isSelected() const { return selected_; }
    bool isMarked() const { return marked_; }
    // The patch in widget coordinates.
    QRectF patchRect() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Shape shape_;
    QSizeF size_;
    QColor colour_;
    bool selected_ = false;
    bool marked_ = false;
};

}  // namespace vantrel
