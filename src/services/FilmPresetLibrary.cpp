#include "services/FilmPresetLibrary.h"

#include <array>

namespace vantrel::FilmPresetLibrary {

namespace {

using E = EditParameters;

// The recipe's scalar settings a look sets, in the order of its `globals`; the other scalars
// stay neutral.
constexpr std::array<double E::*, 11> kGlobals{&E::exposure, &E::contrast, &E::brightness, &E::highlights,
                                               &E::shadows, &E::temperature, &E::tint, &E::saturation,
                                               &E::vibrance, &E::noiseReduction, &E::sharpening};

struct Look {
    const char* id;
    const char* name;
    const char* subtitle;
    std::array<double, kGlobals.size()> globals;
    std::array<double, 5> curve;  // y at x = 0, 0.25, 0.5, 0.75, 1; ignored with defaultCurve
    bool defaultCurve;
    FilmGrainParameters grain;  // amount, size, roughness, colorDyeClouds
};

// Stored names and subtitles are the English texts; the interface shows the
// translated ones through FilmPreset::localizedName.
const Look kLooks[] = {
    {"portra400", "K-Portra 400 Warm", "Warm skin tones, lifted matte shadows, film S-curve",
     {0.15, 1.06, 0.02, 0.92, 0.18, 6850, 6, 0.96, 0.18, 0.05, 0},
     {0.05, 0.24, 0.52, 0.78, 0.98}, false, {0.35, 1.5, 0.45, 0.25}},
    {"fuji400h", "F-Pro 400H Clean", "Cool highlights, airy cyan tint, ideal for portraits and still life",
     {0.2, 1.03, 0.04, 0.88, 0.22, 6100, -10, 0.92, 0.12, 0.08, 0},
     {0.04, 0.26, 0.54, 0.8, 0.97}, false, {0.3, 1.4, 0.4, 0.2}},
    {"superia400", "F-Superia 400 X-TRA", "Street documentary style, cool shadows, warm highlights, 400-speed grain",
     {0.15, 1.1, 0.02, 0.9, 0.15, 5900, -8, 1.05, 0.15, 0.05, 0},
     {0.03, 0.23, 0.52, 0.81, 0.98}, false, {0.48, 1.8, 0.55, 0.35}},
    {"velvia50", "F-Velvia 50 RVP", "Legendary slide film, rich vivid colors, deep sky blue and emerald green",
     {-0.05, 1.25, 0.02, 0.94, 0.02, 6300, -4, 1.35, 0.3, 0.02, 0},
     {0, 0.2, 0.5, 0.82, 1}, false, {0.15, 1.1, 0.3, 0.1}},
    {"ektar100", "K-Ektar 100 Ultra", "Ultra-fine grain color negative, vivid red & blue, maximum acutance",
     {0.08, 1.18, 0.01, 0.92, 0.06, 6650, 4, 1.2, 0.25, 0, 0.25},
     {0.01, 0.22, 0.52, 0.82, 0.99}, false, {0.18, 1.2, 0.35, 0.2}},
    // The two monochrome looks are black and white through saturation 0 alone.
    {"trix400", "K-TriX 400 B&W", "Classic black & white, punchy contrast and rich silver halide tonal range",
     {0.05, 1.32, -0.02, 0.95, 0.05, 6500, 0, 0, 0, 0.02, 0},
     {0, 0.18, 0.5, 0.82, 1}, false, {0.6, 2.0, 0.65, 0}},
    {"ilfordhp5", "HP5+ Monochrome 400", "British documentary B&W, deep rich grays, broad latitude, organic grain",
     {0.1, 1.22, 0.03, 0.9, 0.14, 6500, 0, 0, 0, 0, 0},
     {0.02, 0.21, 0.51, 0.8, 0.98}, false, {0.65, 2.2, 0.7, 0}},
    {"cinestill50d", "Cine 50D Daylight", "Daylight cinema stock, fine texture, cinematic teal skies, gentle bloom",
     {0.12, 1.08, 0.02, 0.9, 0.12, 5400, -6, 1.08, 0.16, 0, 0},
     {}, true, {0.22, 1.3, 0.4, 0.3}},
    {"cinestill800t", "Cine 800T Tungsten", "Tungsten night ambience, deep cyan blues, glowing warm red halation",
     {0.1, 1.15, 0, 0.85, 0.12, 4600, 15, 1.1, 0.2, 0.12, 0},
     {0.02, 0.22, 0.51, 0.8, 0.99}, false, {0.5, 1.9, 0.55, 0.4}},
};

EditParameters makeRecipe(const Look& look) {
    EditParameters p = EditParameters::defaultValue();
    for (std::size_t i = 0; i < kGlobals.size(); ++i) p.*kGlobals[i] = look.globals[i];
    if (!look.defaultCurve) {
        static constexpr double xs[5] = {0, 0.25, 0.5, 0.75, 1};
        p.curvePoints.clear();
        for (int i = 0; i < 5; ++i) p.curvePoints.push_back(CurvePoint{Uuid::random(), xs[i], look.curve[i]});
    }
    p.filmGrain = look.grain.clamped();
    return p;
}

std::vector<FilmPreset> build() {
    std::vector<FilmPreset> presets;
    presets.push_back({"neutral", "Original Neutral", "Baseline negative presentation without additional styling",
                       EditParameters::defaultValue(), false, std::nullopt});
    for (const Look& look : kLooks) presets.push_back({look.id, look.name, look.subtitle, makeRecipe(look), false, {}});

    // Only the two cinema stocks glow.
    EditParameters& daylight = presets[8].parameters;
    daylight.halation = HalationParameters{true, 0.4, 12, 0.78, 0.3, 10}.clamped();
    presets[9].parameters.halation = HalationParameters::cine800T();
    return presets;
}

}  // namespace

const std::vector<FilmPreset>& builtInPresets() {
    static const std::vector<FilmPreset> presets = build();
    return presets;
}

}  // namespace vantrel::FilmPresetLibrary
