// The mask rules: lookup by identifier, values, deletion and the selection after it.
#include <gtest/gtest.h>

#include "model/MaskRules.h"

namespace vantrel {
namespace {

LinearMask linear(const char* name) {
    LinearMask m;
    m.name = name;
    return m;
}

RadialMask radial(const char* name) {
    RadialMask m;
    m.name = name;
    return m;
}

TEST(MaskRules, LooksMasksUpByIdentifierLinearFirst) {
    MaskGroupParameters masks;
    masks.linearMasks = {linear("A"), linear("B")};
    masks.radialMasks = {radial("C")};
    // One identifier in both lists: the linear mask is the one found and edited.
    masks.radialMasks.push_back(radial("twin"));
    masks.radialMasks.back().id = masks.linearMasks[1].id;

    EXPECT_EQ(locateMask(masks, masks.linearMasks[1].id), (MaskLocation{MaskKind::linear, 1}));
    EXPECT_EQ(locateMask(masks, masks.radialMasks[0].id), (MaskLocation{MaskKind::radial, 0}));
    EXPECT_FALSE(locateMask(masks, Uuid::random()));
    EXPECT_FALSE(locateMask(masks, std::nullopt));
    EXPECT_EQ(summarizeMask(masks, masks.linearMasks[1].id).name, "B");

    EXPECT_TRUE(setMaskValue(masks, masks.linearMasks[1].id, &LinearMask::exposure, 1.5));
    EXPECT_EQ(masks.linearMasks[1].exposure, 1.5);
    EXPECT_NE(masks.radialMasks[1].exposure, 1.5);
    // Feather is a radial value: a linear mask has none, so nothing is written.
    EXPECT_FALSE(maskValue(masks, masks.linearMasks[0].id, &RadialMask::feather));
    EXPECT_FALSE(setMaskValue(masks, masks.linearMasks[0].id, &RadialMask::feather, 0.3));
    EXPECT_EQ(maskValue(masks, masks.radialMasks[0].id, &RadialMask::feather), 0.5);
    EXPECT_FALSE(setMaskValue(masks, Uuid::random(), &LinearMask::exposure, 1));
}

TEST(MaskRules, DeletionSelectsFirstLinearElseFirstRadial) {
    MaskGroupParameters masks;
    masks.linearMasks = {linear("A"), linear("B")};
    masks.radialMasks = {radial("C"), radial("D")};
    const Uuid a = masks.linearMasks[0].id, b = masks.linearMasks[1].id;
    const Uuid c = masks.radialMasks[0].id, d = masks.radialMasks[1].id;

    EXPECT_EQ(removeMask(masks, d), a);  // a radial deletion still goes to the first linear mask
    EXPECT_EQ(removeMask(masks, a), b);
    EXPECT_EQ(removeMask(masks, b), c);
    EXPECT_EQ(removeMask(masks, c), std::nullopt);
    EXPECT_EQ(masks.linearMasks.size() + masks.radialMasks.size(), 0u);
    // Removing what is not there changes nothing and still names the next selection.
    masks.radialMasks = {radial("E")};
    EXPECT_EQ(removeMask(masks, a), masks.radialMasks[0].id);

    // A row removes its own kind only.
    masks.linearMasks = {linear("F")};
    masks.radialMasks[0].id = masks.linearMasks[0].id;
    EXPECT_TRUE(removeMaskOfKind(masks, MaskKind::radial, masks.linearMasks[0].id));
    EXPECT_EQ(masks.linearMasks.size(), 1u);
    EXPECT_TRUE(masks.radialMasks.empty());
    EXPECT_FALSE(removeMaskOfKind(masks, MaskKind::radial, masks.linearMasks[0].id));
}

}  // namespace
}  // namespace vantrel
