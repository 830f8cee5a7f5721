#include "common/TestImages.h"
#include "engine/filters/Blends.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

using kernels::Rgba;
using testing::expectNear;
using testing::imageFrom;
using testing::pixel;
using testing::renderWorking;
using testing::flat;

TEST(BlendImage, BlendsReachOverBothInputs) {
    const Rect top{0, 0, 10, 10}, bottom{5, 5, 10, 10};
    const Rgba s{0.2f, 0.4f, 0.1f, 0.5f}, b{0.6f, 0.3f, 1.5f, 1};
    const Image layer = flat(top, s), backdrop = flat(bottom, b);
    const Rect both = top.united(bottom);
    struct Case {
        const char* name;
        Image image;
        Rgba (*formula)(Rgba, Rgba);
    };
    const Case cases[] = {
        {"screen", screen(layer, backdrop), kernels::ScreenBlend::apply},
        {"addition", addition(layer, backdrop), kernels::AdditionBlend::apply},
        {"softLight", softLight(layer, backdrop), kernels::SoftLightBlend::apply},
        {"multiply", multiply(layer, backdrop), kernels::MultiplyBlend::apply},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(k.image.extent(), both);
        const PixelBuffer out = renderWorking(k.image, both);
        expectNear(pixel(out, 7, 7), k.formula(s, b), 1e-6f);     // overlap
        expectNear(pixel(out, 1, 1), k.formula(s, {}), 1e-6f);    // layer only
        expectNear(pixel(out, 13, 13), k.formula({}, b), 1e-6f);  // backdrop only
        expectNear(pixel(out, 13, 1), {}, 0);                     // neither
    }
}

TEST(BlendImage, BlendWithMaskMixesByGreenAndKeepsTheBackgroundExtent) {
    const Rect frame{0, 0, 20, 10};
    const Rgba img{0.8f, 0.6f, 0.4f, 1}, bg{0.2f, 0.2f, 0.2f, 1};
    // The image is shifted beyond the frame (a healing source); the mask is cropped to the frame.
    const Image image = flat(frame.translated(4, 0), img);
    const Image background = flat(frame, bg);
    const Image mask = imageFrom(frame, [](std::int64_t x, std::int64_t) {
        const float m = float(x) / 19.0f;
        return Rgba{m, m, m, 1};
    });
    const Image out = blendWithMask(image, background, mask);
    EXPECT_EQ(out.extent(), frame);
    const PixelBuffer buffer = renderWorking(out, frame);
    expectNear(pixel(buffer, 0, 3), bg, 1e-6f);  // mask black
    // Where the image has no pixels it counts as transparent.
    const float m2 = 2.0f / 19.0f;
    expectNear(pixel(buffer, 2, 3), kernels::MaskBlend::apply({}, bg, {m2, m2, m2, 1}), 1e-6f);
    expectNear(pixel(buffer, 19, 3), img, 1e-6f);
    const float m = 10.0f / 19.0f;
    expectNear(pixel(buffer, 10, 5), kernels::MaskBlend::apply(img, bg, {m, m, m, 1}), 1e-6f);
}

}  // namespace
}  // namespace vantrel
