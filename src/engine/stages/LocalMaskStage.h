#pragma once
// The local-mask stage: linear and radial (elliptical) gradient masks, each blending an
// adjusted copy of the running image over it. Linear masks run first, then radial ones, each
// list in order, and every mask works on the result of the masks before it.
//
// Mask positions are fractions of the frame with y counted from the top; the plane counts y
// from the bottom, so (x, y) lands on (minX + W·x, minY + H·(1 − y)) of the frame's extent.
//
// Each mask is one pointwise node: its gradient is evaluated per row, only where the mask
// reaches, and the corrections run only over the part of a row the mask covers.
#include <vector>

#include "engine/core/Image.h"
#include "engine/core/Rect.h"
#include "model/MaskGroupParameters.h"

namespace vantrel {

// Where a radial mask lies on a frame, in plane pixels.
struct RadialMaskGeometry {
    double centerX = 0, centerY = 0;
    double radiusX = 0, radiusY = 0;  // half-axes of the ellipse
    double radius = 0;                // the larger half-axis: the gradient's outer radius
    double innerRadius = 0;           // where the feathered edge begins, before the ellipse scale
    bool isEllipse = false;           // the half-axes differ by more than a pixel
};

// The plane position of a point given in fractions of `extent`, y from the top.
void planePoint(const NormalizedPoint& p, const Rect& extent, double& x, double& y);

RadialMaskGeometry radialMaskGeometry(const RadialMask& mask, const Rect& extent);

// The input with every enabled, non-neutral mask applied; the input itself when there is none
// or the input has no finite area.
Image applyLocalMasks(const Image& input, const MaskGroupParameters& masks);

}  // namespace vantrel
