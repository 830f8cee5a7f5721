// The subject stage through synthetic masks: each side gets its own corrections, both made
// from the same input; inversion swaps them; masks of another size are stretched; and nothing
// happens without a mask or without both switches.
#include <gtest/gtest.h>

#include "common/TestImages.h"
#include "engine/stages/SubjectStage.h"

namespace vantrel {
namespace {

using testing::at;
using testing::renderExtent;

constexpr int kW = 40, kH = 30;

// A colourful frame with fine vertical stripes, so a blur shows.
Image frame() {
    return testing::pipelineImage(Rect{0, 0, kW, kH}, [](std::int64_t x, std::int64_t y) {
        const float stripe = (x % 2) ? 0.1f : 0.0f;
        return std::array<float, 3>{0.2f + stripe, 0.15f + 0.005f * float(y), 0.3f + stripe};
    });
}

// White (the subject) on the left half of a w × h mask, black on the right.
Image leftHalfMask(int w, int h) {
    return testing::pipelineImage(Rect{0, 0, w, h}, [w](std::int64_t x, std::int64_t) {
        const float m = x < w / 2 ? 1.0f : 0.0f;
        return std::array<float, 3>{m, m, m};
    });
}

SubjectMaskParameters enabled() {
    SubjectMaskParameters p;
    p.isEnabled = p.hasDetectedSubject = true;
    return p;
}

TEST(SubjectStageTest, SubjectAndBackgroundSidesThroughTheMask) {
    const Image input = frame();
    const PixelBuffer before = renderExtent(input);
    SubjectMaskParameters p = enabled();
    p.subject.exposure = 1;
    p.background.exposure = -1;

    const PixelBuffer split = renderExtent(applySubjectMask(input, p, leftHalfMask(kW, kH)));
    for (int y : {0, 14, 29})
        for (int x : {0, 5, 19, 20, 33, 39}) {
            const float gain = x < kW / 2 ? 2.0f : 0.5f;
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(at(split, x, y)[c], gain * at(before, x, y)[c], 1e-6f) << x << "," << y;
        }

    // Inverted: the subject's corrections go to the background region and back.
    p.isInverted = true;
    const PixelBuffer swapped = renderExtent(applySubjectMask(input, p, leftHalfMask(kW, kH)));
    EXPECT_NEAR(at(swapped, 3, 3)[0], 0.5f * at(before, 3, 3)[0], 1e-6f);
    EXPECT_NEAR(at(swapped, 30, 3)[0], 2.0f * at(before, 30, 3)[0], 1e-6f);

    // A mask made at a quarter of the size is stretched onto the frame (edges repeated, so the
    // frame's border keeps the mask's value).
    p.isInverted = false;
    const PixelBuffer small = renderExtent(applySubjectMask(input, p, leftHalfMask(kW / 4, kH / 4)));
    for (int y : {0, 15, 29}) {
        EXPECT_NEAR(at(small, 0, y)[0], 2.0f * at(before, 0, y)[0], 1e-6f);
        EXPECT_NEAR(at(small, 12, y)[0], 2.0f * at(before, 12, y)[0], 1e-6f);
        EXPECT_NEAR(at(small, 28, y)[0], 0.5f * at(before, 28, y)[0], 1e-6f);
        EXPECT_NEAR(at(small, 39, y)[0], 0.5f * at(before, 39, y)[0], 1e-6f);
    }

    // Subject +500 K warms the subject only.
    SubjectMaskParameters warm = enabled();
    warm.subject.temperature = 500;
    const PixelBuffer warmed = renderExtent(applySubjectMask(input, warm, leftHalfMask(kW, kH)));
    EXPECT_GT(at(warmed, 4, 4)[0] / at(warmed, 4, 4)[2], 1.02f * at(before, 4, 4)[0] / at(before, 4, 4)[2]);
    EXPECT_EQ(at(warmed, 30, 4), at(before, 30, 4));
}

TEST(SubjectStageTest, BackgroundBlurAndClarityStayOnTheirSide) {
    const Image input = frame();
    const PixelBuffer before = renderExtent(input);
    SubjectMaskParameters p = enabled();
    p.background.blurRadius = 3;
    const PixelBuffer blurred = renderExtent(applySubjectMask(input, p, leftHalfMask(kW, kH)));
    // The stripes melt into their mean on the background; the subject stays sharp.
    EXPECT_NEAR(at(blurred, 30, 10)[0], 0.25f, 0.01f);
    EXPECT_NEAR(at(blurred, 31, 10)[0], 0.25f, 0.01f);
    // At the frame's corner the edge pixels repeat: blurred, and no dark fringe.
    EXPECT_GT(at(blurred, 39, 29)[0], 0.24f);
    EXPECT_LT(at(blurred, 39, 29)[0], 0.29f);
    EXPECT_EQ(at(blurred, 10, 10), at(before, 10, 10));
    EXPECT_EQ(at(blurred, 19, 10), at(before, 19, 10));

    // A blur of 0.1 is no blur: the background is the input itself.
    p.background.blurRadius = 0.1;
    EXPECT_TRUE(backgroundSide(input, p.background).isSameNode(input));
    // Clarity 0.005 makes the subject side non-neutral yet adds no sharpening.
    SubjectAdjustment faint;
    faint.clarity = 0.005;
    EXPECT_FALSE(faint.isIdentity());
    EXPECT_TRUE(subjectSide(input, faint).isSameNode(input));
    // Clarity sharpens the subject: the stripes' contrast grows there and nowhere else.
    SubjectMaskParameters crisp = enabled();
    crisp.subject.clarity = 1;
    const PixelBuffer sharp = renderExtent(applySubjectMask(input, crisp, leftHalfMask(kW, kH)));
    EXPECT_GT(at(sharp, 9, 10)[0] - at(sharp, 10, 10)[0], at(before, 9, 10)[0] - at(before, 10, 10)[0] + 0.01f);
    EXPECT_EQ(at(sharp, 30, 10), at(before, 30, 10));
}

TEST(SubjectStageTest, NothingHappensWithoutAMaskOrWithoutBothSwitches) {
    const Image input = frame();
    SubjectMaskParameters p = enabled();
    p.subject.exposure = 1;
    p.background.blurRadius = 5;
    const Image mask = leftHalfMask(kW, kH);

    EXPECT_TRUE(applySubjectMask(input, p, std::nullopt).isSameNode(input));
    EXPECT_TRUE(applySubjectMask(input, p, Image()).isSameNode(input));  // an empty mask
    SubjectMaskParameters off = p;
    off.isEnabled = false;
    EXPECT_TRUE(applySubjectMask(input, off, mask).isSameNode(input));
    SubjectMaskParameters undetected = p;
    undetected.hasDetectedSubject = false;
    EXPECT_TRUE(applySubjectMask(input, undetected, mask).isSameNode(input));
    EXPECT_TRUE(applySubjectMask(Image(), p, mask).isEmpty());

    // A mask with infinite extent (a plain colour) is used as it is, within the frame.
    const PixelBuffer all = renderExtent(applySubjectMask(input, p, Image::constant({1, 1, 1, 1})));
    EXPECT_EQ(all.rect(), input.extent());
    EXPECT_NEAR(at(all, 30, 3)[1], 2.0f * at(renderExtent(input), 30, 3)[1], 1e-6f);
}

}  // namespace
}  // namespace vantrel
