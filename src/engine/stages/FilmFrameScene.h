#pragma once
// The layout of a film frame as plain data: the canvas, where the photo lands in it, the
// border fill under the photo, and the marks drawn over both (rebate holes, edge prints,
// barcode, outlines, watermark badge), all in canvas coordinates (origin bottom-left, y up,
// one unit per pixel). Building a scene draws nothing; FilmFrameGenerator renders it.
#include <memory>
#include <optional>
#include <vector>

#include "engine/stages/FilmFrameText.h"
#include "model/FilmFrameParameters.h"

namespace vantrel {

// sRGB-encoded, straight (not premultiplied) components, the way frame colours are written.
struct FilmFrameColor {
    double r = 0, g = 0, b = 0, a = 1;
    friend bool operator==(const FilmFrameColor&, const FilmFrameColor&) = default;
};

// A mark over the photo. Everything it may touch lies within `bounds`.
struct FilmFrameMark {
    enum class Kind {
        fill,      // rounded rectangle (x, y, width, height, radius) filled with `color`
        stroke,    // its outline, `lineWidth` wide, centred on the edge
        gradient,  // the band between y and y + height across the canvas, `color` at y fading
                   // to `endColor` at y + height (height may be negative)
        text,      // `text` in `color` with its baseline origin at (x, y)
    };
    Kind kind = Kind::fill;
    double x = 0, y = 0, width = 0, height = 0, radius = 0, lineWidth = 1;
    FilmFrameColor color, endColor;
    std::shared_ptr<const FilmFrameText> text;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;  // bounds
};

struct FilmFrameScene {
    int width = 0;   // canvas
    int height = 0;
    int photoX = 0;  // bottom-left corner of the photo in the canvas (whole pixels)
    int photoY = 0;
    int photoWidth = 0;
    int photoHeight = 0;
    std::optional<FilmFrameColor> background;  // opaque fill under the photo
    std::vector<FilmFrameMark> marks;          // drawn in order, over the photo
};

// Lays out the frame of `params` (whose thickness the caller has clamped) around a photo of
// `photoWidth` × `photoHeight` pixels.
FilmFrameScene buildFilmFrameScene(const FilmFrameParameters& params, int photoWidth, int photoHeight);

// Canvas size of the frame without laying it out (what buildFilmFrameScene would give).
struct FilmFrameCanvasSize {
    double width = 0, height = 0;
};
FilmFrameCanvasSize filmFrameCanvasSize(const FilmFrameParameters& params, int photoWidth, int photoHeight);

}  // namespace vantrel
