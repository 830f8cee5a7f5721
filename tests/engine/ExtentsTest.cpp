#include <gtest/gtest.h>

#include "TestImages.h"
#include "engine/Context.h"
#include "engine/detail/Reference.h"

namespace vantrel {
namespace {

PixelBuffer render(const Image& im, const Rect& r) {
    static const Context ctx;
    auto out = ctx.renderFloat(im, r);
    EXPECT_TRUE(out.has_value());
    return out ? std::move(*out) : PixelBuffer();
}

TEST(Extents, CropAndReorigin) {
    const Image im = testing::coordinateImage(10, 6);
    const Image c = im.cropped(Rect{2, 1, 5, 3});
    EXPECT_EQ(c.extent(), (Rect{2, 1, 5, 3}));
    const PixelBuffer b = render(c, Rect{0, 0, 10, 6});
    EXPECT_EQ(b.at(2, 1)[2], 2 + 1000 * 1);
    EXPECT_EQ(b.at(1, 1)[3], 0.0f);
    EXPECT_EQ(b.at(7, 1)[3], 0.0f);
    const Image r = c.reorigined();
    EXPECT_EQ(r.extent(), (Rect{0, 0, 5, 3}));
    EXPECT_EQ(render(r, r.extent()).at(0, 0)[2], 2 + 1000 * 1);
    EXPECT_TRUE(im.cropped(Rect{20, 20, 5, 5}).isEmpty());
}

}  // namespace
}  // namespace vantrel
