#include "views/workflow/FrameChipStrip.h"

#include <algorithm>

#include <QLabel>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

namespace {

constexpr int kChipPaddingX = 6, kChipPaddingY = 3;

// The width a label lays the line out in, which may pass its advance by a pixel.
int textWidth(const QFontMetrics& metrics, const QString& text) {
    return std::max(metrics.horizontalAdvance(text),
                    metrics.boundingRect(QRect(0, 0, QWIDGETSIZE_MAX, QWIDGETSIZE_MAX), 0, text).width());
}

}  // namespace

FrameChipStrip::FrameChipStrip(const std::vector<QString>& titles, std::size_t total,
                               std::function<QString(std::size_t)> moreText, QWidget* parent)
    : QWidget(parent), titles_(titles), total_(std::max(total, titles.size())), moreText_(std::move(moreText)) {
    const QString chipStyle = QStringLiteral("QLabel { background: %1; border-radius: 4px; padding: %2px %3px; }")
                                  .arg(DarkroomTheme::css(whiteAt(0.06)))
                                  .arg(kChipPaddingY)
                                  .arg(kChipPaddingX);
    for (std::size_t i = 0; i < titles_.size(); ++i) {
        auto* chip = new QLabel(titles_[i], this);
        chip->setObjectName(QStringLiteral("export.frame%1").arg(i));
        chip->setFont(pixelFont(10, QFont::Normal, FontDesign::Monospaced));
        chip->setStyleSheet(chipStyle);
        chips_.push_back(chip);
    }
    // What a chip adds around its text (its padding, the label's own indent), as it measures itself.
    if (!chips_.empty()) {
        QLabel* chip = chips_.front();
        chip->ensurePolished();
        chipFrame_ = chip->sizeHint() - QSize(textWidth(chip->fontMetrics(), titles_.front()), chip->fontMetrics().height());
    }
    more_ = new QLabel(this);
    more_->setObjectName(QStringLiteral("export.more"));
    more_->setStyleSheet(DarkroomTheme::secondaryTextStyle(DarkroomTheme::TextSize::small));
    more_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    refresh();
}

QSize FrameChipStrip::chipSize(std::size_t index, int width) const {
    const QFontMetrics metrics = chips_[index]->fontMetrics();
    return {std::min(textWidth(metrics, titles_[index]) + chipFrame_.width(), width), metrics.height() + chipFrame_.height()};
}

// As tall as a chip, its text centred on the chips' line.
QSize FrameChipStrip::moreSize(std::size_t hidden) const {
    more_->ensurePolished();
    const int chipHeight = QFontMetrics(pixelFont(10, QFont::Normal, FontDesign::Monospaced)).height() + chipFrame_.height();
    return {textWidth(more_->fontMetrics(), moreText_(hidden)), std::max(chipHeight, more_->fontMetrics().height())};
}

FrameChipStrip::Placement FrameChipStrip::arrange(int width) const {
    width = std::max(width, 1);
    // As many chips as fit, in order, with the count of the rest after the last.
    for (std::size_t shown = chips_.size();; --shown) {
        Placement placement;
        int x = 0, y = kInset, line = 1, lineHeight = 0;
        // Places an item of `size` on the current line or the next; false when no line is left.
        const auto put = [&](QSize size, QRect& place) {
            if (x > 0 && x + size.width() > width) {
                if (line == kLines) return false;
                ++line;
                x = 0;
                y += lineHeight + kSpacing;
                lineHeight = 0;
            }
            place = QRect(QPoint(x, y), size);
            x += size.width() + kSpacing;
            lineHeight = std::max(lineHeight, size.height());
            return true;
        };
        bool fits = true;
        for (std::size_t i = 0; i < shown && fits; ++i) fits = put(chipSize(i, width), placement.chips.emplace_back());
        if (fits && total_ > shown) fits = put(moreSize(total_ - shown), placement.more);
        if (!fits && shown > 0) continue;
        placement.height = y + lineHeight + kInset;
        return placement;
    }
}

void FrameChipStrip::place() {
    const Placement placement = arrange(width());
    for (std::size_t i = 0; i < chips_.size(); ++i) {
        QLabel* chip = chips_[i];
        const bool shown = i < placement.chips.size();
        chip->setVisible(shown);
        if (!shown) continue;
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
    if (hidden > 0) {
        more_->setText(moreText_(hidden));
        more_->setGeometry(placement.more);
    }
}

void FrameChipStrip::refresh() {
    place();
    updateGeometry();
}

std::vector<QLabel*> FrameChipStrip::shownChips() const {
    std::vector<QLabel*> shown;
    for (QLabel* chip : chips_)
        if (!chip->isHidden()) shown.push_back(chip);
    return shown;
}

int FrameChipStrip::heightForWidth(int width) const { return arrange(width).height; }

QSize FrameChipStrip::sizeHint() const {
    // Every chip on one line, as wide as that is; the height of the lines at the width it has.
    int width = 0;
    for (std::size_t i = 0; i < chips_.size(); ++i) width += chipSize(i, QWIDGETSIZE_MAX).width() + kSpacing;
    return {width, heightForWidth(this->width() > 0 ? this->width() : width)};
}

QSize FrameChipStrip::minimumSizeHint() const { return {0, heightForWidth(width())}; }

void FrameChipStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

}  // namespace vantrel
