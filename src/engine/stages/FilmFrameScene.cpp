#include "engine/stages/FilmFrameScene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

namespace vantrel {

namespace {

using Kind = FilmFrameMark::Kind;
using Style = FilmFrameStyle;

// Border sizes of a style for a photo of w × h: the canvas and where the photo's corner
// lands, before snapping to whole pixels.
struct Borders {
    double band = 0;  // the style's governing border size (b, s, m or g)
    double bottom = 0;  // vertical offset of the photo (v, m, B or g)
    double side = 0;    // horizontal offset of the photo
    double width = 0, height = 0;  // canvas, already truncated to whole pixels
};

Borders bordersOf(const FilmFrameParameters& p, double w, double h) {
    const double t = p.borderThickness;
    Borders b;
    switch (p.style) {
        case Style::none:
            b.width = w;
            b.height = h;
            break;
        case Style::sprocketOverlay:
            b.band = std::max(28.0, t * h * 1.5);
            b.width = w;
            b.height = h;
            break;
        case Style::sprocket135:
            b.side = std::max(24.0, t * w * 0.7);
            b.band = b.bottom = std::max(36.0, t * h * 2.2);
            b.width = std::floor(w + 2 * b.side);
            b.height = std::floor(h + 2 * b.bottom);
            break;
        case Style::mediumFormat120:
            b.band = b.side = b.bottom = std::max(24.0, t * std::min(w, h) * 1.2);
            b.width = std::floor(w + 2 * b.side);
            b.height = std::floor(h + 2 * b.bottom);
            break;
        case Style::polaroid:
            b.band = b.side = std::max(24.0, t * w);
            b.bottom = 3.2 * b.side;
            b.width = std::floor(w + 2 * b.side);
            b.height = std::floor(b.side + h + b.bottom);
            break;
        case Style::galleryBorder:
            b.band = b.side = b.bottom = std::max(20.0, t * std::min(w, h) * 1.1);
            b.width = std::floor(w + 2 * b.side);
            b.height = std::floor(h + 2 * b.bottom);
            break;
    }
    return b;
}

constexpr FilmFrameColor grey(double v, double a = 1) { return {v, v, v, a}; }

FilmFrameColor rebateColor(RebateColorMode mode) {
    switch (mode) {
        case RebateColorMode::filmBaseAmber: return {0.52, 0.24, 0.1, 1};
        case RebateColorMode::fineArtWhite: return {0.96, 0.96, 0.95, 1};
        case RebateColorMode::darkroomBlack: break;
    }
    return grey(0.07);
}

FilmFrameColor rebateTextColor(RebateColorMode mode) {
    switch (mode) {
        case RebateColorMode::filmBaseAmber: return {1.0, 0.85, 0.4, 1.0};
        case RebateColorMode::fineArtWhite: return grey(0.2, 0.9);
        case RebateColorMode::darkroomBlack: break;
    }
    return {0.95, 0.72, 0.25, 0.95};
}

struct BadgeLook {
    FilmFrameFont font;
    FilmFrameColor text, fill, outline;
    double outlineWidth, radius;
};

BadgeLook badgeLook(FilmWatermarkStyle style) {
    switch (style) {
        case FilmWatermarkStyle::minimalist:
            return {FilmFrameFont::sansMedium, grey(1, 0.92), grey(0, 0.5), grey(1, 0.12), 0.8, 6};
        case FilmWatermarkStyle::retroStamp:
            return {FilmFrameFont::typewriterBold, {0.9, 0.25, 0.22, 0.98}, {0.9, 0.25, 0.22, 0.14},
                    {0.9, 0.25, 0.22, 0.85}, 1.5, 2};
        case FilmWatermarkStyle::goldenBadge:
            return {FilmFrameFont::typewriterBold, {0.95, 0.8, 0.35, 1}, {0.1, 0.09, 0.06, 0.75},
                    {0.88, 0.72, 0.28, 0.7}, 1.2, 6};
        case FilmWatermarkStyle::typewriter: break;
    }
    return {FilmFrameFont::typewriterBold, {0.94, 0.92, 0.88, 0.95}, grey(0.08, 0.7), grey(1, 0.18), 1, 6};
}

// Bar widths of the edge barcode, left to right; each bar is followed by a 2-pixel gap.
constexpr std::array<double, 19> kBarWidths{3, 1.5, 4.5, 1.5, 3, 6, 1.5, 4.5, 3, 1.5, 6, 3, 1.5, 4.5, 1.5, 3, 1.5, 4.5, 3};
constexpr double kBarGap = 2;
constexpr double kBarHeight = 0.15;  // of the band

class SceneBuilder {
public:
    explicit SceneBuilder(FilmFrameScene& scene) : scene_(scene) {}

    void box(Kind kind, double x, double y, double w, double h, double radius, const FilmFrameColor& c,
             double lineWidth = 1) {
        FilmFrameMark m;
        m.kind = kind;
        m.x = x, m.y = y, m.width = w, m.height = h, m.radius = radius, m.lineWidth = lineWidth;
        m.color = c;
        const double grow = 1 + (kind == Kind::stroke ? lineWidth / 2 : 0);
        m.minX = x - grow, m.minY = y - grow, m.maxX = x + w + grow, m.maxY = y + h + grow;
        scene_.marks.push_back(std::move(m));
    }

    void gradient(double y, double h, const FilmFrameColor& from, const FilmFrameColor& to) {
        FilmFrameMark m;
        m.kind = Kind::gradient;
        m.y = y, m.height = h, m.width = scene_.width;
        m.color = from;
        m.endColor = to;
        m.minX = -1, m.maxX = scene_.width + 1;
        m.minY = std::min(y, y + h) - 1, m.maxY = std::max(y, y + h) + 1;
        scene_.marks.push_back(std::move(m));
    }

    void text(const std::string& s, FilmFrameFont font, double size, double x, double y, const FilmFrameColor& c) {
        text(std::make_shared<const FilmFrameText>(FilmFrameText::shape(s, font, size)), x, y, c);
    }

    void text(std::shared_ptr<const FilmFrameText> t, double x, double y, const FilmFrameColor& c) {
        if (!t || t->isEmpty()) return;  // text that cannot be set is skipped alone
        const auto& ink = t->inkBounds();
        FilmFrameMark m;
        m.kind = Kind::text;
        m.x = x, m.y = y;
        m.color = c;
        m.minX = x + ink.minX - 2, m.maxX = x + ink.minX + ink.width + 2;
        m.minY = y + ink.minY - 2, m.maxY = y + ink.minY + ink.height + 2;
        m.text = std::move(t);
        scene_.marks.push_back(std::move(m));
    }

    void barcode(double x, double y, double band, const FilmFrameColor& c) {
        for (double bar : kBarWidths) {
            box(Kind::fill, x, y, bar, kBarHeight * band, 0, c);
            x += bar + kBarGap;
        }
    }

private:
    FilmFrameScene& scene_;
};

const std::string kSafetyFilm = "   ▶ SAFETY FILM";

// Prints keep this far from the canvas's ends; one set smaller than kMinPrintSize is left out.
constexpr double kEdgeMargin = 10;
constexpr double kMinPrintSize = 6;

double barcodeWidth() {
    double w = 0;
    for (double bar : kBarWidths) w += bar + kBarGap;
    return w - kBarGap;
}

using Print = std::shared_ptr<const FilmFrameText>;

Print typed(const std::string& s, double size) {
    return std::make_shared<const FilmFrameText>(FilmFrameText::shape(s, FilmFrameFont::typewriterBold, size));
}

// How far a print's ink reaches to the right of its origin.
double reach(const Print& p) { return p->isEmpty() ? 0 : p->inkBounds().minX + p->inkBounds().width; }

// The first of `texts` whose ink fits `room` at `size`, else the last set smaller to fit; none
// when it would be too small to read.
Print fitted(std::initializer_list<std::string> texts, double size, double room) {
    Print p;
    for (const std::string& s : texts) {
        p = typed(s, size);
        if (reach(p) <= room) return p;
    }
    if (p->isEmpty()) return p;
    const double smaller = 0.98 * size * room / reach(p);
    if (smaller < kMinPrintSize) return nullptr;
    p = typed(texts.end()[-1], smaller);
    return reach(p) <= room ? p : nullptr;
}

// Where a mark `width` wide that prefers to start at `preferred` goes on a rebate line whose
// lead print ends at `leadEnd`: past the lead by `gap`, and ending by `right`; none when the
// line has no room left for it.
std::optional<double> trailing(double preferred, double width, double leadEnd, double gap, double right) {
    const double x = std::min(std::max(preferred, leadEnd + gap), right - width);
    if (x < leadEnd + gap) return std::nullopt;
    return x;
}

// The two lines of rebate prints: along the upper one the stock label with its safety marking
// from `left`, then the barcode; along the lower one the frame number from `left`, then the
// number with " 36". Each line keeps within the canvas and its prints never run into each
// other: where the line is short the marking goes first, then the label is set smaller, and
// the barcode or the second number is left out. The places do not depend on which prints
// are shown, so turning one off or on never moves another.
struct RebatePrints {
    double left = 0, right = 0;  // the line's room
    double size = 0;             // stock label's text size
    double upperY = 0, barX = 0, barY = 0, band = 0;
    double lowerY = 0, numberX = 0;
};

void layOutRebatePrints(const FilmFrameParameters& p, const RebatePrints& r, const FilmFrameColor& ink,
                        SceneBuilder& add) {
    const double room = r.right - r.left, gap = 0.5 * r.size;
    const Print label = fitted({p.filmStockLabel + kSafetyFilm, p.filmStockLabel}, r.size, room);
    const double labelEnd = r.left + (label ? reach(label) : 0);
    if (p.showStockLabel && label) add.text(label, r.left, r.upperY, ink);
    if (const auto x = trailing(r.barX, barcodeWidth(), labelEnd, gap, r.right); p.showBarcode && x)
        add.barcode(*x, r.barY, r.band, ink);

    const Print number = fitted({p.frameNumber}, 1.1 * r.size, room);
    const Print counted = typed(p.frameNumber + " 36", 0.95 * r.size);
    const double numberEnd = r.left + (number ? reach(number) : 0);
    if (!p.showFrameNumber) return;
    if (number) add.text(number, r.left, r.lowerY, ink);
    if (const auto x = trailing(r.numberX, reach(counted), numberEnd, gap, r.right))
        add.text(counted, *x, r.lowerY, ink);
}

void layOutSprocketOverlay(const FilmFrameParameters& p, const Borders& bd, FilmFrameScene& s, SceneBuilder& add) {
    const double w = s.width, h = s.height, b = bd.band;
    const FilmFrameColor shade = grey(0, 0.35), clear = grey(0, 0);
    add.gradient(h, -1.2 * b, shade, clear);
    add.gradient(0, 1.2 * b, shade, clear);

    const double hw = 0.42 * b, pitch = 1.75 * hw, holeH = 0.6 * b, radius = 0.28 * hw;
    const int n = int(w / pitch);
    const double first = (w - pitch * n) / 2 - hw / 2;
    const FilmFrameColor rebate = rebateColor(p.colorMode);
    for (int i = 0; i <= n; ++i) {
        const double x = first + pitch * i;
        for (double y : {h - 0.85 * b, 0.25 * b}) add.box(Kind::stroke, x, y, hw, holeH, radius, grey(0, 0.45), 2.5);
        for (double y : {h - 0.85 * b, 0.25 * b}) add.box(Kind::fill, x, y, hw, holeH, radius, rebate);
        for (double y : {h - 0.85 * b, 0.25 * b}) add.box(Kind::stroke, x, y, hw, holeH, radius, grey(1, 0.12), 1);
    }

    const double barY = h - 0.98 * b;
    RebatePrints r;
    r.left = 20, r.right = w - kEdgeMargin, r.size = std::max(9.0, 0.18 * b);
    r.upperY = h - 0.96 * b, r.barX = barY > 0 ? w - 160 : 0, r.barY = barY, r.band = b;
    r.lowerY = 0.12 * b, r.numberX = w - 90;
    layOutRebatePrints(p, r, rebateTextColor(p.colorMode), add);
}

void layOutSprocket135(const FilmFrameParameters& p, const Borders& bd, FilmFrameScene& s, SceneBuilder& add) {
    const double W = s.width, H = s.height, v = bd.band, side = bd.side;
    s.background = rebateColor(p.colorMode);
    add.box(Kind::stroke, s.photoX, s.photoY, s.photoWidth, s.photoHeight, 0, grey(1, 0.12), 1);

    const double hw = 0.4 * v, pitch = 1.75 * hw, holeH = 0.52 * v, radius = 0.26 * hw;
    const int n = int(W / pitch);
    const double first = (W - pitch * n) / 2 - hw / 2;
    for (int i = 0; i <= n; ++i) {
        const double x = first + pitch * i;
        for (double y : {H - 0.78 * v, 0.26 * v}) add.box(Kind::fill, x, y, hw, holeH, radius, grey(0.03));
        for (double y : {H - 0.78 * v, 0.26 * v}) add.box(Kind::stroke, x, y, hw, holeH, radius, grey(1, 0.08), 1);
    }

    RebatePrints r;
    r.left = side + 10, r.right = W - kEdgeMargin, r.size = std::max(9.0, 0.18 * v);
    r.upperY = H - 0.96 * v, r.barX = W - side - 140, r.barY = H - 0.98 * v, r.band = v;
    r.lowerY = 0.82 * v, r.numberX = W - side - 70;
    layOutRebatePrints(p, r, rebateTextColor(p.colorMode), add);
}

void layOutMediumFormat(const FilmFrameParameters& p, const Borders& bd, FilmFrameScene& s, SceneBuilder& add) {
    const double W = s.width, H = s.height, m = bd.band;
    s.background = rebateColor(p.colorMode);
    add.box(Kind::stroke, s.photoX, s.photoY, s.photoWidth, s.photoHeight, 0, grey(1, 0.15), 1);

    // The notches touch the photo's left and right edges.
    const double q = 0.3 * m;
    add.box(Kind::fill, s.photoX - q, H / 2 - q / 2, q, q, 0, grey(0.02));
    add.box(Kind::fill, s.photoX + s.photoWidth, H / 2 - q / 2, q, q, 0, grey(0.02));

    const double t = std::max(9.0, 0.22 * m);
    const FilmFrameColor ink = rebateTextColor(p.colorMode);
    if (p.showStockLabel) add.text(p.filmStockLabel + " 120", FilmFrameFont::typewriterBold, t, m + 12, H - 0.7 * m, ink);
    if (p.showFrameNumber)
        add.text("• " + p.frameNumber + " •", FilmFrameFont::typewriterBold, t, W / 2 - 30, 0.35 * m, ink);
}

void layOutPolaroid(const FilmFrameParameters& p, const Borders& bd, FilmFrameScene& s, SceneBuilder& add) {
    const bool dark = p.colorMode == RebateColorMode::darkroomBlack;
    const double W = s.width, side = bd.side, B = bd.bottom;
    s.background = dark ? grey(0.12) : FilmFrameColor{0.96, 0.95, 0.93, 1};
    add.box(Kind::stroke, s.photoX, s.photoY, s.photoWidth, s.photoHeight, 0, grey(0, 0.18), 1.5);

    const FilmFrameColor ink = grey(dark ? 0.7 : 0.35);
    const double t = std::max(10.0, 0.35 * side), left = side + 8, right = W - kEdgeMargin;
    // The number after the label, as on the rebates; a label too long for the margin is set smaller.
    const Print label = fitted({p.filmStockLabel}, t, right - left);
    const Print number = typed(p.frameNumber, t);
    if (p.showStockLabel && label) add.text(label, left, 0.45 * B, ink);
    const double labelEnd = left + (label ? reach(label) : 0);
    if (const auto x = trailing(W - side - 60, reach(number), labelEnd, 0.5 * t, right); p.showFrameNumber && x)
        add.text(number, *x, 0.45 * B, ink);
}

void layOutGallery(const FilmFrameParameters& p, FilmFrameScene& s, SceneBuilder& add) {
    const bool dark = p.colorMode == RebateColorMode::darkroomBlack;
    s.background = dark ? grey(0.08) : FilmFrameColor{0.97, 0.97, 0.96, 1};
    add.box(Kind::stroke, s.photoX, s.photoY, s.photoWidth, s.photoHeight, 0, dark ? grey(1, 0.15) : grey(0, 0.15), 1);
}

void layOutWatermark(const FilmFrameParameters& p, const ImageMetadataInfo* metadata, FilmFrameScene& s,
                     SceneBuilder& add) {
    if (!p.showExifWatermark) return;
    // The line the film frame panel previews: the record's texts, and the photo's capture data
    // where they are empty.
    const std::string line = p.watermarkText(metadata);
    const double W = s.width, H = s.height;
    const BadgeLook look = badgeLook(p.watermarkStyle);
    const double f = std::max(11.0, 0.016 * std::min(W, H));
    auto text = std::make_shared<const FilmFrameText>(FilmFrameText::shape(line, look.font, f));
    if (text->isEmpty()) return;

    const auto& ink = text->inkBounds();
    const double px = 0.9 * f, py = 0.55 * f;
    const double bw = ink.width + 2 * px, bh = ink.height + 2 * py;
    const double mx = std::max(16.0, 0.02 * W), my = std::max(16.0, 0.02 * H);
    const double photoBottom = s.photoY;
    double x = (W - bw) / 2, y = my;
    switch (p.watermarkPosition) {
        case FilmWatermarkPosition::bottomRebate:
            if (p.style == Style::polaroid) y = std::max(my, (photoBottom - bh) / 2);
            else if (p.style == Style::none || !(photoBottom > bh)) y = my;
            else y = (photoBottom - bh) / 2;
            break;
        case FilmWatermarkPosition::bottomRight: x = W - bw - mx; break;
        case FilmWatermarkPosition::bottomLeft: x = mx; break;
        case FilmWatermarkPosition::topRebate: y = H - bh - my; break;
    }
    add.box(Kind::fill, x, y, bw, bh, look.radius, look.fill);
    add.box(Kind::stroke, x, y, bw, bh, look.radius, look.outline, look.outlineWidth);
    const double d = ink.minY < 0 ? -ink.minY : 0;
    add.text(std::move(text), x + px, y + py + d, look.text);
}

}  // namespace

FilmFrameCanvasSize filmFrameCanvasSize(const FilmFrameParameters& params, int photoWidth, int photoHeight) {
    const Borders b = bordersOf(params, photoWidth, photoHeight);
    return {b.width, b.height};
}

FilmFrameScene buildFilmFrameScene(const FilmFrameParameters& params, int photoWidth, int photoHeight,
                                   const ImageMetadataInfo* metadata) {
    const Borders b = bordersOf(params, photoWidth, photoHeight);
    FilmFrameScene s;
    s.width = int(b.width);
    s.height = int(b.height);
    // The photo sits on whole pixels so that its own pixels are copied, never resampled.
    s.photoX = int(std::lround(b.side));
    s.photoY = int(std::lround(b.bottom));
    s.photoWidth = photoWidth;
    s.photoHeight = photoHeight;

    SceneBuilder add(s);
    switch (params.style) {
        case Style::none: break;
        case Style::sprocketOverlay: layOutSprocketOverlay(params, b, s, add); break;
        case Style::sprocket135: layOutSprocket135(params, b, s, add); break;
        case Style::mediumFormat120: layOutMediumFormat(params, b, s, add); break;
        case Style::polaroid: layOutPolaroid(params, b, s, add); break;
        case Style::galleryBorder: layOutGallery(params, s, add); break;
    }
    layOutWatermark(params, metadata, s, add);
    return s;
}

}  // namespace vantrel
