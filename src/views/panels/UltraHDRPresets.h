#pragma once
// The extended-range panel's presets and texts, apart from its widgets so that
// they can be tested without a window.
#include <array>

#include <QString>

#include "model/UltraHDRParameters.h"

namespace vantrel {

struct UltraHDRPreset {
    const char* id;   // chip identifier
    const char* key;  // title key
    double highlightBoost;
    double clipThreshold;
    double gainMapRadius;
};

const std::array<UltraHDRPreset, 3>& ultraHDRPresets();

// A preset counts as the current one when the boost is within 0.1 and the
// threshold within 0.05 of its own (both strictly); the radius is not compared.
bool isCurrentPreset(const UltraHDRParameters& hdr, const UltraHDRPreset& preset);
// The identifier of the current preset, or empty.
QString currentPresetID(const UltraHDRParameters& hdr);
// The record with the preset's boost, threshold and radius, every other field kept.
UltraHDRParameters applyingPreset(UltraHDRParameters hdr, const UltraHDRPreset& preset);

// The screen's status line: the standard-range text, or the extended-range
// text with the potential headroom.
QString screenStatusText(bool standardRangeOnly, double headroom);
// The gain the boost gives on an extended-range screen: 2^boost times and the boost in EV.
QString headroomText(double highlightBoost);

}  // namespace vantrel
