#include "engine/stages/FilmFrameGenerator.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "engine/core/Color.h"
#include "engine/stages/FilmFrameScene.h"

namespace vantrel::FilmFrameGenerator {

namespace {

using Kind = FilmFrameMark::Kind;

// Conversions between the 8-bit sRGB-encoded marks and the working space.
struct ColorTables {
    std::array<float, 256> decode8{};  // 8-bit sRGB code -> linear sRGB
    std::array<float, 9> srgbToP3{};
    std::array<float, 9> p3ToSrgb{};

    ColorTables() {
        for (int c = 0; c < 256; ++c) decode8[std::size_t(c)] = float(color::decodeSRGB(c / 255.0));
        const color::Matrix3 s2p = color::linearSRGBToLinearP3(), p2s = color::linearP3ToLinearSRGB();
        for (std::size_t i = 0; i < 9; ++i) {
            srgbToP3[i] = float(s2p.m[i]);
            p3ToSrgb[i] = float(p2s.m[i]);
        }
    }
    static const ColorTables& shared() {
        static const ColorTables tables;
        return tables;
    }
};

inline void apply3(const std::array<float, 9>& m, const float* in, float* out) {
    out[0] = m[0] * in[0] + m[1] * in[1] + m[2] * in[2];
    out[1] = m[3] * in[0] + m[4] * in[1] + m[5] * in[2];
    out[2] = m[6] * in[0] + m[7] * in[1] + m[8] * in[2];
}

struct Frame {
    FilmFrameScene scene;
    std::int64_t originX = 0, originY = 0;  // plane position of the canvas's bottom-left corner
    Rect photo;                             // the photo's extent in the plane
    bool hasBackground = false;
    WorkingColor background;  // premultiplied working value of the fill under the photo
};

// ---- drawing the marks of one tile with Cairo

void roundedRect(cairo_t* cr, const FilmFrameMark& m) {
    const double r = std::clamp(m.radius, 0.0, std::min(m.width, m.height) / 2);
    if (r <= 0) {
        cairo_rectangle(cr, m.x, m.y, m.width, m.height);
        return;
    }
    constexpr double quarter = 1.5707963267948966;
    const double x0 = m.x, y0 = m.y, x1 = m.x + m.width, y1 = m.y + m.height;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x1 - r, y0 + r, r, -quarter, 0);
    cairo_arc(cr, x1 - r, y1 - r, r, 0, quarter);
    cairo_arc(cr, x0 + r, y1 - r, r, quarter, 2 * quarter);
    cairo_arc(cr, x0 + r, y0 + r, r, 2 * quarter, 3 * quarter);
    cairo_close_path(cr);
}

void setColor(cairo_t* cr, const FilmFrameColor& c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

void drawMark(cairo_t* cr, const FilmFrameMark& m) {
    cairo_save(cr);
    switch (m.kind) {
        case Kind::fill:
            roundedRect(cr, m);
            setColor(cr, m.color);
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
            cairo_fill(cr);
            break;
        case Kind::stroke:
            roundedRect(cr, m);
            setColor(cr, m.color);
            cairo_set_line_width(cr, m.lineWidth);
            cairo_stroke(cr);
            break;
        case Kind::gradient: {
            cairo_pattern_t* p = cairo_pattern_create_linear(0, m.y, 0, m.y + m.height);
            cairo_pattern_add_color_stop_rgba(p, 0, m.color.r, m.color.g, m.color.b, m.color.a);
            cairo_pattern_add_color_stop_rgba(p, 1, m.endColor.r, m.endColor.g, m.endColor.b, m.endColor.a);
            cairo_pattern_set_extend(p, CAIRO_EXTEND_NONE);
            cairo_rectangle(cr, 0, std::min(m.y, m.y + m.height), m.width, std::abs(m.height));
            cairo_set_source(cr, p);
            cairo_fill(cr);
            cairo_pattern_destroy(p);
            break;
        }
        case Kind::text:
            setColor(cr, m.color);
            m.text->draw(cr, m.x, m.y);
            break;
    }
    cairo_restore(cr);
}

// Draws the marks touching `tile` into `layer` (ARGB32, premultiplied, top row first).
// False when Cairo could not draw (the tile then shows no marks).
bool drawLayer(const std::vector<const FilmFrameMark*>& marks, const Rect& tile, std::vector<std::uint32_t>& layer) {
    const int w = int(tile.width), h = int(tile.height);
    layer.assign(std::size_t(w) * std::size_t(h), 0);
    cairo_surface_t* surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(layer.data()),
                                                                   CAIRO_FORMAT_ARGB32, w, h, w * 4);
    cairo_t* cr = cairo_create(surface);
    const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    if (ok) {
        // Canvas coordinates (y up) onto the tile's pixels (y down).
        cairo_matrix_t toTile;
        cairo_matrix_init(&toTile, 1, 0, 0, -1, -double(tile.x), double(tile.maxY()));
        cairo_set_matrix(cr, &toTile);
        for (const FilmFrameMark* m : marks) drawMark(cr, *m);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
    return ok;
}

// ---- compositing: marks over (photo over background)

// One pixel of the layer over `base` (premultiplied working). Opaque marks replace the base;
// translucent ones blend in sRGB-encoded values, as they would in an 8-bit sRGB drawing.
inline void blendMark(const ColorTables& t, std::uint32_t mark, const float* base, float* out) {
    const unsigned a8 = mark >> 24;
    const float code[3] = {float((mark >> 16) & 255u), float((mark >> 8) & 255u), float(mark & 255u)};
    if (a8 == 255) {
        const float lin[3] = {t.decode8[std::size_t(code[0])], t.decode8[std::size_t(code[1])],
                              t.decode8[std::size_t(code[2])]};
        apply3(t.srgbToP3, lin, out);
        out[3] = 1.0f;
        return;
    }
    const float la = float(a8) * (1.0f / 255.0f), keep = 1.0f - la;
    float encoded[3] = {0, 0, 0};
    const float ba = base[3];
    if (ba > 1e-6f) {
        const float inv = 1.0f / ba;
        const float straight[3] = {base[0] * inv, base[1] * inv, base[2] * inv};
        float srgb[3];
        apply3(t.p3ToSrgb, straight, srgb);
        for (int k = 0; k < 3; ++k) encoded[k] = color::encodeSRGBFast(srgb[k]) * ba;
    }
    const float oa = la + keep * ba;
    if (oa <= 1e-6f) {
        out[0] = out[1] = out[2] = out[3] = 0.0f;
        return;
    }
    const float inv = 1.0f / oa;
    float lin[3];
    for (int k = 0; k < 3; ++k)
        lin[k] = color::decodeSRGBFast((code[k] * (1.0f / 255.0f) + keep * encoded[k]) * inv);
    apply3(t.srgbToP3, lin, out);
    out[0] *= oa;
    out[1] *= oa;
    out[2] *= oa;
    out[3] = oa;
}

// Row y of the tile: the photo over the background, then the marks over both.
void compositeRow(const Frame& f, const ColorTables& t, const float* in, const std::uint32_t* layer,
                  std::int64_t x0, std::int64_t y, int n, float* out) {
    std::memcpy(out, in, std::size_t(n) * 4 * sizeof(float));
    if (f.hasBackground) {
        // Outside the photo the input is clear: the fill alone. Inside, only pixels the photo
        // does not cover fully show some of it.
        const Rect& p = f.photo;
        const bool photoRow = y >= p.minY() && y < p.maxY();
        const std::int64_t a = photoRow ? std::clamp(p.minX() - x0, std::int64_t(0), std::int64_t(n)) : n;
        const std::int64_t b = photoRow ? std::clamp(p.maxX() - x0, a, std::int64_t(n)) : n;
        const WorkingColor& bg = f.background;
        auto fill = [&](std::int64_t from, std::int64_t to) {
            for (std::int64_t i = from; i < to; ++i) {
                float* o = out + 4 * i;
                o[0] = bg.r, o[1] = bg.g, o[2] = bg.b, o[3] = bg.a;
            }
        };
        fill(0, a);
        fill(b, n);
        bool opaque = true;  // the usual case, checked in one vectorisable pass
        for (std::int64_t i = a; i < b; ++i) opaque &= out[4 * i + 3] >= 1.0f;
        for (std::int64_t i = opaque ? b : a; i < b; ++i) {
            float* o = out + 4 * i;
            if (o[3] >= 1.0f) continue;
            const float k = 1.0f - o[3];
            o[0] += k * bg.r, o[1] += k * bg.g, o[2] += k * bg.b, o[3] += k * bg.a;
        }
    }
    if (!layer) return;
    std::uint32_t any = 0;
    for (int i = 0; i < n; ++i) any |= layer[i];
    if (any == 0) return;
    for (int i = 0; i < n; ++i) {
        if (layer[i] == 0) continue;
        float* o = out + 4 * i;
        const float base[4] = {o[0], o[1], o[2], o[3]};
        blendMark(t, layer[i], base, o);
    }
}

void renderTile(const Frame& f, const ConstPixelView& in, const PixelView& out) {
    const Rect& tile = out.rect;
    const Rect local = tile.translated(-f.originX, -f.originY);  // in canvas coordinates
    std::vector<const FilmFrameMark*> touching;
    for (const FilmFrameMark& m : f.scene.marks)
        if (m.maxX > double(local.minX()) && m.minX < double(local.maxX()) && m.maxY > double(local.minY()) &&
            m.minY < double(local.maxY()))
            touching.push_back(&m);

    std::vector<std::uint32_t> layer;
    const bool drawn = !touching.empty() && drawLayer(touching, local, layer);
    const ColorTables& tables = ColorTables::shared();
    const int n = int(tile.width);
    for (std::int64_t y = tile.minY(); y < tile.maxY(); ++y) {
        const std::uint32_t* marks = drawn ? layer.data() + std::size_t(tile.maxY() - 1 - y) * std::size_t(n) : nullptr;
        compositeRow(f, tables, in.at(tile.x, y), marks, tile.x, y, n, out.row(y));
    }
}

}  // namespace
}  // namespace vantrel::FilmFrameGenerator

namespace vantrel {

Image applyFilmFrame(const Image& image, const FilmFrameParameters& frame) {
    using namespace FilmFrameGenerator;
    if (frame.isNeutral()) return image;
    const Rect e = image.extent();
    if (!e.isFinite() || e.width <= 20 || e.height <= 20) return image;
    if (e.width > INT_MAX / 8 || e.height > INT_MAX / 8) return image;
    const int w = int(e.width), h = int(e.height);

    // A hand-edited thickness is drawn as the nearest one the slider offers (the record keeps
    // its value); a canvas out of proportion to the photo is not made at all.
    const FilmFrameParameters params = frame.clamped();
    const FilmFrameCanvasSize canvas = filmFrameCanvasSize(params, w, h);
    if (!(canvas.width >= 1 && canvas.height >= 1) || canvas.width > INT_MAX / 8 || canvas.height > INT_MAX / 8 ||
        canvas.width * canvas.height > kMaxCanvasGrowth * double(w) * double(h) + kCanvasSlack)
        return image;

    auto f = std::make_shared<Frame>();
    f->scene = buildFilmFrameScene(params, w, h);
    if (const auto& bg = f->scene.background) {
        f->hasBackground = true;
        f->background = color::workingFromSRGB(bg->r, bg->g, bg->b, bg->a);
    }
    // The canvas grows around the photo where it stands, so the photo's pixels are read in
    // place (no resampling, no move) and points given on the photo keep their meaning.
    const FilmFrameScene& s = f->scene;
    f->originX = e.x - s.photoX;
    f->originY = e.y - s.photoY;
    f->photo = e;
    NeighbourhoodOptions options;
    options.margin = 0;
    options.extent = Rect{f->originX, f->originY, s.width, s.height};
    std::shared_ptr<const Frame> shared = std::move(f);
    return Image::neighbourhood(
        image, [shared](const ConstPixelView& in, const PixelView& out) { renderTile(*shared, in, out); }, options);
}

}  // namespace vantrel
