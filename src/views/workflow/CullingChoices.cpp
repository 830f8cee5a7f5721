#include "views/workflow/CullingChoices.h"

#include <array>

#include "services/L10n.h"
#include "services/TextFormatter.h"

namespace vantrel::culling {

int ratingAfterStarTap(int current, int star) { return current == star ? 0 : star; }

ColorLabel labelAfterDotTap(ColorLabel current, ColorLabel dot) { return current == dot ? ColorLabel::none : dot; }

PickStatus statusAfterPickTap(PickStatus current) {
    return current == PickStatus::picked ? PickStatus::unflagged : PickStatus::picked;
}

PickStatus statusAfterRejectTap(PickStatus current) {
    return current == PickStatus::rejected ? PickStatus::unflagged : PickStatus::rejected;
}

bool isRatingChipSelected(const CullingFilterCriteria& criteria, int minRating) {
    return criteria.minRating == minRating;
}

CullingFilterCriteria filterAfterRatingChip(const CullingFilterCriteria& criteria, int minRating) {
    CullingFilterCriteria next = criteria;
    if (isRatingChipSelected(criteria, minRating))
        next.minRating.reset();
    else
        next.minRating = minRating;
    return next;
}

bool isPickedChipSelected(const CullingFilterCriteria& criteria) { return criteria.pickFilter == PickStatus::picked; }

CullingFilterCriteria filterAfterPickedChip(const CullingFilterCriteria& criteria) {
    CullingFilterCriteria next = criteria;
    if (isPickedChipSelected(criteria))
        next.pickFilter.reset();
    else
        next.pickFilter = PickStatus::picked;
    return next;
}

namespace {

std::string decimal(int value) {
    const std::array<FormatArg, 1> args{makeFormatArg(value)};
    return formatText("%d", args);
}

}  // namespace

std::string starTooltip(int star) { return L10n::tr("culling.shortcutKey", decimal(star)); }

std::string ratingChipTitle(int minRating) {
    // U+2605 BLACK STAR, U+2265 GREATER-THAN OR EQUAL TO.
    if (minRating == 5) return "\u2605 5";
    return "\u2605 \u2265 " + decimal(minRating);
}

std::string allChipTitle(int totalCount) { return L10n::tr("common.all") + " (" + decimal(totalCount) + ")"; }

std::string filterSummary(int filteredCount, int totalCount) {
    return L10n::tr("culling.filterSummary", filteredCount, totalCount);
}

}  // namespace vantrel::culling
