#pragma once
// Small marks between, before and behind the controls: a filled dot before a
// caption or a status text, a one-point rule between groups, and the rounded
// fill behind a badge or a cell.
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

// A rounded fill behind the widget's children; a negative radius rounds the
// ends fully (a capsule).
class FilledBacking final : public QWidget {
public:
    FilledBacking(const QColor& fill, double radius, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
    double radius_;
};

// A line one point thick in `colour`, painted once: horizontal, as wide as its row, or
// vertical, `length` points high (0: as high as its place).
QWidget* ruleLine(const QColor& colour, Qt::Orientation orientation = Qt::Horizontal, int length = 0);

}  // namespace vantrel
