#pragma once
// White points given as (temperature, tint), the way photographers set white
// balance, and the chromatic adaptation that carries one white onto another.
#include "engine/core/Color.h"
#include "model/ReferenceWhite.h"

namespace vantrel {

// A white point: correlated colour temperature in kelvin and a tint offset
// along the isotherm (positive towards magenta, negative towards green).
struct WhitePoint {
    double temperature = kReferenceTemperature;
    double tint = 0;
    friend bool operator==(const WhitePoint&, const WhitePoint&) = default;
};

// CIE 1931 chromaticity.
struct Chromaticity {
    double x = 0;
    double y = 0;
};

// Temperatures are clamped to [1700, 50000] K so that hand-edited recipes with
// zero or negative values still give a finite white.
Chromaticity chromaticity(WhitePoint white);

// The linear working-space matrix that maps the colour of `neutral` white onto
// `target` white (Bradford cone response). Equal whites give the identity.
color::Matrix3 whiteAdaptationMatrix(WhitePoint neutral, WhitePoint target);

}  // namespace vantrel
