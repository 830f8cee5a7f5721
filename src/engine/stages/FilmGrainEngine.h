#pragma once
// Film grain: position-fixed random noise, coarsened by the grain size, shaped by roughness
// and colour, weighted towards the frame's midtones and soft-light blended over the frame.
// The grain is centred on the blend's neutral grey and the blend treats lightening and
// darkening alike, so grain adds texture without moving the frame's tones. The same frame and
// settings always show the same grain. Builds a lazy graph only.
#include "engine/core/Image.h"
#include "model/FilmGrainParameters.h"

namespace vantrel {

// The grained frame, keeping the frame's extent. `amount` 0…1, `size` 1…3.5, `roughness`
// 0…1, `colorDyeClouds` 0…1; values outside those ranges are held to them. An amount below
// its row's threshold (or not a number) and frames of 1 pixel or less on a side return the frame itself.
Image applyFilmGrain(const Image& frame, const FilmGrainParameters& parameters);

namespace FilmGrainEngine {

// The grain layer alone: 0.5 (the blend's neutral) where the frame is black or white or
// beyond, deviating around 0.5 most strongly in the midtones. Opaque.
Image grainLayer(const Image& frame, const FilmGrainParameters& parameters);

// The noise at grain scale: for sizes above about 1.05 the pixel noise is really resampled,
// read on a grid 1/size as fine and interpolated bilinearly back, so clumps grow with the
// size. Opaque, over `extent`.
Image sizedNoise(const Rect& extent, double size);

}  // namespace FilmGrainEngine
}  // namespace vantrel
