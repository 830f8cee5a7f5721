// A JPEG cut short is told apart from a whole one, also from one that carries
// other data after its end (as some cameras' files do).
#include <gtest/gtest.h>

#include "common/LoaderFixtures.h"
#include "engine/io/ScanCompleteness.h"

namespace vantrel {
namespace {

using namespace vantrel::testing;

TEST(ScanCompleteness, OnlyAJpegCutShortEndsEarly) {
    TempDir dir;
    JpegFixture jpeg;
    jpeg.noise = true;
    writeJpeg(dir / "whole.jpg", jpeg);
    truncateCopy(dir / "whole.jpg", dir / "cut.jpg", 0.6);
    writeBytes(dir / "trailer.jpg", readBytes(dir / "whole.jpg") + std::string(300, '\x5A') + "\xFF");
    PngFixture png;
    writePng(dir / "a.png", png);
    truncateCopy(dir / "a.png", dir / "cut.png");

    EXPECT_FALSE(scanEndsEarly(dir / "whole.jpg"));
    EXPECT_FALSE(scanEndsEarly(dir / "trailer.jpg"));
    EXPECT_TRUE(scanEndsEarly(dir / "cut.jpg"));
    EXPECT_FALSE(scanEndsEarly(dir / "a.png"));
    EXPECT_FALSE(scanEndsEarly(dir / "cut.png"));  // its decoder refuses it outright
    EXPECT_FALSE(scanEndsEarly(dir / "missing.jpg"));
}

}  // namespace
}  // namespace vantrel
