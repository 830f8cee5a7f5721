#pragma once
// DotView: a filled circle of a fixed diameter, the small marker before a
// caption or a status text.
#include <QColor>
#include <QWidget>

namespace vantrel {

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

}  // namespace vantrel
