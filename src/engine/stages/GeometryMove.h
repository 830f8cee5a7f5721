#pragma once
// Moving a frame's local work with its geometry. Healed spots and linear and radial masks are
// kept as fractions of the finished frame; when the frame is turned, mirrored, straightened or
// cropped anew they are moved so that each covers the same place of the scan, with the same
// size there, as before. Both frames are the geometry stage's own (frameMapping), so the move
// and the stages that draw the work agree.
//
// Nothing is clamped: work that falls outside the new frame keeps values beyond 0...1, does
// nothing there, and is back where it was when the frame grows again.
#include <vector>

#include "engine/stages/GeometryStage.h"
#include "model/MaskGroupParameters.h"
#include "model/SpotHealingParameters.h"

namespace vantrel {

class GeometryMove {
public:
    // From the frame `from` gives a scan of this size (pixels) to the frame `to` gives it.
    GeometryMove(double scanWidth, double scanHeight, const CropParameters& from, const CropParameters& to,
                 Framing fromFraming = Framing::cropped, Framing toFraming = Framing::cropped);

    // Both frames place the scan alike (or either cannot place it): everything stays as it is.
    bool isIdentity() const { return identity_; }

    // A spot's disc and its source stay on the scan; the radius keeps its pixels. A spot
    // without a source offset (its patch 2 radii to the right) gets the offset it used.
    SpotItem spot(const SpotItem& spot) const;
    // Both points stay on the scan, so the gradient keeps its direction there.
    LinearMask linear(const LinearMask& mask) const;
    // The centre stays on the scan and the half-axes keep their pixels; a quarter turn swaps
    // them. (The ellipse has no angle of its own: straightening leaves it upright on the frame.)
    RadialMask radial(const RadialMask& mask) const;

    // A rectangle's corners stay on the scan; it stays upright (so exactly itself only where the
    // move turns or mirrors by quarters, as between two uncropped framings of one straightening).
    NormalizedRect rect(const NormalizedRect& rect) const;

    std::vector<SpotItem> spots(std::vector<SpotItem> spots) const;
    MaskGroupParameters masks(MaskGroupParameters masks) const;

private:
    Point point(double x, double y) const;

    FrameMapping from_;
    FrameMapping to_;
    AffineTransform move_;  // pixels of the old frame -> pixels of the new one (y downwards)
    bool identity_ = true;
};

}  // namespace vantrel
