#pragma once
// Highlight boost above standard white. From the frame a soft grey gain map is derived (black
// below a luminance threshold, rising towards white above it); it lifts the highlights by a
// screen blend, and then either multiplies them by a gain that grows exponentially with the
// boost (extended-range output, values above 1.0 kept) or screens a little more of the map over
// them (standard range, staying within 0…1). Stateless; builds lazy graphs, except
// edrHistogramBins, which renders a 64-bin histogram of the map.
#include <vector>

#include "engine/core/Context.h"
#include "engine/core/Image.h"
#include "model/ScreenHeadroom.h"
#include "model/UltraHDRParameters.h"

namespace vantrel {

// The range the boosted highlights are made for: whatever the screen's headroom offers, or a
// fixed one. Exports take the standard range, so a file never
// depends on the attached screen.
enum class BoostRange { screen, standard, extended };

// The boosted frame. Disabled records, a boost not beyond its row's threshold, and frames of 1 pixel or less
// on a side return the frame itself.
Image applyUltraHDR(const Image& frame, const UltraHDRParameters& parameters, BoostRange range = BoostRange::screen,
                    ScreenHeadroom screen = {});

namespace UltraHDREngine {

// Boosts beyond this many stops are treated as this many, so 2^boost stays finite (a
// hand-edited recipe could ask for 2^2000); no screen comes near it.
inline constexpr double kMaxHighlightBoost = 10.0;
inline constexpr int kEdrBinCount = 64;

// gainMapImage of the frame with the record's switch, clip threshold and radius.
Image gainMap(const Image& frame, const UltraHDRParameters& parameters);

// The grey gain map: clamp((luma − threshold) / max(1 − threshold, 0.01), 0, 1)^1.8, blurred
// with `radius` when it is above 0.1 (fading towards transparent at the edges), alpha 1 inside.
// Disabled: opaque black over the source's extent. Sources of 1 pixel or less on a side are
// returned as they are.
Image gainMapImage(const Image& source, bool enabled, double clipThreshold, double radius);

// 64 values in 0…1 for the histogram's extended-range band: the map's histogram (from a copy
// at most 200 pixels long), normalised to its fullest bin and scaled by max(boost / 3, 0.2).
// A disabled record, or a map that cannot be measured, gives 64 zeros without rendering.
std::vector<float> edrHistogramBins(const Image& gainMap, const UltraHDRParameters& parameters,
                                    const Context& context);

// The boost as the engine uses it: capped at kMaxHighlightBoost, 0 when not a number.
double effectiveBoost(double highlightBoost);
// 2^boost (capped): the linear gain of the boost, the histogram's headroom.
double headroom(double highlightBoost);

}  // namespace UltraHDREngine
}  // namespace vantrel
