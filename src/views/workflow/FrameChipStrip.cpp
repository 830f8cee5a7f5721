#include "views/workflow/FrameChipStrip.h"

#include <algorithm>

#include <QLabel>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

namespace {

constexpr int kSpacing = 6;  // between chips and between lines
constexpr int kInset = 2;    // above and below

// The width a label lays the line out in, which may pass its advance by a pixel.
int textWidth(const QFontMetrics& metrics, const QString& text) {
    return std::max(metrics.horizontalAdvance(text),
                    metrics.boundingRect(QRect(0, 0, QWIDGETSIZE_MAX, QWIDGETSIZE_MAX), 0, text).width());
}

}  // namespace

FrameChipStrip::FrameChipStrip(const std::vector<QString>& titles, std::size_t total,
                               std::function<QString(std::size_t)> moreText, QWidget* parent)
    : QWidget(parent), titles_(titles), total_(std::max(total, titles.size())), moreText_(std::move(moreText)) {
    const QString chipStyle = QStringLiteral("QLabel { background: %1; border-radius: 4px; padding: 3px 6px; }")
                                  .arg(DarkroomTheme::css(whiteAt(0.06)));
    for (std::size_t i = 0; i < titles_.size(); ++i) {
        auto* chip = new QLabel(titles_[i], this);
        chip->setObjectName(QStringLiteral("export.frame%1").arg(i));
        chip->setFont(pixelFont(10, QFont::Normal, FontDesign::Monospaced));
        chip->setStyleSheet(chipStyle);
        chip->ensurePolished();
        // Its padding and the label's own indent, as the chip measures itself.
        chipFrame_ = chip->sizeHint() - QSize(textWidth(chip->fontMetrics(), titles_[i]), chip->fontMetrics().height());
        chips_.push_back(chip);
    }
    more_ = new QLabel(this);
    more_->setObjectName(QStringLiteral("export.more"));
    more_->setStyleSheet(DarkroomTheme::secondaryTextStyle(DarkroomTheme::TextSize::small));
    more_->ensurePolished();
    place();
}

FrameChipStrip::Placement FrameChipStrip::arrange(int width) const {
    width = std::max(width, 1);
    const int chipHeight = QFontMetrics(pixelFont(10, QFont::Normal, FontDesign::Monospaced)).height() + chipFrame_.height();
    // As many chips as fit, in order, with the count of the rest after the last.
    for (std::size_t shown = chips_.size();; --shown) {
        Placement placement;
        int x = 0, y = kInset, line = 1;
        // Places an item `itemWidth` wide on the current line or the next; false when no line is left.
        const auto put = [&](int itemWidth, QRect& place) {
            if (x > 0 && x + itemWidth > width) {
                if (line++ == kLines) return false;
                x = 0;
                y += chipHeight + kSpacing;
            }
            place = QRect(x, y, std::min(itemWidth, width), chipHeight);
            x += place.width() + kSpacing;
            return true;
        };
        bool fits = true;
        for (std::size_t i = 0; i < shown && fits; ++i)
            fits = put(textWidth(chips_[i]->fontMetrics(), titles_[i]) + chipFrame_.width(), placement.chips.emplace_back());
        if (fits && total_ > shown) fits = put(textWidth(more_->fontMetrics(), moreText_(total_ - shown)), placement.more);
        if (!fits && shown > 0) continue;
        placement.height = y + chipHeight + kInset;
        return placement;
    }
}

void FrameChipStrip::place() {
    const Placement placement = arrange(width());
    for (std::size_t i = 0; i < chips_.size(); ++i) {
        QLabel* chip = chips_[i];
        chip->setVisible(i < placement.chips.size());
        if (chip->isHidden()) continue;
        const QRect place = placement.chips[i];
        QString text = titles_[i];
        if (textWidth(chip->fontMetrics(), text) + chipFrame_.width() > place.width())
            text = chip->fontMetrics().elidedText(text, Qt::ElideMiddle, place.width() - chipFrame_.width() - 1);
        chip->setText(text);
        chip->setToolTip(text == titles_[i] ? QString() : titles_[i]);
        chip->setGeometry(place);
    }
    const std::size_t hidden = total_ - placement.chips.size();
    more_->setVisible(hidden > 0);
    more_->setText(hidden > 0 ? moreText_(hidden) : QString());
    more_->setGeometry(placement.more);
}

std::vector<QLabel*> FrameChipStrip::shownChips() const {
    std::vector<QLabel*> shown;
    for (QLabel* chip : chips_)
        if (!chip->isHidden()) shown.push_back(chip);
    return shown;
}

void FrameChipStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

}  // namespace vantrel
