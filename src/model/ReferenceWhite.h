#pragma once
// The reference white, in kelvin: a recipe's neutral temperature, the white every frame is
// balanced onto, and the base that local white-balance offsets (masks, subject) are added to.
namespace vantrel {

inline constexpr double kReferenceTemperature = 6500;

}  // namespace vantrel
