#pragma once
// Per-node pixel work shared by the evaluators: reading sources, sampling transforms, clamping.
// Each function writes working pixels for plane positions and zero where the node has none.
#include <cstdint>

#include "engine/core/detail/Node.h"

namespace vantrel::detail {

// Source node: converts native pixels of plane row y, x .. x+count-1.
void readSourceRow(const SourceData& source, std::int64_t x, std::int64_t y, int count, float* out);
// Buffer node (or any view): copies the row, zero outside the view.
void readViewRow(const ConstPixelView& view, std::int64_t x, std::int64_t y, int count, float* out);
void fillRow(const WorkingColor& c, int count, float* out);

// The input rectangle a transform node reads to produce `outRect` (not yet clipped to the
// input's extent).
Rect transformInputRect(const Node& node, const Rect& outRect);
// A clamp-to-extent node directly below a transform, which the transform can read through by
// clamping its sampling coordinates (no copy of the clamped region); null when there is none.
const Node* foldedClamp(const Node& transform);
// What a transform reads to produce `need`: transformInputRect, or, through a folded clamp,
// that rectangle clamped into the clamp's input extent.
Rect transformReadRect(const Node& transform, const Rect& need);
// Samples a transform node's input (`input` covers what transformInputRect asked for, clipped
// to the input's extent; pixels outside it are transparent) for one output row. With
// `clampTo`, `input` is the folded clamp's input (covering transformReadRect) and taps outside
// `clampTo` repeat its nearest edge pixel.
void sampleTransformRow(const Node& node, const ConstPixelView& input, std::int64_t x, std::int64_t y, int count,
                        float* out, const Rect* clampTo = nullptr);

// The same, reading the transform's source input directly (four pixels per output pixel).
void sampleTransformRowFromSource(const Node& node, const SourceData& source, std::int64_t x, std::int64_t y, int count,
                                  float* out);

// Input rectangle a clamp node reads for `outRect`.
Rect clampInputRect(const Node& node, const Rect& outRect);
void clampRow(const Node& node, const ConstPixelView& input, std::int64_t x, std::int64_t y, int count, float* out);

// Builds per-channel tables for 8-bit sources.
void prepareSource(SourceData& source);
// Converts pixels of a profile that is not a matrix-shaper through an lcms2 transform.
PixelBuffer convertWithLcms(const SourcePixels& pixels, const ColorProfile& profile);

}  // namespace vantrel::detail
