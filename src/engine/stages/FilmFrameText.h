#pragma once
// Text of the film frame: a line shaped once with Pango (through fontconfig, with font
// fallback for missing glyphs) and kept as Cairo glyph runs, so that it can be measured when
// the frame is laid out and drawn later, from any thread and into any tile, without touching
// Pango again.
#include <cairo.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// The two faces the frame uses: a bold typewriter face for rebate prints and most badges,
// and a medium sans face for the minimalist badge.
enum class FilmFrameFont { typewriterBold, sansMedium };

// The installed family used for a face: the first of a short list of free look-alikes that
// fontconfig knows, else a generic family (resolved once per process).
const std::string& filmFrameFontFamily(FilmFrameFont font);

class FilmFrameText {
public:
    // Ink rectangle relative to the baseline origin, y up.
    struct Bounds {
        double minX = 0, minY = 0, width = 0, height = 0;
    };

    FilmFrameText() = default;
    // Shapes one line of UTF-8 text at `size` pixels. Empty or unshapeable text gives an
    // empty result (nothing to draw, empty bounds).
    static FilmFrameText shape(std::string_view utf8, FilmFrameFont font, double size);

    bool isEmpty() const { return runs_.empty(); }
    const Bounds& inkBounds() const { return ink_; }

    // Draws with the baseline origin at (x, y) of a y-up user space, in the current source of
    // `cr`. Safe to call from several threads at once on different contexts.
    void draw(cairo_t* cr, double x, double y) const;

private:
    struct Run {
        std::shared_ptr<cairo_scaled_font_t> font;
        std::vector<cairo_glyph_t> glyphs;  // positions relative to the baseline origin, y down
    };
    std::vector<Run> runs_;
    Bounds ink_;
};

}  // namespace vantrel
