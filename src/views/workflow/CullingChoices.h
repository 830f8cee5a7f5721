#pragma once
// What each control of the culling bar sends when tapped, and the texts of its
// filter chips: plain functions over the shown values, tested without a window.
#include <array>
#include <string>

#include "model/PhotoCullingRecord.h"

namespace vantrel::culling {

// The labels that have a dot, left to right (`none` has none).
inline constexpr std::array<ColorLabel, 5> kDotLabels{ColorLabel::red, ColorLabel::yellow, ColorLabel::green,
                                                      ColorLabel::blue, ColorLabel::purple};
// The minimum ratings of the star chips, left to right.
inline constexpr std::array<int, 3> kRatingChips{1, 3, 5};

// Tapping the star equal to the rating clears it; any other star sets its number.
int ratingAfterStarTap(int current, int star);
// Tapping the chosen label's dot clears it; any other dot sets its label.
ColorLabel labelAfterDotTap(ColorLabel current, ColorLabel dot);
PickStatus statusAfterPickTap(PickStatus current);
PickStatus statusAfterRejectTap(PickStatus current);

// A star chip toggles its minimum rating and keeps the other two criteria.
bool isRatingChipSelected(const CullingFilterCriteria& criteria, int minRating);
CullingFilterCriteria filterAfterRatingChip(const CullingFilterCriteria& criteria, int minRating);
// The picked chip toggles the pick criterion and keeps the other two.
bool isPickedChipSelected(const CullingFilterCriteria& criteria);
CullingFilterCriteria filterAfterPickedChip(const CullingFilterCriteria& criteria);

// The star's tooltip: its key, the text of "culling.shortcutKey" filled with its number.
std::string starTooltip(int star);
// "★ ≥ 1", "★ ≥ 3", "★ 5": literal, never translated.
std::string ratingChipTitle(int minRating);
// The text of "common.all", a blank and the roll's count in parentheses: "All (36)".
std::string allChipTitle(int totalCount);
// "12 / 36": the frames that pass the filter, then the roll's.
std::string filterSummary(int filteredCount, int totalCount);

}  // namespace vantrel::culling
