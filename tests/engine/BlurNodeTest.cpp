#include "engine/core/Context.h"
#include "engine/filters/DetailFilters.h"
#include "engine/filters/GaussianBlur.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vantrel {
namespace {

// A frame placed off the origin with structure at several scales and extended values.
Image patternImage(const Rect& r) {
    PixelBuffer b(r);
    for (std::int64_t y = r.y; y < r.maxY(); ++y)
        for (std::int64_t x = r.x; x < r.maxX(); ++x) {
            float* p = b.at(x, y);
            p[0] = ((x / 7 + y / 5) % 2) ? 0.9f : 0.1f;
            p[1] = float(x - r.x) / float(r.width) * 3.0f;
            p[2] = (x * 31 + y * 17) % 11 == 0 ? 4.0f : 0.05f;
            p[3] = 1.0f;
        }
    return Image::fromBuffer(std::move(b));
}

PixelBuffer render(const Image& image, const Rect& rect, int tileSize, int threads = 0) {
    Context ctx(ContextOptions{threads, tileSize});
    std::optional<PixelBuffer> out = ctx.renderFloat(image, rect);
    EXPECT_TRUE(out.has_value());
    return out ? std::move(*out) : PixelBuffer();
}

int mismatches(const PixelBuffer& part, const PixelBuffer& whole) {
    int n = 0;
    const Rect r = part.rect();
    for (std::int64_t y = r.y; y < r.maxY(); ++y)
        for (std::int64_t x = r.x; x < r.maxX(); ++x)
            for (int k = 0; k < 4; ++k) n += part.at(x, y)[k] != whole.at(x, y)[k];
    return n;
}

TEST(BlurNode, TiledRendersAndPartsMatchTheWholeImage) {
    const Rect frame{-37, 21, 301, 187};
    const Image in = patternImage(frame);
    std::vector<Image> filters;
    for (BlurEdge edge : {BlurEdge::Transparent, BlurEdge::Clamp})
        for (float sigma : {2.0f, 18.0f, 150.0f}) filters.push_back(gaussianBlur(in, sigma, edge));
    filters.push_back(unsharpMask(in, {1.5f, 1.0f}));
    filters.push_back(noiseReduction(in, {0.05f, 0.5f}));
    filters.push_back(edges(in, {4.0f}));
    for (std::size_t f = 0; f < filters.size(); ++f) {
        EXPECT_EQ(filters[f].extent(), frame);
        const PixelBuffer whole = render(filters[f], frame, 4096);
        EXPECT_EQ(mismatches(render(filters[f], frame, 16), whole), 0) << "filter " << f;
        EXPECT_EQ(mismatches(render(filters[f], frame, 48, 1), whole), 0) << "filter " << f;
        for (const Rect part : {Rect{-37, 21, 40, 30}, Rect{100, 90, 77, 41}, Rect{250, 200, 14, 8}})
            EXPECT_EQ(mismatches(render(filters[f], part, 64), whole), 0) << "filter " << f << " part " << part.x;
    }
}

TEST(BlurNode, FlatImagesStayFlatAndTinySigmasChangeNothing) {
    const Rect frame{0, 0, 97, 61};
    const Image flat = Image::constant(WorkingColor{0.3f, 1.7f, -0.2f, 1.0f}).cropped(frame);
    for (float sigma : {0.5f, 2.0f, 18.0f, 25.0f, 150.0f, 1e9f}) {
        const PixelBuffer out = render(gaussianBlur(flat, sigma, BlurEdge::Clamp), frame, 32);
        float worst = 0.0f;
        for (std::int64_t y = 0; y < frame.height; ++y)
            for (std::int64_t x = 0; x < frame.width; ++x) {
                const float* p = out.at(x, y);
                worst = std::max({worst, std::abs(p[0] - 0.3f), std::abs(p[1] - 1.7f), std::abs(p[2] + 0.2f),
                                  std::abs(p[3] - 1.0f)});
            }
        EXPECT_LT(worst, 2e-5f) << sigma;
    }
    EXPECT_TRUE(gaussianBlur(flat, 0.15f, BlurEdge::Clamp).isSameNode(flat));
    EXPECT_TRUE(gaussianBlur(flat, std::nanf(""), BlurEdge::Transparent).isSameNode(flat));
    // Unclamped, a blur of a frame fades at the edges but keeps its extent.
    const Image faded = gaussianBlur(flat, 4.0f, BlurEdge::Transparent);
    EXPECT_EQ(faded.extent(), frame);
    const PixelBuffer f = render(faded, frame, 32);
    EXPECT_LT(f.at(0, 0)[3], 0.35f);
    EXPECT_NEAR(f.at(48, 30)[3], 1.0f, 1e-5f);
}

}  // namespace
}  // namespace vantrel
