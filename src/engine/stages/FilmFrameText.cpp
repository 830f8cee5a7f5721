#include "engine/stages/FilmFrameText.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <array>
#include <cmath>
#include <mutex>

namespace vantrel {

namespace {

bool familyInstalled(const char* family) {
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    bool found = false;
    if (pattern && objects && FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family))) {
        FcFontSet* set = FcFontList(nullptr, pattern, objects);
        found = set && set->nfont > 0;
        if (set) FcFontSetDestroy(set);
    }
    if (objects) FcObjectSetDestroy(objects);
    if (pattern) FcPatternDestroy(pattern);
    return found;
}

std::string firstInstalled(std::initializer_list<const char*> candidates, const char* generic) {
    for (const char* family : candidates)
        if (familyInstalled(family)) return family;
    return generic;
}

// One font map and context for the process. Pango objects are not safe to share between
// threads, so every use goes through the mutex; only shaping (a few lines per frame) needs it,
// drawing works on the extracted Cairo glyphs.
struct PangoShaper {
    std::mutex mutex;
    PangoFontMap* fontMap = nullptr;
    PangoContext* context = nullptr;

    PangoShaper() {
        fontMap = pango_cairo_font_map_new();
        if (!fontMap) return;
        context = pango_font_map_create_context(fontMap);
        if (!context) return;
        // Unhinted outlines and metrics: a line measures and draws the same at any position,
        // so tiles of one frame join without seams.
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        pango_cairo_context_set_font_options(context, options);
        cairo_font_options_destroy(options);
        pango_context_set_round_glyph_positions(context, FALSE);
    }

    static PangoShaper& shared() {
        static PangoShaper instance;  // kept for the life of the process
        return instance;
    }
};

}  // namespace

const std::string& filmFrameFontFamily(FilmFrameFont font) {
    static const std::array<std::string, 2> families = [] {
        return std::array<std::string, 2>{
            firstInstalled({"Nimbus Mono PS", "Liberation Mono", "DejaVu Sans Mono"}, "monospace"),
            firstInstalled({"Nimbus Sans", "Liberation Sans", "DejaVu Sans"}, "sans-serif")};
    }();
    return families[font == FilmFrameFont::typewriterBold ? 0 : 1];
}

FilmFrameText FilmFrameText::shape(std::string_view utf8, FilmFrameFont font, double size) {
    FilmFrameText text;
    if (utf8.empty() || !(size > 0) || !std::isfinite(size)) return text;
    const std::string& family = filmFrameFontFamily(font);

    PangoShaper& shaper = PangoShaper::shared();
    std::lock_guard lock(shaper.mutex);
    if (!shaper.context) return text;

    PangoLayout* layout = pango_layout_new(shaper.context);
    if (!layout) return text;
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, family.c_str());
    pango_font_description_set_weight(description,
                                      font == FilmFrameFont::typewriterBold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_MEDIUM);
    pango_font_description_set_absolute_size(description, size * PANGO_SCALE);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    pango_layout_set_single_paragraph_mode(layout, TRUE);
    pango_layout_set_text(layout, utf8.data(), int(utf8.size()));

    if (PangoLayoutLine* line = pango_layout_get_line_readonly(layout, 0)) {
        PangoRectangle ink{};
        pango_layout_line_get_extents(line, &ink, nullptr);
        const double unit = 1.0 / PANGO_SCALE;
        text.ink_ = {ink.x * unit, -(ink.y + ink.height) * unit, ink.width * unit, ink.height * unit};

        int pen = 0;  // Pango units along the baseline
        for (GSList* node = line->runs; node; node = node->next) {
            auto* item = static_cast<PangoGlyphItem*>(node->data);
            if (!item || !item->glyphs) continue;
            cairo_scaled_font_t* scaled =
                item->item->analysis.font ? pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(item->item->analysis.font))
                                          : nullptr;
            Run run;
            if (scaled && cairo_scaled_font_status(scaled) == CAIRO_STATUS_SUCCESS)
                run.font = std::shared_ptr<cairo_scaled_font_t>(cairo_scaled_font_reference(scaled),
                                                                cairo_scaled_font_destroy);
            for (int i = 0; i < item->glyphs->num_glyphs; ++i) {
                const PangoGlyphInfo& g = item->glyphs->glyphs[i];
                // Empty glyphs and glyphs no installed font has are left out (no boxes).
                if (run.font && g.glyph != PANGO_GLYPH_EMPTY && !(g.glyph & PANGO_GLYPH_UNKNOWN_FLAG))
                    run.glyphs.push_back({g.glyph, (pen + g.geometry.x_offset) * unit, g.geometry.y_offset * unit});
                pen += g.geometry.width;
            }
            if (!run.glyphs.empty()) text.runs_.push_back(std::move(run));
        }
    }
    g_object_unref(layout);
    if (text.runs_.empty()) text.ink_ = {};
    return text;
}

void FilmFrameText::draw(cairo_t* cr, double x, double y) const {
    if (runs_.empty() || !cr) return;
    cairo_save(cr);
    // Glyphs are laid out y down: flip the y-up user space back around the baseline origin.
    cairo_translate(cr, x, y);
    cairo_scale(cr, 1, -1);
    for (const Run& run : runs_) {
        cairo_set_scaled_font(cr, run.font.get());
        cairo_show_glyphs(cr, run.glyphs.data(), int(run.glyphs.size()));
    }
    cairo_restore(cr);
}

}  // namespace vantrel
