#pragma once
// The export dialog's rules, apart from its widgets: single or batch mode,
// the frame strip's chips, the size line, the quality read-out and which
// quality chip is current.
#include <array>
#include <cstddef>
#include <string>

#include "engine/io/LoadedPhoto.h"

namespace vantrel::exporting {

struct QualityChip {
    const char* title;
    double quality;
};
// Shown as they stand, never translated.
inline constexpr std::array<QualityChip, 4> kQualityChips{
    {{"75%", 0.75}, {"85%", 0.85}, {"95%", 0.95}, {"100%", 1.0}}};
inline constexpr std::size_t kStripChips = 10;

// Two frames or more are a batch; none or one the single mode.
inline bool isBatch(std::size_t frames) { return frames >= 2; }
// The chips of the frame strip: at most the first ten frames (as many as fit).
inline std::size_t stripChipCount(std::size_t frames) { return std::min(frames, kStripChips); }

// "roll_01.tif (6000 × 4000)": the title and the pixel size in whole numbers.
std::string sizeLine(const LoadedPhoto& photo);
// The quality as a rounded percentage: 0.58 reads "58%", 1.0 "100%".
std::string qualityPercent(double quality);
// A chip is current while the quality lies strictly within 0.01 of its value.
bool isCurrentChip(double quality, const QualityChip& chip);

}  // namespace vantrel::exporting
