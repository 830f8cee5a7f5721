#pragma once
// The printed film border drawn around (or over) the developed image: 35 mm sprocket rebates,
// a 120 rebate, an instant-print frame or a plain gallery mount, with the rebate prints (film
// stock, frame numbers, the safety-film marking, an edge barcode) and the capture-data
// watermark badge.
//
// The result is a new canvas grown around the photo where it stands: the photo keeps its
// place in the plane and its own float pixels (extended range included); the border fill is
// an exact working colour, and the marks over it (holes, prints, outlines, badge) are drawn by
// Cairo tile by tile and blended into the tile the way an 8-bit sRGB drawing would blend them.
// Nothing is drawn until the image is rendered, and no buffer the size of the canvas is made.
#include "engine/core/Image.h"
#include "model/FilmFrameParameters.h"

namespace vantrel {

// Frames `image`. Returns the image unchanged when the record is neutral, when the image's
// extent is not finite or 20 pixels or less in either direction, and when the frame's canvas
// would be out of proportion to the image (see FilmFrameGenerator::kMaxCanvasGrowth). A
// thickness outside the slider's range is clamped into it for drawing.
Image applyFilmFrame(const Image& image, const FilmFrameParameters& frame);

namespace FilmFrameGenerator {

// The canvas may hold at most this many times the photo's pixels, plus kCanvasSlack pixels
// (the minimum border sizes of small images).
inline constexpr double kMaxCanvasGrowth = 8;
inline constexpr double kCanvasSlack = 1 << 20;

}  // namespace FilmFrameGenerator
}  // namespace vantrel
