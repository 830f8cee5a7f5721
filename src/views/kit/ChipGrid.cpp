#include "views/kit/ChipGrid.h"

#include <algorithm>
#include <numeric>

#include <QEvent>
#include <QPainter>

#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

ChipGrid::ChipGrid(const QString& name, const std::vector<ChipItem>& items, const ChipStyle& style, int maxColumns,
                   int spacing, QWidget* parent)
    : QWidget(parent), maxColumns_(std::max(maxColumns, 1)), spacing_(spacing) {
    setObjectName(name);
    ChipStyle stretching = style;
    stretching.stretches = true;  // the grid sizes them
    for (const ChipItem& item : items) {
        auto* chip = new Chip(item.text, stretching, this);
        chip->setObjectName(name + QLatin1Char('.') + item.id);
        if (item.dot) chip->setDot(item.dot);
        ids_.push_back(item.id);
        chips_.push_back(chip);
        connect(chip, &QAbstractButton::clicked, this, [this, id = item.id] { Q_EMIT chosen(id); });
    }
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void ChipGrid::setSelected(const QString& id) {
    for (std::size_t i = 0; i < chips_.size(); ++i) chips_[i]->setSelected(!id.isEmpty() && ids_[i] == id);
}

QString ChipGrid::selected() const {
    for (std::size_t i = 0; i < chips_.size(); ++i)
        if (chips_[i]->isSelected()) return ids_[i];
    return {};
}

void ChipGrid::setText(const QString& id, const QString& text) {
    Chip* c = chip(id);
    if (!c || c->text() == text) return;
    c->setText(text);
    updateGeometry();
    place();
}

void ChipGrid::setTrack(double padding, double radius) {
    track_ = true;
    trackPadding_ = padding;
    trackRadius_ = radius;
    updateGeometry();
    place();
}

Chip* ChipGrid::chip(const QString& id) const {
    for (std::size_t i = 0; i < chips_.size(); ++i)
        if (ids_[i] == id) return chips_[i];
    return nullptr;
}

std::vector<int> ChipGrid::rowsFor(int width) const {
    const int n = int(chips_.size());
    const int room = width - 2 * inset();
    // The fewest rows of equal counts in which every row's texts fit side by side.
    for (int rows = 1; rows <= n; ++rows) {
        const int perRow = (n + rows - 1) / rows;
        if (perRow > maxColumns_) continue;
        bool fits = true;
        std::vector<int> counts;
        for (int first = 0; first < n; first += perRow) {
            const int count = std::min(perRow, n - first);
            int used = (count - 1) * spacing_;
            for (int i = first; i < first + count; ++i) used += chips_[std::size_t(i)]->sizeHint().width();
            fits = fits && used <= room;
            counts.push_back(count);
        }
        if (fits) return counts;
    }
    return std::vector<int>(std::size_t(n), 1);  // a name wider than the grid: one per row
}

int ChipGrid::rowHeight() const {
    int h = 0;
    for (const Chip* c : chips_) h = std::max(h, c->sizeHint().height());
    return h;
}

int ChipGrid::heightForWidth(int width) const {
    const int rows = int(rowsFor(width).size());
    return rows * rowHeight() + std::max(rows - 1, 0) * spacing_ + 2 * inset();
}

QSize ChipGrid::sizeHint() const {
    // As wide as the texts of the first row of the fewest rows allowed.
    int widest = 0;
    for (const Chip* c : chips_) widest = std::max(widest, c->sizeHint().width());
    const int columns = std::min(maxColumns_, int(chips_.size()));
    const int w = columns * widest + std::max(columns - 1, 0) * spacing_ + 2 * inset();
    return {w, heightForWidth(w)};
}

QSize ChipGrid::minimumSizeHint() const {
    int widest = 0;
    for (const Chip* c : chips_) widest = std::max(widest, c->minimumSizeHint().width());
    return {widest + 2 * inset(), rowHeight() + 2 * inset()};
}

void ChipGrid::place() {
    const int room = width() - 2 * inset();
    const std::vector<int> rows = rowsFor(width());
    const int h = rowHeight();
    int first = 0;
    int y = inset();
    for (int count : rows) {
        std::vector<int> natural;
        for (int i = first; i < first + count; ++i) natural.push_back(chips_[std::size_t(i)]->sizeHint().width());
        const int free = room - (count - 1) * spacing_;
        const int share = free / count;
        const bool equal = *std::max_element(natural.begin(), natural.end()) <= share;
        const int spare = free - std::accumulate(natural.begin(), natural.end(), 0);
        double x = inset();
        for (int k = 0; k < count; ++k) {
            // Whole pixels, the last chip taking what rounding left.
            const double w = equal ? double(free) / count : natural[std::size_t(k)] + double(spare) / count;
            const int left = int(std::lround(x));
            const int right = k == count - 1 ? inset() + room : int(std::lround(x + w));
            chips_[std::size_t(first + k)]->setGeometry(left, y, std::max(right - left, 0), h);
            x += w + spacing_;
        }
        first += count;
        y += h + spacing_;
    }
}

void ChipGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

bool ChipGrid::event(QEvent* event) {
    // A chip's text or font changed its width: the rows may change.
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        place();
    }
    return QWidget::event(event);
}

void ChipGrid::paintEvent(QPaintEvent*) {
    if (!track_) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedRect(QRectF(rect()), trackRadius_), whiteAt(0.07));
}

}  // namespace vantrel
