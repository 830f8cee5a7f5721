// Film frames probed on rendered pixels: canvas sizes, sprocket holes, border colours, where
// the prints and the badge land, and the cases that must leave the image alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/core/Context.h"
#include "engine/stages/DarkroomPipeline.h"
#include "engine/stages/FilmFrameGenerator.h"
#include "engine/stages/FilmFrameText.h"

// Fontconfig keeps its caches through encoded offsets that the leak checker cannot follow,
// and Pango fills per-process font caches on first use; neither grows with use. Only leaks
// allocated inside those libraries are ignored.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libpangoft2-1.0.so\nleak:libpango-1.0.so\n";
}

namespace vantrel {
namespace {

// A uniform photo of working colour (v, v, v, 1) over w × h pixels at (ox, oy).
Image photo(int w, int h, float v = 0.5f, std::int64_t ox = 0, std::int64_t oy = 0) {
    PixelBuffer b(Rect{ox, oy, w, h});
    for (std::int64_t y = oy; y < oy + h; ++y)
        for (std::int64_t x = ox; x < ox + w; ++x) {
            float* p = b.at(x, y);
            p[0] = p[1] = p[2] = v;
            p[3] = 1;
        }
    return Image::fromBuffer(std::move(b));
}

FilmFrameParameters frameOf(FilmFrameStyle style, double thickness = 0.08) {
    FilmFrameParameters p;
    p.style = style;
    p.borderThickness = thickness;
    return p;
}

FilmFrameParameters bare(FilmFrameStyle style, RebateColorMode mode = RebateColorMode::darkroomBlack) {
    FilmFrameParameters p = frameOf(style);
    p.colorMode = mode;
    p.showBarcode = p.showFrameNumber = p.showStockLabel = false;
    return p;
}

// The rendered canvas, addressed in canvas coordinates (origin bottom-left, y up).
struct Canvas {
    PixelBuffer pixels;
    Rect extent;

    explicit Canvas(const Image& image, ContextOptions options = {}) : extent(image.extent()) {
        auto rendered = Context(options).renderFloat(image, extent);
        EXPECT_TRUE(rendered.has_value());
        if (rendered) pixels = std::move(*rendered);
    }
    int width() const { return int(extent.width); }
    int height() const { return int(extent.height); }
    const float* at(double x, double y) const {
        return pixels.at(extent.x + std::int64_t(std::floor(x)), extent.y + std::int64_t(std::floor(y)));
    }
};

struct Box {
    int minX = std::numeric_limits<int>::max(), minY = std::numeric_limits<int>::max(), maxX = -1, maxY = -1;
    bool empty() const { return maxX < 0; }
    int width() const { return maxX - minX + 1; }
    int height() const { return maxY - minY + 1; }
    double centreX() const { return (minX + maxX + 1) / 2.0; }
    double centreY() const { return (minY + maxY + 1) / 2.0; }
};

float difference(const float* a, const float* b) {
    float d = 0;
    for (int k = 0; k < 4; ++k) d = std::max(d, std::fabs(a[k] - b[k]));
    return d;
}

// Bounding box, in canvas coordinates, of the pixels where two same-sized canvases differ.
Box differences(const Canvas& a, const Canvas& b, float tolerance = 0.01f) {
    Box box;
    EXPECT_EQ(a.extent, b.extent);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (difference(a.at(x, y), b.at(x, y)) > tolerance) {
                box.minX = std::min(box.minX, x), box.maxX = std::max(box.maxX, x);
                box.minY = std::min(box.minY, y), box.maxY = std::max(box.maxY, y);
            }
    return box;
}

void expectColor(const float* px, const WorkingColor& c, float tolerance, const char* what) {
    EXPECT_NEAR(px[0], c.r, tolerance) << what;
    EXPECT_NEAR(px[1], c.g, tolerance) << what;
    EXPECT_NEAR(px[2], c.b, tolerance) << what;
    EXPECT_NEAR(px[3], c.a, tolerance) << what;
}

// Runs of pixels along row y whose red channel lies below `threshold`: their count and centres.
std::vector<double> darkRuns(const Canvas& c, double y, float threshold) {
    std::vector<double> centres;
    int start = -1;
    for (int x = 0; x <= c.width(); ++x) {
        const bool dark = x < c.width() && c.at(x, y)[0] < threshold;
        if (dark && start < 0) start = x;
        if (!dark && start >= 0) {
            centres.push_back((start + x) / 2.0);
            start = -1;
        }
    }
    return centres;
}

TEST(FilmFrameGenerator, CanvasSizeFollowsStyleAndThickness) {
    const Image p = photo(1000, 600);
    struct Case {
        FilmFrameStyle style;
        double thickness;
        Rect extent;  // the photo stays at (0, 0): the canvas starts at minus its corner
    };
    const Case cases[] = {
        {FilmFrameStyle::galleryBorder, 0.08, {-53, -53, 1105, 705}},   // g = 52.8
        {FilmFrameStyle::galleryBorder, 0.03, {-20, -20, 1040, 640}},   // 19.8 is below the minimum 20
        {FilmFrameStyle::polaroid, 0.08, {-80, -256, 1160, 936}},       // s = 80, B = 256
        {FilmFrameStyle::sprocket135, 0.08, {-56, -106, 1112, 811}},    // s = 56, v = 105.6
        {FilmFrameStyle::mediumFormat120, 0.08, {-58, -58, 1115, 715}}, // m = 57.6
        {FilmFrameStyle::sprocketOverlay, 0.2, {0, 0, 1000, 600}},
    };
    for (const Case& c : cases) {
        const Image framed = applyFilmFrame(p, frameOf(c.style, c.thickness));
        EXPECT_EQ(framed.extent(), c.extent) << int(c.style) << " at " << c.thickness;
    }
    // A large strip: only the layout is checked, nothing is rendered.
    const Image strip = applyFilmFrame(photo(3000, 2000), frameOf(FilmFrameStyle::sprocket135));
    EXPECT_EQ(strip.extent().width, 3336);
    EXPECT_EQ(strip.extent().height, 2704);

    // A watermark alone keeps the photo's size and place.
    FilmFrameParameters badge;
    badge.showExifWatermark = true;
    EXPECT_EQ(applyFilmFrame(photo(400, 300, 0.5f, 7, -3), badge).extent(), (Rect{7, -3, 400, 300}));
    // The canvas grows around a photo that does not start at the origin.
    EXPECT_EQ(applyFilmFrame(photo(1000, 600, 0.5f, 10, 20), frameOf(FilmFrameStyle::polaroid)).extent(),
              (Rect{-70, -236, 1160, 936}));
}

TEST(FilmFrameGenerator, PhotoPixelsPassThroughUnchanged) {
    // Extended and negative values, and a pattern that shows any shift or resampling.
    PixelBuffer b(Rect{0, 0, 300, 200});
    for (std::int64_t y = 0; y < 200; ++y)
        for (std::int64_t x = 0; x < 300; ++x) {
            float* p = b.at(x, y);
            p[0] = 1.7f + float(x) * 0.001f;
            p[1] = -0.1f + float(y) * 0.002f;
            p[2] = float((x * 7 + y * 13) % 97) / 97.0f;
            p[3] = 1;
        }
    const Image source = Image::fromBuffer(b.clone());
    const Canvas framed(applyFilmFrame(source, bare(FilmFrameStyle::galleryBorder)));
    const int g = 20;  // the minimum border of a photo this small
    ASSERT_EQ(framed.width(), 340);
    // Inside the outline's reach the photo is exactly itself.
    for (int y = 2; y < 198; y += 7)
        for (int x = 2; x < 298; x += 5) {
            const float* want = b.at(x, y);
            const float* got = framed.at(g + x, g + y);
            for (int k = 0; k < 4; ++k) ASSERT_EQ(got[k], want[k]) << x << "," << y;
        }
}

TEST(FilmFrameGenerator, SprocketHolesAreCountedAndSpaced) {
    // 35 mm strip on white film: v = 105.6, hole width 42.24, pitch 73.92, 15 + 1 holes per row
    // (the outer two cut by the canvas edge).
    const Canvas strip(applyFilmFrame(photo(1000, 600), bare(FilmFrameStyle::sprocket135,
                                                                        RebateColorMode::fineArtWhite)));
    const double v = 105.6, H = strip.height();
    for (double y : {0.52 * v, H - 0.52 * v}) {
        const std::vector<double> holes = darkRuns(strip, y, 0.1f);
        ASSERT_EQ(holes.size(), 16u) << "row " << y;
        for (std::size_t i = 2; i + 1 < holes.size(); ++i) EXPECT_NEAR(holes[i] - holes[i - 1], 73.92, 1.0);
        // The holes are centred on the strip.
        EXPECT_NEAR(holes[1] + holes[14], strip.width(), 2.0);
    }
    // Holes are 0.52 v high: just above and below a hole lies plain rebate.
    const double holeX = darkRuns(strip, 0.52 * v, 0.1f)[5];
    EXPECT_LT(strip.at(holeX, 0.30 * v)[0], 0.1f);
    EXPECT_GT(strip.at(holeX, 0.22 * v)[0], 0.5f);
    EXPECT_GT(strip.at(holeX, 0.82 * v)[0], 0.5f);

    // Holes punched into the photo itself: b = 72, pitch 52.92, 18 + 1 holes per row, filled
    // with the rebate colour; the photo keeps its size.
    const Canvas overlay(applyFilmFrame(photo(1000, 600, 0.8f), bare(FilmFrameStyle::sprocketOverlay)));
    ASSERT_EQ(overlay.width(), 1000);
    const double b = 72;
    for (double y : {0.25 * b + 0.3 * b, 600 - 0.85 * b + 0.3 * b}) {
        const std::vector<double> holes = darkRuns(overlay, y, 0.05f);
        ASSERT_EQ(holes.size(), 19u) << "row " << y;
        for (std::size_t i = 1; i < holes.size(); ++i) EXPECT_NEAR(holes[i] - holes[i - 1], 52.92, 1.0);
    }
    // Between the rows the photo is untouched.
    EXPECT_EQ(overlay.at(500, 300)[0], 0.8f);
}

TEST(FilmFrameGenerator, BorderColoursFollowTheColourMode) {
    const Image p = photo(1000, 600);
    struct Case {
        FilmFrameStyle style;
        RebateColorMode mode;
        double x, y;  // a point of plain border
        WorkingColor expected;
    };
    using color::workingFromSRGB;
    const Case cases[] = {
        {FilmFrameStyle::sprocket135, RebateColorMode::darkroomBlack, 20, 400, workingFromSRGB(0.07, 0.07, 0.07)},
        {FilmFrameStyle::sprocket135, RebateColorMode::filmBaseAmber, 20, 400, workingFromSRGB(0.52, 0.24, 0.1)},
        {FilmFrameStyle::sprocket135, RebateColorMode::fineArtWhite, 20, 400, workingFromSRGB(0.96, 0.96, 0.95)},
        {FilmFrameStyle::mediumFormat120, RebateColorMode::filmBaseAmber, 10, 600, workingFromSRGB(0.52, 0.24, 0.1)},
        {FilmFrameStyle::polaroid, RebateColorMode::darkroomBlack, 40, 500, workingFromSRGB(0.12, 0.12, 0.12)},
        {FilmFrameStyle::polaroid, RebateColorMode::filmBaseAmber, 40, 500, workingFromSRGB(0.96, 0.95, 0.93)},
        {FilmFrameStyle::galleryBorder, RebateColorMode::darkroomBlack, 10, 300, workingFromSRGB(0.08, 0.08, 0.08)},
        {FilmFrameStyle::galleryBorder, RebateColorMode::fineArtWhite, 10, 300, workingFromSRGB(0.97, 0.97, 0.96)},
    };
    for (const Case& c : cases) {
        const Canvas canvas(applyFilmFrame(p, bare(c.style, c.mode)));
        // The fill is an exact working colour, not an 8-bit one.
        expectColor(canvas.at(c.x, c.y), c.expected, 1e-6f, "border");
    }

    // The 120 notches: dark squares of 0.3 m touching the photo's sides at mid-height.
    const Canvas medium(applyFilmFrame(p, bare(FilmFrameStyle::mediumFormat120, RebateColorMode::fineArtWhite)));
    const double m = 57.6, q = 0.3 * m, mid = medium.height() / 2.0;
    const WorkingColor notch = color::workingFromSRGB(0.02, 0.02, 0.02);
    expectColor(medium.at(58 - q / 2, mid), notch, 0.002f, "left notch");
    expectColor(medium.at(58 + 1000 + q / 2, mid), notch, 0.002f, "right notch");
    EXPECT_GT(medium.at(58 - q - 3, mid)[0], 0.5f);
    EXPECT_GT(medium.at(58 - q / 2, mid + q / 2 + 3)[0], 0.5f);

    // The outline around the photo is a faint line on the photo's edge, nothing more.
    const Canvas gallery(applyFilmFrame(p, bare(FilmFrameStyle::galleryBorder, RebateColorMode::fineArtWhite)));
    const float edge = gallery.at(53 + 500, 53 + 0.5)[0];
    EXPECT_LT(edge, 0.5f);
    EXPECT_GT(edge, 0.3f);
    EXPECT_EQ(gallery.at(53 + 500, 53 + 3)[0], 0.5f);
}

TEST(FilmFrameGenerator, EdgePrintsLandInTheirRebates) {
    const Image p = photo(1000, 600);
    const Canvas plain(applyFilmFrame(p, bare(FilmFrameStyle::sprocket135)));
    const double W = plain.width(), H = plain.height(), v = 105.6, s = 56;
    auto only = [&](bool stock, bool number, bool barcode) {
        FilmFrameParameters f = bare(FilmFrameStyle::sprocket135);
        f.showStockLabel = stock, f.showFrameNumber = number, f.showBarcode = barcode;
        return Canvas(applyFilmFrame(p, f));
    };

    // Stock label: from s + 10 along the upper rebate, between the photo and the holes.
    const Box stock = differences(plain, only(true, false, false));
    ASSERT_FALSE(stock.empty());
    EXPECT_NEAR(stock.minX, s + 10, 4);
    EXPECT_LT(stock.maxX, W / 2);
    EXPECT_GE(stock.minY, H - v - 1);
    EXPECT_LE(stock.maxY, H - 0.78 * v);

    // Frame numbers: one at s + 10 and one ending near the right side, above the lower holes.
    const Box number = differences(plain, only(false, true, false));
    ASSERT_FALSE(number.empty());
    EXPECT_GE(number.minX, s + 10 - 1);  // the arrow's own side bearing may come first
    EXPECT_LE(number.minX, s + 10 + 8);
    EXPECT_GT(number.maxX, W - s - 70);
    EXPECT_LT(number.maxX, W);
    EXPECT_GE(number.minY, 0.78 * v);
    EXPECT_LE(number.maxY, v);
    const Canvas numbers = only(false, true, false);
    EXPECT_LT(difference(numbers.at(W / 2, 0.82 * v + 4), plain.at(W / 2, 0.82 * v + 4)), 1e-6f)
        << "nothing between the two numbers";

    // Barcode: 19 bars 96.5 wide from W - s - 140, 0.15 v high from H - 0.98 v.
    const Canvas bars = only(false, false, true);
    const Box barcode = differences(plain, bars);
    ASSERT_FALSE(barcode.empty());
    EXPECT_NEAR(barcode.minX, W - s - 140, 1);
    EXPECT_NEAR(barcode.width(), 96.5, 2);
    EXPECT_NEAR(barcode.minY, H - 0.98 * v, 1);
    EXPECT_NEAR(barcode.height(), 0.15 * v, 2);
    int bar = 0;
    bool wasInk = false;
    for (int x = barcode.minX; x <= barcode.maxX + 1; ++x) {
        const double y = barcode.centreY();
        const bool ink = x <= barcode.maxX && difference(bars.at(x, y), plain.at(x, y)) > 0.05f;
        if (ink && !wasInk) ++bar;
        wasInk = ink;
    }
    EXPECT_EQ(bar, 19);

    // All three flags off: only the rebate and its holes, no print anywhere.
    EXPECT_TRUE(differences(plain, only(false, false, false)).empty());
    const Box all = differences(plain, only(true, true, true));
    EXPECT_EQ(all.minY, number.minY);
    EXPECT_EQ(all.maxY, std::max(stock.maxY, barcode.maxY));

    // Instant print: label and number in the wide bottom margin, around 0.45 B.
    FilmFrameParameters instant = bare(FilmFrameStyle::polaroid);
    const Canvas blank(applyFilmFrame(p, instant));
    instant.showStockLabel = instant.showFrameNumber = true;
    const Box printed = differences(blank, Canvas(applyFilmFrame(p, instant)));
    ASSERT_FALSE(printed.empty());
    EXPECT_NEAR(printed.minX, 80 + 8, 4);
    EXPECT_GT(printed.maxX, 1160 - 80 - 60);
    EXPECT_LT(printed.maxX, 1160);
    EXPECT_LT(printed.minY, 0.45 * 256 + 1);
    EXPECT_GT(printed.maxY, 0.45 * 256);
    EXPECT_LT(printed.maxY, 256);
}

bool overlaps(const Box& a, const Box& b) {
    return !a.empty() && !b.empty() && a.minX <= b.maxX && b.minX <= a.maxX && a.minY <= b.maxY && b.minY <= a.maxY;
}

// Whatever shape the crop gives the frame, the rebate prints stay on the canvas and never run
// into each other: each print's rendered box, found alone, against the others.
TEST(FilmFrameGenerator, RebatePrintsNeverOverlapAtAnyFrameShape) {
    struct Shape {
        const char* name;
        int w, h;
        bool barcodeShown;  // room for the barcode beside the whole label
    };
    for (FilmFrameStyle style : {FilmFrameStyle::sprocket135, FilmFrameStyle::sprocketOverlay}) {
        for (const Shape& shape : {Shape{"portrait", 600, 900, true}, Shape{"narrow portrait", 240, 900, false},
                                   Shape{"square", 500, 500, true}, Shape{"panorama", 1500, 300, true}}) {
            const bool overlay = style == FilmFrameStyle::sprocketOverlay;
            const std::string where = std::string(overlay ? "overlay " : "35 mm ") + shape.name;
            const Image p = photo(shape.w, shape.h);
            const Canvas plain(applyFilmFrame(p, bare(style)));
            auto only = [&](bool stock, bool number, bool barcode) {
                FilmFrameParameters f = bare(style);
                f.frameNumber = "24";
                f.showStockLabel = stock, f.showFrameNumber = number, f.showBarcode = barcode;
                return differences(plain, Canvas(applyFilmFrame(p, f)));
            };
            const Box stock = only(true, false, false), number = only(false, true, false),
                      barcode = only(false, false, true), all = only(true, true, true);
            ASSERT_FALSE(stock.empty()) << where;
            ASSERT_FALSE(number.empty()) << where;
            EXPECT_EQ(!barcode.empty(), shape.barcodeShown) << where;
            EXPECT_FALSE(overlaps(stock, barcode)) << where << ": label ends at " << stock.maxX << ", barcode from "
                                                   << barcode.minX;
            EXPECT_FALSE(overlaps(number, stock) || overlaps(number, barcode)) << where;
            for (const Box& print : {stock, number, barcode}) {
                if (print.empty()) continue;
                EXPECT_GE(print.minX, 0) << where;
                EXPECT_LT(print.maxX, plain.width() - 4) << where;
            }
            // A print shown or hidden moves no other: together they cover what each covers alone.
            EXPECT_EQ(all.minX, std::min(stock.minX, number.minX)) << where;
            EXPECT_EQ(all.maxX, std::max({stock.maxX, number.maxX, barcode.empty() ? -1 : barcode.maxX})) << where;
        }
    }
}

TEST(FilmFrameGenerator, WatermarkBadgeSitsAtItsPosition) {
    const Image p = photo(1000, 600, 0.6f);
    const Canvas unframed(p);
    FilmFrameParameters f;
    f.showExifWatermark = true;
    f.watermarkCamera = "Leica M6";  // the line comes from the record, never from the photo
    const double size = std::max(11.0, 0.016 * 600);
    const FilmFrameText line = FilmFrameText::shape(f.watermarkText(nullptr), FilmFrameFont::typewriterBold, size);
    ASSERT_FALSE(line.isEmpty());
    const double bw = line.inkBounds().width + 1.8 * size, bh = line.inkBounds().height + 1.1 * size;
    const double mx = 20, my = 16;

    struct Case {
        FilmWatermarkPosition position;
        double x, y;  // expected bottom-left corner of the badge
    };
    const Case cases[] = {
        {FilmWatermarkPosition::bottomRebate, (1000 - bw) / 2, my},  // no rebate: the bottom margin
        {FilmWatermarkPosition::bottomRight, 1000 - bw - mx, my},
        {FilmWatermarkPosition::bottomLeft, mx, my},
        {FilmWatermarkPosition::topRebate, (1000 - bw) / 2, 600 - bh - my},
    };
    for (const Case& c : cases) {
        f.watermarkPosition = c.position;
        const Box badge = differences(unframed, Canvas(applyFilmFrame(p, f)));
        ASSERT_FALSE(badge.empty());
        EXPECT_NEAR(badge.minX, c.x, 1.5) << int(c.position);
        EXPECT_NEAR(badge.minY, c.y, 1.5) << int(c.position);
        EXPECT_NEAR(badge.width(), bw, 2.5) << int(c.position);
        EXPECT_NEAR(badge.height(), bh, 2.5) << int(c.position);
    }

    // The text is inside the badge: between its insets the badge shows ink, beyond them only
    // the badge's own fill.
    f.watermarkPosition = FilmWatermarkPosition::bottomLeft;
    const Canvas badge(applyFilmFrame(p, f));
    const double x0 = mx, y0 = my;
    auto inkIn = [&](double xa, double xb, double ya, double yb) {
        const float* fill = badge.at(x0 + 3, y0 + bh / 2);
        int n = 0;
        for (double y = ya; y < yb; ++y)
            for (double x = xa; x < xb; ++x) n += difference(badge.at(x, y), fill) > 0.05f;
        return n;
    };
    EXPECT_GT(inkIn(x0 + 0.9 * size, x0 + bw - 0.9 * size, y0 + 0.55 * size, y0 + bh - 0.55 * size), 50);
    // (3 pixels clear of the outline, which follows the rounded corners)
    EXPECT_EQ(inkIn(x0 + 3, x0 + 0.9 * size - 2, y0 + 3, y0 + bh - 3), 0);
    EXPECT_EQ(inkIn(x0 + bw - 0.9 * size + 2, x0 + bw - 3, y0 + 3, y0 + bh - 3), 0);

    // In a 35 mm strip the badge is centred in the lower rebate.
    f.style = FilmFrameStyle::sprocket135;
    f.watermarkPosition = FilmWatermarkPosition::bottomRebate;
    f.showBarcode = f.showFrameNumber = f.showStockLabel = false;
    FilmFrameParameters noBadge = f;
    noBadge.showExifWatermark = false;
    const Box inStrip = differences(Canvas(applyFilmFrame(p, noBadge)), Canvas(applyFilmFrame(p, f)));
    ASSERT_FALSE(inStrip.empty());
    EXPECT_NEAR(inStrip.centreY(), 106 / 2.0, 1.5);
    EXPECT_NEAR(inStrip.centreX(), 1112 / 2.0, 1.5);

    // A custom line replaces everything; white space alone does not.
    f.customWatermarkText = "  \n";
    EXPECT_EQ(f.watermarkText(nullptr), "Leica M6");
}

TEST(FilmFrameGenerator, TranslucentMarksBlendLikeAnSRGBDrawing) {
    // The overlay's edge shade: 35 % black at the photo's top edge fading out over 1.2 b.
    const float grey = 0.5f;
    const Canvas shaded(applyFilmFrame(photo(1000, 600, grey), bare(FilmFrameStyle::sprocketOverlay)));
    const double b = 72, x = 1;  // left of the first hole
    const float top = shaded.at(x, 599)[0];
    const float encoded = float(color::encodeSRGB(grey));
    const double alpha = 0.35 * (1 - 0.5 / (1.2 * b));
    EXPECT_NEAR(color::encodeSRGB(top), encoded * (1 - alpha), 0.01);
    EXPECT_LT(shaded.at(x, 600 - 0.6 * b)[0], grey);
    EXPECT_GT(shaded.at(x, 600 - 0.6 * b)[0], top);
    EXPECT_EQ(shaded.at(x, 600 - 1.2 * b - 2)[0], grey);
    EXPECT_EQ(shaded.at(x, 300)[0], grey);
}

TEST(FilmFrameGenerator, TilingDoesNotShowInTheFrame) {
    FilmFrameParameters f = frameOf(FilmFrameStyle::sprocket135);
    f.showExifWatermark = true;
    f.watermarkCamera = "Leica M6";
    const Image framed = applyFilmFrame(photo(700, 450, 0.3f), f);
    ContextOptions small;
    small.tileSize = 37;
    ContextOptions one;
    one.threads = 1;
    one.tileSize = 4096;
    const Canvas a(framed, small), b(framed, one);
    ASSERT_EQ(a.extent, b.extent);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) ASSERT_EQ(difference(a.at(x, y), b.at(x, y)), 0.0f) << x << "," << y;
}

TEST(FilmFrameGenerator, LeavesTheImageAloneWhenItShould) {
    const Image p = photo(400, 300);
    // The neutral record, and a border-less style without watermark.
    EXPECT_TRUE(applyFilmFrame(p, FilmFrameParameters::defaultValue()).isSameNode(p));
    // Images of 20 pixels or less in either direction.
    for (const Image& thin : {photo(20, 400), photo(400, 20)})
        EXPECT_TRUE(applyFilmFrame(thin, frameOf(FilmFrameStyle::galleryBorder)).isSameNode(thin));
    const Image smallest = photo(21, 21);
    EXPECT_FALSE(applyFilmFrame(smallest, frameOf(FilmFrameStyle::galleryBorder)).isSameNode(smallest));
    // Empty and infinite images.
    const Image empty;
    EXPECT_TRUE(applyFilmFrame(empty, frameOf(FilmFrameStyle::polaroid)).isEmpty());
    const Image endless = Image::constant({0.5f, 0.5f, 0.5f, 1});
    EXPECT_TRUE(applyFilmFrame(endless, frameOf(FilmFrameStyle::polaroid)).isSameNode(endless));
}

TEST(FilmFrameGenerator, HandEditedThicknessIsClampedForDrawing) {
    const Image p = photo(1000, 600);
    auto extentAt = [&](double thickness) {
        return applyFilmFrame(p, frameOf(FilmFrameStyle::sprocket135, thickness)).extent();
    };
    const Rect widest = extentAt(0.2), narrowest = extentAt(0.03);
    EXPECT_EQ(widest, (Rect{-140, -264, 1280, 1128}));
    EXPECT_EQ(extentAt(50), widest);
    EXPECT_EQ(extentAt(std::numeric_limits<double>::infinity()), widest);
    EXPECT_EQ(extentAt(std::nan("")), widest);
    EXPECT_EQ(extentAt(-3), narrowest);
    EXPECT_EQ(narrowest, (Rect{-24, -40, 1048, 679}));  // s = 24 (minimum), v = 39.6

    // The record itself keeps what was stored.
    const FilmFrameParameters absurd = frameOf(FilmFrameStyle::polaroid, 1e9);
    const Canvas drawn(applyFilmFrame(p, absurd));
    EXPECT_EQ(absurd.borderThickness, 1e9);
    EXPECT_EQ(drawn.width(), 1400);

    // A canvas out of all proportion to the photo (an instant print of a thin panorama) is not
    // made; a modest border on the same photo is.
    const Image panorama = photo(4000, 25);
    EXPECT_TRUE(applyFilmFrame(panorama, frameOf(FilmFrameStyle::polaroid, 0.2)).isSameNode(panorama));
    const Image mounted = applyFilmFrame(panorama, frameOf(FilmFrameStyle::galleryBorder, 0.2));
    EXPECT_EQ(mounted.extent(), (Rect{-20, -20, 4040, 65}));
}

TEST(FilmFrameGenerator, FramesTheDevelopedImageInThePipeline) {
    EditParameters recipe;
    recipe.filmFrame.style = FilmFrameStyle::polaroid;
    const DarkroomPipeline& pipeline = DarkroomPipeline::shared();
    const Image developed = pipeline.render(photo(1000, 600), recipe);
    EXPECT_EQ(developed.extent().width, 1160);
    EXPECT_EQ(developed.extent().height, 936);
    const auto bitmap = pipeline.makeBitmap(developed);
    ASSERT_TRUE(bitmap.has_value());
    EXPECT_EQ(bitmap->width, 1160);
    // Top-left corner: the instant print's dark border (grey 0.12), fully opaque.
    EXPECT_EQ(bitmap->at(2, 2)[3], 255);
    EXPECT_NEAR(bitmap->at(2, 2)[0], 31, 1);
    // Without a frame the stage leaves the size alone.
    recipe.filmFrame = FilmFrameParameters::defaultValue();
    EXPECT_EQ(pipeline.render(photo(1000, 600), recipe).extent().width, 1000);
}

TEST(FilmFrameText, ShapesMeasuresAndFallsBack) {
    const FilmFrameText label = FilmFrameText::shape("VISION3 500T", FilmFrameFont::typewriterBold, 20);
    ASSERT_FALSE(label.isEmpty());
    const auto& ink = label.inkBounds();
    // Capitals and digits stand on the baseline and reach about cap height.
    EXPECT_GT(ink.minY, -1.5);
    EXPECT_GT(ink.height, 10);
    EXPECT_LT(ink.height, 20);
    // A monospaced face: twelve cells of about 0.6 em.
    EXPECT_NEAR(ink.width, 12 * 0.6 * 20, 0.2 * 12 * 20 * 0.6);
    // Twice the size, twice the ink.
    const FilmFrameText big = FilmFrameText::shape("VISION3 500T", FilmFrameFont::typewriterBold, 40);
    EXPECT_NEAR(big.inkBounds().width, 2 * ink.width, 1.0);
    // Glyphs the face lacks come from a fallback font rather than vanishing.
    const FilmFrameText arrow = FilmFrameText::shape("▶", FilmFrameFont::typewriterBold, 20);
    EXPECT_FALSE(arrow.isEmpty());
    EXPECT_GT(arrow.inkBounds().width, 5);
    // Nothing to set.
    EXPECT_TRUE(FilmFrameText::shape("", FilmFrameFont::sansMedium, 20).isEmpty());
    EXPECT_TRUE(FilmFrameText::shape("abc", FilmFrameFont::sansMedium, std::nan("")).isEmpty());
    EXPECT_FALSE(filmFrameFontFamily(FilmFrameFont::sansMedium).empty());
    EXPECT_NE(filmFrameFontFamily(FilmFrameFont::sansMedium), filmFrameFontFamily(FilmFrameFont::typewriterBold));
}

}  // namespace
}  // namespace vantrel
