#pragma once
// The keys every stored recipe holds. A new key changes every stored file, so the tests that
// pin the stored form take them from here.
#include <set>
#include <string>

namespace vantrel {

inline const std::set<std::string> kRecipeKeys = {
    "exposure",   "contrast",       "brightness", "highlights",   "shadows",     "temperature",      "tint",
    "saturation", "vibrance",       "hslAdjustments", "curvePoints", "noiseReduction", "sharpening", "vignette",
    "crop",       "spotHealing",    "colorGrading", "masks",      "subjectMask", "halation",         "filmFrame",
    "filmGrain",  "lightLeaks",     "dustAndScratches", "ultraHDR", "negativeLab"};

}  // namespace vantrel
