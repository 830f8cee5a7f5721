// Every built-in recipe develops a frame through the real pipeline: a picture comes out, it is
// not blank, and no value of a recipe produces NaN or a stalled render.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/stages/DarkroomPipeline.h"
#include "engine/core/Image.h"
#include "services/FilmPresetLibrary.h"

namespace vantrel {
namespace {

Image gradientFrame() {
    return Image::generator(
        [](const RowSpan& s, float* out) {
            for (int i = 0; i < s.count; ++i) {
                const float u = (float(s.x + i) + 0.5f) / 96.0f, v = (float(s.y) + 0.5f) / 64.0f;
                out[4 * i] = 0.05f + 0.6f * u;
                out[4 * i + 1] = 0.05f + 0.5f * v;
                out[4 * i + 2] = 0.3f * (1.0f - u);
                out[4 * i + 3] = 1.0f;
            }
        },
        Rect{0, 0, 96, 64});
}

TEST(PresetRender, EveryBuiltInRecipeDevelopsAFrame) {
    const DarkroomPipeline& pipeline = DarkroomPipeline::shared();
    const Image frame = gradientFrame();
    const auto& presets = FilmPresetLibrary::builtInPresets();
    ASSERT_FALSE(presets.empty());
    for (const FilmPreset& preset : presets) {
        SCOPED_TRACE(preset.name);
        const Image developed = pipeline.render(frame, preset.parameters);
        ASSERT_FALSE(developed.isEmpty());
        const auto bitmap = pipeline.makeBitmap(developed);
        ASSERT_TRUE(bitmap.has_value());
        EXPECT_GE(bitmap->width, 48);
        EXPECT_GE(bitmap->height, 32);
        // Not a blank frame: the picture still varies from one corner to the other.
        const auto* a = bitmap->at(bitmap->width / 4, bitmap->height / 2);
        const auto* b = bitmap->at(3 * bitmap->width / 4, bitmap->height / 2);
        EXPECT_TRUE(a[0] != b[0] || a[1] != b[1] || a[2] != b[2]);

        const auto floats = pipeline.context().renderFloat(developed, developed.extent());
        ASSERT_TRUE(floats.has_value());
        const float* p = floats->data();
        const std::size_t n = std::size_t(floats->width() * floats->height() * 4);
        std::size_t nonFinite = 0;
        for (std::size_t i = 0; i < n; ++i) nonFinite += !std::isfinite(p[i]);
        EXPECT_EQ(nonFinite, 0u);
    }
}

}  // namespace
}  // namespace vantrel
