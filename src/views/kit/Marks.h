#pragma once
// Small marks between and before the controls: a filled dot before a caption
// or a status text, and a one-point rule between groups.
#include <QColor>
#include <QWidget>

namespace vantrel {

// A filled circle of a fixed diameter.
class DotView final : public QWidget {
public:
    DotView(int diameter, const QColor& colour, QWidget* parent = nullptr);

    // Repaints only on a change.
    void setColor(const QColor& colour);
    QColor color() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
};

// A line one point thick in `colour`: horizontal, as wide as its row, or
// vertical, `length` points high.
QWidget* ruleLine(const QColor& colour, Qt::Orientation orientation = Qt::Horizontal, int length = 0);

}  // namespace vantrel
