#pragma once
// Finds the subject of a frame and returns a soft grey mask (1 on the subject,
// 0 elsewhere) for the subject stage: a classical saliency map (colour
// contrast against the frame's borders, sharpened by the spectral residual)
// refined by GrabCut and feathered.

#include <future>
#include <optional>
#include <vector>

#include "engine/analysis/AnalysisRaster.h"
#include "engine/core/Image.h"
#include "engine/core/Rect.h"

namespace vantrel {

class SubjectSegmentationEngine {
public:
    // The analysis always runs on a copy whose longer side has this many
    // pixels, so a proxy and the full image give the same mask.
    static constexpr int kWorkingLongSide = 512;

    // A mask at the analysis size, top row first, values 0 ... 1.
    struct Mask {
        int width = 0;
        int height = 0;
        std::vector<float> values;
    };

    static const SubjectSegmentationEngine& shared();

    // The subject mask of a display-encoded frame, or nothing when the frame
    // is too small or no subject stands out. Deterministic; safe to call from
    // several threads at once.
    std::optional<Mask> segment(const RgbaView& frame) const;

    // The subject mask of `frame` as a grey image (m, m, m, 1) whose extent is
    // the frame's, or nothing. Runs on a worker thread, never the caller's;
    // the future never holds an exception.
    std::future<std::optional<Image>> generateMask(Image frame) const;

    // `mask` stretched onto `target` (each axis on its own) and cropped to it;
    // edge pixels are repeated rather than faded. An empty mask is returned
    // unchanged.
    static Image fitMask(const Image& mask, const Rect& target);
};

}  // namespace vantrel
