#include "model/Translation.h"

#include <gtest/gtest.h>

namespace vantrel {

TEST(Translation, ShowsKeyUntilHookInstalledAndAfterRemoval) {
    EXPECT_EQ(translate("crop.ratio.free"), "crop.ratio.free");
    setTranslationHook([](std::string_view key) { return "T:" + std::string(key); });
    EXPECT_EQ(translate("crop.ratio.free"), "T:crop.ratio.free");
    setTranslationHook({});
    EXPECT_EQ(translate("crop.ratio.free"), "crop.ratio.free");
}

}  // namespace vantrel
