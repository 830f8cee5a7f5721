#pragma once
// Generated images: position-hashed noise, gradients and plain colours. They
// have infinite extent (crop them before rendering) and are evaluated at pixel
// centres of the y-up plane, so they cost nothing until rendered and give the
// same pixels whatever the tiling. Colours are premultiplied working values;
// colour arguments given in sRGB are converted with color::workingFromSRGB.
#include "engine/core/Color.h"
#include "engine/filters/GeneratorKernels.h"
#include "engine/core/Image.h"

namespace vantrel {

struct LinearGradientParameters {
    double point0x = 0, point0y = 0;
    double point1x = 200, point1y = 200;
    WorkingColor color0{1, 1, 1, 1};
    WorkingColor color1{0, 0, 0, 1};
};

// Circles about `center`: color0 inside radius0, color1 beyond radius1. With
// an ellipse scale other than (1, 1) the circles are stretched by it about the
// centre (an ellipse of semi-axes radius·scaleX and radius·scaleY).
struct RadialGradientParameters {
    double centerX = 150, centerY = 150;
    double radius0 = 5, radius1 = 100;
    WorkingColor color0{1, 1, 1, 1};
    WorkingColor color1{0, 0, 0, 1};
    double ellipseScaleX = 1, ellipseScaleY = 1;
};

// Four independent uniform values in [0, 1) per pixel, alpha included, fixed
// by the pixel's position.
Image randomNoise();
// color0 at point 0 to color1 at point 1 along the line through them,
// constant beyond; premultiplied colours are mixed.
Image linearGradient(const LinearGradientParameters& p);
Image radialGradient(const RadialGradientParameters& p);
// A colour argument (sRGB-encoded, unpremultiplied components) everywhere.
// Working colours go straight to Image::constant; the clear colour is
// Image::constant({}) and the empty image is Image().
Image colorImage(double r, double g, double b, double a = 1.0);

}  // namespace vantrel
