#pragma once
// Measures a developed frame for the histogram panel. The frame is measured on a copy whose
// longer side is at most 400 pixels; values are binned as the screen shows them (the sRGB
// transfer applied to the working values, negatives as 0), so the shadow and highlight
// warnings mean what they say. Bins are log-scaled to the fullest colour bin. Stateless; renders
// only a 256 × 1 histogram (and, with the boost on, the 64-bin band) with the given context.
#include "engine/core/Context.h"
#include "engine/stages/HistogramData.h"
#include "engine/core/Image.h"
#include "model/UltraHDRParameters.h"

namespace vantrel::HistogramEngine {

// A scaled luminance bin above this raises its clipping warning.
inline constexpr float kClippingLevel = 0.05f;
// The longer side of the measured copy.
inline constexpr int kMeasuredSide = 400;

// The histogram of `image`; HistogramData::empty() for an empty or infinite image.
HistogramData computeHistogram(const Image& image, const Context& context, const UltraHDRParameters& ultraHDR);

// The copy that is measured: scaled uniformly so its longer side is 400 pixels, never enlarged.
Image measuringCopy(const Image& image);

// Raw bins (the share of pixels in each bin; r, g, b, a per bin, 256 bins) as display values:
// each v becomes log(1 + v) / log(1 + peak), the peak taken over the colour bins only, with
// the clipping warnings set from the scaled luminance. No extended-range band.
HistogramData fromRawBins(const float* rgbaBins);

}  // namespace vantrel::HistogramEngine
