#pragma once
// The spot-healing stage: each healed spot is covered by a patch of the same image taken from
// a displaced place, blended in through a soft disc (fully replaced, scaled by the spot's
// opacity, inside 35 % of its radius, fading to untouched at the radius). Spots are healed in
// list order, each taking its patch from the image already healed by the earlier ones.
#include <optional>
#include <vector>

#include "engine/core/Image.h"
#include "model/SpotHealingParameters.h"

namespace vantrel {

// One spot in pixels of a frame's extent: disc centre and radius, and the displacement from a
// pixel of the disc to the place its patch is read from (plane coordinates, y up).
struct SpotPlacement {
    double centerX = 0;
    double centerY = 0;
    double radius = 0;
    double sourceDX = 0;
    double sourceDY = 0;
    double opacity = 1;
};

// Where a spot lands on a frame with this extent (radius at least 4 pixels; without a source
// offset the patch comes from 2 radii to the right). Absent when the spot holds values that
// are not numbers.
std::optional<SpotPlacement> placeSpot(const Rect& extent, const SpotItem& spot);

// The input healed at every spot of the record (returned unchanged when the record is off or
// holds no spots; the dust-spotting view is another stage). The result keeps the input's
// extent; a patch that would be read from beyond the frame repeats the frame's edge instead
// of bringing in transparency.
Image applySpotHealing(const Image& input, const SpotHealingParameters& healing);

}  // namespace vantrel
