#pragma once
// The corrections a local mask applies under it, shared by the linear and the radial mask.
#include <array>

#include "model/ScalarParameter.h"

namespace vantrel {

// The correction rows of every mask type, the rows its neutrality and reset read. Temperature
// is an offset in kelvin from the reference white, so it gets a coarser tolerance. Each mask
// type's ParameterTable also lists `shapeRows`: the values that shape the mask rather than
// correct under it (a radial mask's feather), which have sliders but never make a mask
// neutral or get reset with its corrections.
template <class Mask>
constexpr std::array<ScalarParameter<Mask>, 7> maskCorrectionRows() {
    return {{
        {.key = "exposure", .member = &Mask::exposure, .lower = -2, .upper = 2, .neutral = 0, .unit = "EV",
         .label = "mask.localExposure"},
        {.key = "contrast", .member = &Mask::contrast, .lower = 0.5, .upper = 1.5, .neutral = 1,
         .label = "mask.localContrast"},
        {.key = "highlights", .member = &Mask::highlights, .lower = -1, .upper = 1, .neutral = 0,
         .label = "mask.localHighlights"},
        {.key = "shadows", .member = &Mask::shadows, .lower = -1, .upper = 1, .neutral = 0,
         .label = "mask.localShadows"},
        {.key = "temperature", .member = &Mask::temperature, .lower = -1000, .upper = 1000, .neutral = 0,
         .tolerance = 1.0, .step = 10, .format = "%.0f", .unit = "K", .label = "mask.localTemp", .accent = 0xFA9623},
        {.key = "tint", .member = &Mask::tint, .lower = -100, .upper = 100, .neutral = 0, .step = 1, .format = "%.0f",
         .label = "mask.localTint", .accent = 0xD959BF},
        {.key = "saturation", .member = &Mask::saturation, .lower = 0, .upper = 2, .neutral = 1,
         .label = "mask.localSaturation"},
    }};
}

}  // namespace vantrel
