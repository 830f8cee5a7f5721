#pragma once
// The geometry of a frame: kept rectangle, straightening, quarter turns, flips
// and the aspect ratio the crop is locked to while editing.
#include <cmath>

#include <nlohmann/json_fwd.hpp>

#include "model/CropAspectRatio.h"
#include "model/NormalizedRect.h"

namespace vantrel {

struct CropParameters {
    NormalizedRect rect = NormalizedRect::full();
    double straightenAngle = 0;  // degrees
    int quarterTurns = 0;        // counted modulo 4
    bool isFlippedH = false;
    bool isFlippedV = false;
    CropAspectRatio aspectRatio = CropAspectRatio::free;

    static const CropParameters& defaultValue();

    // True when the geometry stage has nothing to do; the aspect ratio is not looked at.
    bool isIdentity() const {
        return rect.isFull() && std::abs(straightenAngle) < 0.01 && (quarterTurns & 3) == 0 && !isFlippedH &&
               !isFlippedV;
    }

    bool operator==(const CropParameters&) const = default;
};

void to_json(nlohmann::json& j, const CropParameters& crop);
void from_json(const nlohmann::json& j, CropParameters& crop);

}  // namespace vantrel
