#pragma once
// SegmentedControl: a small picker of a few segments on one rounded track,
// exactly one selected. setSelected() never emits; a click on another segment,
// or the left and right keys, emits selectionChanged() once with its
// identifier; a click on the selected segment emits nothing. Segments are
// named "<control name>.<id>".
#include <vector>

#include <QString>
#include <QWidget>

#include "views/kit/FocusRing.h"

namespace vantrel {

class Chip;

struct Segment {
    QString id;
    QString text;
};

class SegmentedControl final : public WithFocusRing<QWidget> {
    Q_OBJECT

public:
    SegmentedControl(const QString& name, const std::vector<Segment>& segments, QWidget* parent = nullptr);

    void setSelected(const QString& id);
    QString selected() const;
    void setText(const QString& id, const QString& text);
    Chip* segment(const QString& id) const;

Q_SIGNALS:
    void selectionChanged(const QString& id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(std::size_t index);

    std::vector<QString> ids_;
    std::vector<Chip*> segments_;
};

}  // namespace vantrel
