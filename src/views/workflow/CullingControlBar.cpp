#include "views/workflow/CullingControlBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

#include "services/L10n.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/FittingText.h"
#include "views/kit/Layouts.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Chip.h"
#include "views/workflow/CullingChoices.h"
#include "views/kit/Marks.h"
#include "views/workflow/WorkflowParts.h"

namespace vantrel {

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

FittingLabel* caption(const char* name) {
    auto* label = fittingLabel(name, DarkroomTheme::secondaryTextStyle(DarkroomTheme::TextSize::small, QFont::Medium));
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return label;
}

QWidget* divider() {
    QWidget* line = ruleLine(whiteAt(0.15), Qt::Vertical);
    line->setFixedHeight(16);
    return line;
}

ChipStyle filterChipStyle() {
    ChipStyle style;
    style.fontPixels = 9;
    style.weight = QFont::Normal;
    style.selectedWeight = QFont::Bold;
    style.paddingX = 6;
    style.paddingY = 3;
    style.radius = 4;
    style.fill = whiteAt(0.05);
    style.selectedFill = standardColor(StandardColor::Accent, 0.85);
    return style;
}

}  // namespace

CullingControlBar::CullingControlBar(Source<State> state, QWidget* parent) : QWidget(parent), state_(std::move(state)) {
    setObjectName(QStringLiteral("CullingControlBar"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 4, 12, 4);
    row->setSpacing(12);

    auto* rating = flatRow(3);
    ratingCaption_ = caption("culling.ratingCaption");
    rating->addWidget(ratingCaption_);
    for (int n = 1; n <= 5; ++n) {
        auto* star = new SymbolButton(11, 1, 2);
        star->setObjectName(QStringLiteral("culling.star%1").arg(n));
        connect(star, &QAbstractButton::clicked, this,
                [this, n] { Q_EMIT ratingRequested(culling::ratingAfterStarTap(state_().rating, n)); });
        stars_[std::size_t(n - 1)] = star;
        rating->addWidget(star);
    }
    row->addLayout(rating);
    row->addWidget(divider());

    auto* labels = flatRow(4);
    labelCaption_ = caption("culling.labelCaption");
    labels->addWidget(labelCaption_);
    for (std::size_t i = 0; i < culling::kDotLabels.size(); ++i) {
        const ColorLabel label = culling::kDotLabels[i];
        auto* dot = new LabelDot(colorFromHex(colorHex(label)));
        dot->setObjectName(QStringLiteral("culling.label.") + text(std::string(rawValue(label))));
        connect(dot, &QAbstractButton::clicked, this, [this, label] {
            Q_EMIT colorLabelRequested(culling::labelAfterDotTap(state_().colorLabel, label));
        });
        dots_[i] = dot;
        labels->addWidget(dot);
    }
    row->addLayout(labels);
    row->addWidget(divider());

    auto* flags = flatRow(4);
    pick_ = new SymbolButton(10, 4, 4);
    pick_->setObjectName(QStringLiteral("culling.pick"));
    connect(pick_, &QAbstractButton::clicked, this,
            [this] { Q_EMIT pickStatusRequested(culling::statusAfterPickTap(state_().pickStatus)); });
    reject_ = new SymbolButton(10, 4, 4);
    reject_->setObjectName(QStringLiteral("culling.reject"));
    connect(reject_, &QAbstractButton::clicked, this,
            [this] { Q_EMIT pickStatusRequested(culling::statusAfterRejectTap(state_().pickStatus)); });
    flags->addWidget(pick_);
    flags->addWidget(reject_);
    row->addLayout(flags);
    row->addStretch(1);

    auto* filters = flatRow(4);
    all_ = new Chip({}, filterChipStyle());
    all_->setObjectName(QStringLiteral("culling.filter.all"));
    all_->setFocusPolicy(Qt::NoFocus);
    connect(all_, &QAbstractButton::clicked, this, [this] { Q_EMIT filterRequested(CullingFilterCriteria::none()); });
    filters->addWidget(all_);
    for (std::size_t i = 0; i < culling::kRatingChips.size(); ++i) {
        const int minRating = culling::kRatingChips[i];
        auto* chip = new Chip(text(culling::ratingChipTitle(minRating)), filterChipStyle());
        chip->setObjectName(QStringLiteral("culling.filter.rating%1").arg(minRating));
        chip->setFocusPolicy(Qt::NoFocus);
        connect(chip, &QAbstractButton::clicked, this, [this, minRating] {
            Q_EMIT filterRequested(culling::filterAfterRatingChip(state_().filter, minRating));
        });
        ratingChips_[i] = chip;
        filters->addWidget(chip);
    }
    picked_ = new SymbolButton(9, 5, 3, SymbolButton::Shape::roundedRect, 4);
    picked_->setObjectName(QStringLiteral("culling.filter.picked"));
    connect(picked_, &QAbstractButton::clicked, this,
            [this] { Q_EMIT filterRequested(culling::filterAfterPickedChip(state_().filter)); });
    filters->addWidget(picked_);
    summary_ = new QLabel;
    summary_->setObjectName(QStringLiteral("culling.summary"));
    summary_->setFont(pixelFont(DarkroomTheme::TextSize::small, QFont::Medium, FontDesign::Monospaced));
    summary_->setStyleSheet(DarkroomTheme::colorStyle(DarkroomTheme::accent()));
    summary_->setContentsMargins(4, 0, 0, 0);
    filters->addWidget(summary_);
    row->addLayout(filters);

    refresh();
}

LabelDot* CullingControlBar::dot(ColorLabel label) const {
    for (std::size_t i = 0; i < culling::kDotLabels.size(); ++i)
        if (culling::kDotLabels[i] == label) return dots_[i];
    return nullptr;
}

Chip* CullingControlBar::ratingChip(int minRating) const {
    for (std::size_t i = 0; i < culling::kRatingChips.size(); ++i)
        if (culling::kRatingChips[i] == minRating) return ratingChips_[i];
    return nullptr;
}

void CullingControlBar::refresh() {
    const State state = state_();
    const QColor secondary = standardColor(StandardColor::SecondaryText);
    const QColor accent = standardColor(StandardColor::Accent);

    ratingCaption_->setFullText(text(L10n::tr("culling.rating")));
    for (int n = 1; n <= 5; ++n) {
        SymbolButton* button = star(n);
        if (state.rating >= n)
            button->setLook("star.fill", standardColor(StandardColor::Yellow));
        else
            button->setLook("star", standardColor(StandardColor::SecondaryText, 0.6));
        button->setToolTip(text(culling::starTooltip(n)));
    }

    labelCaption_->setFullText(text(L10n::tr("culling.colorLabel")));
    for (std::size_t i = 0; i < culling::kDotLabels.size(); ++i) {
        dots_[i]->setRinged(state.colorLabel == culling::kDotLabels[i]);
        dots_[i]->setToolTip(text(L10n::tr(displayNameKey(culling::kDotLabels[i]))));
    }

    const bool picked = state.pickStatus == PickStatus::picked;
    pick_->setLook(picked ? "flag.fill" : "flag", picked ? QColor(Qt::white) : secondary,
                   picked ? accent : QColor(Qt::transparent));
    pick_->setToolTip(text(L10n::tr("culling.pickFlag")));
    const bool rejected = state.pickStatus == PickStatus::rejected;
    reject_->setLook(rejected ? "xmark.circle.fill" : "xmark.circle",
                     rejected ? standardColor(StandardColor::Red) : secondary);
    reject_->setToolTip(text(L10n::tr("culling.rejectFlag")));

    all_->setText(text(culling::allChipTitle(state.totalCount)));
    all_->setSelected(state.filter.isEmpty());
    for (std::size_t i = 0; i < culling::kRatingChips.size(); ++i)
        ratingChips_[i]->setSelected(culling::isRatingChipSelected(state.filter, culling::kRatingChips[i]));
    const bool pickedOnly = culling::isPickedChipSelected(state.filter);
    picked_->setLook(pickedOnly ? "flag.fill" : "flag", pickedOnly ? accent : secondary,
                     pickedOnly ? standardColor(StandardColor::Accent, 0.15) : whiteAt(0.05));
    picked_->setToolTip(text(L10n::tr("culling.filterPicked")));

    summary_->setText(text(culling::filterSummary(state.filteredCount, state.totalCount)));
    summary_->setVisible(!state.filter.isEmpty());
}

void CullingControlBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), DarkroomTheme::windowBackground());
    painter.fillRect(QRect(0, height() - 1, width(), 1), DarkroomTheme::separator());
}

}  // namespace vantrel
