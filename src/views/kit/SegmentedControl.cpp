#include "views/kit/SegmentedControl.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>

#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Chip.h"

namespace vantrel {

SegmentedControl::SegmentedControl(const QString& name, const std::vector<Segment>& segments, QWidget* parent)
    : WithFocusRing(parent) {
    setObjectName(name);
    setFocusPolicy(Qt::TabFocus);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    const ChipStyle style = ChipStyle::segment();
    for (std::size_t i = 0; i < segments.size(); ++i) {
        auto* chip = new Chip(segments[i].text, style, this);
        chip->setObjectName(name + QLatin1Char('.') + segments[i].id);
        chip->setFocusPolicy(Qt::NoFocus);  // the control takes the keys
        row->addWidget(chip, 1);
        ids_.push_back(segments[i].id);
        segments_.push_back(chip);
        connect(chip, &QAbstractButton::clicked, this, [this, i] { choose(i); });
    }
    if (!segments_.empty()) segments_.front()->setSelected(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SegmentedControl::setSelected(const QString& id) {
    for (std::size_t i = 0; i < segments_.size(); ++i)
        if (ids_[i] == id) {
            for (std::size_t j = 0; j < segments_.size(); ++j) segments_[j]->setSelected(j == i);
            return;
        }
}

QString SegmentedControl::selected() const {
    for (std::size_t i = 0; i < segments_.size(); ++i)
        if (segments_[i]->isSelected()) return ids_[i];
    return {};
}

void SegmentedControl::setText(const QString& id, const QString& text) {
    if (Chip* c = segment(id); c && c->text() != text) c->setText(text);
}

Chip* SegmentedControl::segment(const QString& id) const {
    for (std::size_t i = 0; i < segments_.size(); ++i)
        if (ids_[i] == id) return segments_[i];
    return nullptr;
}

void SegmentedControl::choose(std::size_t index) {
    if (index >= segments_.size() || segments_[index]->isSelected()) return;
    for (std::size_t j = 0; j < segments_.size(); ++j) segments_[j]->setSelected(j == index);
    Q_EMIT selectionChanged(ids_[index]);
}

void SegmentedControl::keyPressEvent(QKeyEvent* event) {
    std::size_t current = 0;
    for (std::size_t i = 0; i < segments_.size(); ++i)
        if (segments_[i]->isSelected()) current = i;
    if (event->key() == Qt::Key_Left && current > 0) return choose(current - 1);
    if (event->key() == Qt::Key_Right) return choose(current + 1);
    QWidget::keyPressEvent(event);
}

void SegmentedControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedRect(QRectF(rect()), 6), whiteAt(0.07));
    if (showsFocusRing())
        painter.strokePath(roundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6),
                           solidPen(standardColor(StandardColor::Accent, 0.8), 1));
}

}  // namespace vantrel
