#pragma once
// The ten film looks built into the program, always offered first.
#include <vector>

#include "services/FilmPreset.h"

namespace vantrel {

namespace FilmPresetLibrary {

// "neutral", then nine film looks, in the order the sidebar shows them. Built
// once on first use (thread-safe); the tone curves' point identifiers are drawn
// then and stay fixed for the rest of the run.
const std::vector<FilmPreset>& builtInPresets();

}  // namespace FilmPresetLibrary

}  // namespace vantrel
