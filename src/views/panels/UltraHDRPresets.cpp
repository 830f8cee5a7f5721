#include "views/panels/UltraHDRPresets.h"

#include <cmath>

#include "services/L10n.h"

namespace vantrel {

const std::array<UltraHDRPreset, 3>& ultraHDRPresets() {
    static const std::array<UltraHDRPreset, 3> presets{{
        {"natural", "ultraHDR.presetNatural", 1.0, 0.8, 4.0},
        {"vivid", "ultraHDR.presetVivid", 1.8, 0.72, 5.0},
        {"specular", "ultraHDR.presetSpecular", 2.5, 0.65, 6.0},
    }};
    return presets;
}

bool isCurrentPreset(const UltraHDRParameters& hdr, const UltraHDRPreset& preset) {
    return std::abs(hdr.highlightBoost - preset.highlightBoost) < 0.1 &&
           std::abs(hdr.clipThreshold - preset.clipThreshold) < 0.05;
}

QString currentPresetID(const UltraHDRParameters& hdr) {
    for (const UltraHDRPreset& preset : ultraHDRPresets())
        if (isCurrentPreset(hdr, preset)) return QString::fromLatin1(preset.id);
    return {};
}

UltraHDRParameters applyingPreset(UltraHDRParameters hdr, const UltraHDRPreset& preset) {
    hdr.highlightBoost = preset.highlightBoost;
    hdr.clipThreshold = preset.clipThreshold;
    hdr.gainMapRadius = preset.gainMapRadius;
    return hdr;
}

QString screenStatusText(bool standardRangeOnly, double headroom) {
    return QString::fromStdString(standardRangeOnly ? L10n::tr("ultraHDR.screenSDR")
                                                    : L10n::tr("ultraHDR.screenXDR", headroom));
}

QString headroomText(double highlightBoost) {
    return QString::fromStdString(L10n::tr("ultraHDR.headroomInfo", std::pow(2.0, highlightBoost), highlightBoost));
}

}  // namespace vantrel
