#include "engine/analysis/subject/SubjectSegmentationEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include <opencv2/imgproc.hpp>

#include "engine/analysis/subject/FaceFinder.h"
#include "engine/analysis/subject/GrabCutRefinement.h"
#include "engine/analysis/subject/ObjectSubject.h"
#include "engine/analysis/subject/PersonPrior.h"
#include "engine/analysis/subject/SubjectChoice.h"
#include "engine/analysis/subject/SubjectModels.h"
#include "engine/core/Context.h"
#include "engine/filters/Downscale.h"

namespace vantrel {
namespace {

constexpr int kMinFrameSide = 10;
// A cut-out person or animal covers at least this much of the frame, and not all of it.
constexpr double kMinPersonArea = 0.003;
constexpr double kMaxPersonArea = 0.97;
// A detected person's crop reaches this share of the box beyond it on each side.
constexpr float kPersonMargin = 0.12f;
// Around a detected animal or vehicle GrabCut may take this share of its box more.
constexpr float kBoxMargin = 0.08f;
// GrabCut learns the ground from at least this share of the frame outside the boxes.
constexpr double kMinGroundOutside = 0.1;
// The segmentation has found a detected person when it covers this share of the box.
constexpr double kMinPersonShare = 0.15;

SubjectSegmentationEngine::Mask maskOf(const cv::Mat& values, SubjectSegmentationEngine::Found found) {
    SubjectSegmentationEngine::Mask mask{values.cols, values.rows, std::vector<float>(values.total()), found};
    for (int y = 0; y < values.rows; ++y)
        std::copy_n(values.ptr<float>(y), values.cols, mask.values.begin() + std::ptrdiff_t(y) * values.cols);
    return mask;
}

// Skin's chroma (8-bit YCrCb, light to dark skin under warm or cool light),
// the share of a face's middle that must have it, and the chroma spread below
// which a picture is grey or toned and skin's colour says nothing.
constexpr int kSkinCrLow = 135, kSkinCrHigh = 180, kSkinCbLow = 80, kSkinCbHigh = 127;
constexpr double kMinSkinShare = 0.5, kMinChromaSpread = 4.0;
// Colours this far apart (CIE Lab) are told apart at a glance.
constexpr double kApart = 10.0;

// The mean Lab colour over `r` clipped to the picture, or nothing when little of it is inside.
std::optional<cv::Vec3d> meanOver(const cv::Mat& lab, const cv::Rect& r) {
    const cv::Rect inside = r & cv::Rect({}, lab.size());
    if (inside.area() * 2 < r.area() || inside.empty()) return std::nullopt;
    const cv::Scalar m = cv::mean(lab(inside));
    return cv::Vec3d(m[0], m[1], m[2]);
}

// Whether `zone` differs from the ground on each side of it that lies in the
// frame (boxes `reach` widths of `zone` out, as wide as it), or nothing when
// neither side does.
std::optional<bool> apartFromBothSides(const cv::Mat& lab, const cv::Rect& zone, double reach) {
    const auto inside = meanOver(lab, zone);
    if (!inside) return std::nullopt;
    std::optional<bool> apart;
    for (int side : {-1, 1}) {
        const int shift = int(std::lround(side * reach * zone.width));
        const auto beside = meanOver(lab, zone + cv::Point(shift, 0));
        if (!beside) continue;
        const bool differs = cv::norm(*inside - *beside) >= kApart;
        apart = apart.value_or(true) && differs;
    }
    return apart;
}

// Whether a face the finder reports is a person's. The cascades also answer
// to texture: sunlit grass, a drum's lacing, an animal's muzzle. A face shows
// eyes, or else has skin's colour (in a colour picture) and stands apart from
// the ground beside it, the head itself or the body below it: a face drawn by
// grass is grass, with more grass beside it and below.
bool corroborated(const FaceFinder& finder, const cv::Mat& rgb, const cv::Mat& lab, const cv::Mat& ycrcb, bool colourful,
                  const cv::Rect& face) {
    if (finder.hasEyes(rgb, face)) return true;
    const cv::Rect middle(face.x + face.width / 4, face.y + face.height / 4, face.width / 2, face.height / 2);
    if (colourful) {
        const cv::Rect m = middle & cv::Rect({}, rgb.size());
        if (m.empty()) return false;
        cv::Mat skin;
        cv::inRange(ycrcb(m), cv::Scalar(0, kSkinCrLow, kSkinCbLow), cv::Scalar(255, kSkinCrHigh, kSkinCbHigh), skin);
        if (cv::countNonZero(skin) < kMinSkinShare * double(m.area())) return false;
    }
    // The head against what lies beside it, a face and more out; the body (below the
    // chin, as wide as the shoulders) against the ground two shoulders out.
    const std::optional<bool> head = apartFromBothSides(lab, middle, 3.0);
    const cv::Rect body(face.x - face.width / 4, face.y + face.height * 3 / 2, face.width * 3 / 2, face.height);
    const std::optional<bool> below = apartFromBothSides(lab, body, 2.0);
    if (!head && !below) return true;  // the frame holds nothing beside them to tell
    return head.value_or(false) || below.value_or(false);
}

// The faces of people among those the finder reports.
std::vector<cv::Rect> peoplesFaces(const FaceFinder& finder, const cv::Mat& rgb, std::vector<cv::Rect> faces) {
    if (faces.empty()) return faces;
    cv::Mat lab, ycrcb;
    cv::cvtColor(rgb, lab, cv::COLOR_RGB2Lab);
    cv::cvtColor(rgb, ycrcb, cv::COLOR_RGB2YCrCb);
    cv::Scalar mean, spread;
    cv::meanStdDev(ycrcb, mean, spread);
    const bool colourful = std::max(spread[1], spread[2]) >= kMinChromaSpread;
    std::erase_if(faces, [&](const cv::Rect& f) { return !corroborated(finder, rgb, lab, ycrcb, colourful, f); });
    return faces;
}

SubjectSegmentationEngine::Mask softMask(const cv::Mat& rgb, const cv::Mat& foreground, SubjectSegmentationEngine::Found found) {
    return {foreground.cols, foreground.rows, subject::feathered(foreground, rgb), found};
}

}  // namespace

SubjectSegmentationEngine::SubjectSegmentationEngine()
    : faces_(&CascadeFaceFinder::shared()), models_(&subject::SubjectModels::shared()) {}

const SubjectSegmentationEngine& SubjectSegmentationEngine::shared() {
    static const SubjectSegmentationEngine instance;
    return instance;
}

cv::Size SubjectSegmentationEngine::workingSize(int width, int height) {
    const int m = std::max(width, height);
    const double s = m > kWorkingLongSide ? double(kWorkingLongSide) / double(m) : 1.0;
    if (s >= 0.999) return {width, height};
    return {std::max(1, int(std::lround(width * s))), std::max(1, int(std::lround(height * s)))};
}

std::optional<cv::Mat> SubjectSegmentationEngine::workingCopy(const Image& frame) {
    const Rect e = frame.extent();
    if (!e.isFinite() || e.width <= 0 || e.height <= 0 || e.width > INT32_MAX || e.height > INT32_MAX) return std::nullopt;
    const cv::Size size = workingSize(int(e.width), int(e.height));
    // Averaged in working values as the strips arrive (in parallel), then
    // encoded: far cheaper than encoding every pixel of a full scan.
    const Context context;
    auto reduced = renderDownscaled(context, frame, {size.width, size.height});
    if (!reduced) return std::nullopt;
    RenderOptions options;
    options.space = OutputSpace::sRGB;
    const auto bitmap = context.makeBitmap(Image::fromBuffer(std::move(*reduced)), std::nullopt, options);
    if (!bitmap || bitmap->width != size.width || bitmap->height != size.height) return std::nullopt;
    const cv::Mat rgba(size, CV_8UC4, const_cast<std::uint8_t*>(bitmap->pixels.data()));
    cv::Mat rgb;
    cv::cvtColor(rgba, rgb, cv::COLOR_RGBA2RGB);
    return rgb;
}

std::optional<SubjectSegmentationEngine::Mask> SubjectSegmentationEngine::segmentWorking(const cv::Mat& rgb) const {
    const cv::Size maskSize = analysis::sizeForLongSide(rgb.cols, rgb.rows, kMaskLongSide);
    cv::Mat small;
    cv::resize(rgb, small, maskSize, 0, 0, cv::INTER_AREA);
    // The detector first: it knows people, animals and vehicles far better than
    // faces and attention do. What it does not know, or does not see clearly, is
    // left to the method that finds subjects without it.
    const auto found = models_ ? models_->detect(rgb) : std::nullopt;
    const auto choice = found ? subject::chooseSubject(*found, rgb.size()) : std::nullopt;
    if (choice)
        if (auto mask = fromDetections(rgb, small, *choice)) return mask;
    auto mask = withoutDetector(rgb, small, found.has_value());
    // Where the detector looked and saw nothing it knows, the weakest of the
    // verdicts without it, an object whose outline fades into the scene over
    // much of its length (a patch of grass, a stretch of sea), is no subject.
    if (found && !choice && mask && mask->found == Found::object) {
        const cv::Mat soft(mask->height, mask->width, CV_32F, mask->values.data());
        if (!subject::outlineStandsApart(small, soft > 0.5f)) mask->found = Found::attention;
    }
    return mask;
}

std::optional<SubjectSegmentationEngine::Mask> SubjectSegmentationEngine::fromDetections(const cv::Mat& rgb, const cv::Mat& small,
                                                                                        const subject::Choice& choice) const {
    const double sx = double(small.cols) / rgb.cols, sy = double(small.rows) / rgb.rows;
    const cv::Rect inRgb({}, rgb.size()), inSmall({}, small.size());
    const auto enlarged = [](const cv::Rect2f& b, float by) {
        return cv::Rect(cv::Rect2f(b.x - b.width * by, b.y - b.height * by, b.width * (1 + 2 * by), b.height * (1 + 2 * by)));
    };
    const auto onSmall = [&](const cv::Rect& r) {
        return cv::Rect(cv::Point(int(std::floor(r.x * sx)), int(std::floor(r.y * sy))),
                        cv::Point(int(std::ceil(r.br().x * sx)), int(std::ceil(r.br().y * sy)))) & inSmall;
    };
    cv::Mat boxes = cv::Mat::zeros(small.size(), CV_8U), cores = boxes.clone();
    for (const subject::Detection& d : choice.boxes) {
        const cv::Rect b = onSmall(cv::Rect(d.box) & inRgb);
        if (b.empty()) continue;
        boxes(b).setTo(255);
        cv::ellipse(cores, (b.tl() + b.br()) / 2, cv::Size(std::max(1, b.width / 6), std::max(1, b.height / 6)), 0, 0, 360,
                    cv::Scalar(255), cv::FILLED);
    }
    if (choice.kind == subject::Kind::person && !choice.kindOpen) {
        // Each person segmented on a crop a little larger than the box, so
        // the whole figure is in it; the crops' maps combined.
        cv::Mat people = cv::Mat::zeros(small.size(), CV_32F);
        for (const subject::Detection& d : choice.boxes) {
            const cv::Rect crop = enlarged(d.box, kPersonMargin) & inRgb;
            const cv::Rect onMask = onSmall(crop);
            if (crop.width < 2 || crop.height < 2 || onMask.empty()) continue;
            const cv::Mat map = models_->personMap(rgb(crop));
            if (map.empty()) return std::nullopt;
            cv::Mat fitted;
            cv::resize(map, fitted, onMask.size(), 0, 0, cv::INTER_LINEAR);
            cv::Mat here = people(onMask);
            cv::max(here, fitted, here);
        }
        const cv::Mat cut = subject::fillHoles(people > 0.5f, 0.002 * double(small.total()));
        // A figure the segmentation does not take for a person (a statue, one seen from
        // behind in the dark) is cut out as the animals are.
        if (cv::countNonZero(cut & boxes) >= kMinPersonShare * cv::countNonZero(boxes))
            return softMask(small, cut, Found::person);
    }
    // Animals and vehicles (and a thing whose kind the detector leaves open): GrabCut
    // inside the boxes, the middle of each sure.
    cv::Mat labels(small.size(), CV_8U, cv::Scalar(cv::GC_BGD));
    for (const subject::Detection& d : choice.boxes) labels(onSmall(enlarged(d.box, kBoxMargin) & inRgb)).setTo(cv::GC_PR_BGD);
    // Boxes that leave next to nothing of the frame outside say nothing of where the thing ends.
    if (cv::countNonZero(labels == cv::GC_BGD) < kMinGroundOutside * double(small.total())) return std::nullopt;
    labels.setTo(cv::GC_PR_FGD, boxes);
    labels.setTo(cv::GC_FGD, cores);
    cv::Mat cut = subject::regionsTouching(subject::grabCut(small, labels), cores);
    cut = subject::fillHoles(cut, 0.005 * double(small.total()));
    if (subject::coverage(cut) < kMinPersonArea) return std::nullopt;
    const Found found = choice.kindOpen                       ? Found::object
                        : choice.kind == subject::Kind::animal ? Found::animal
                        : choice.kind == subject::Kind::person ? Found::person
                                                               : Found::object;
    return softMask(small, cut, found);
}

std::optional<SubjectSegmentationEngine::Mask> SubjectSegmentationEngine::withoutDetector(const cv::Mat& rgb, const cv::Mat& small,
                                                                                         bool detectorLooked) const {
    const cv::Size maskSize = small.size();

    // People first, then animals by their faces: faces are looked for on the
    // working copy, where small ones still show.
    const auto figures = [&](const std::vector<cv::Rect>& faces, subject::Figure kind) {
        const double sx = double(maskSize.width) / rgb.cols, sy = double(maskSize.height) / rgb.rows;
        std::vector<cv::Rect2d> scaled;
        for (const cv::Rect& f : faces) scaled.emplace_back(f.x * sx, f.y * sy, f.width * sx, f.height * sy);
        const subject::PersonSeeds seeds = subject::personPrior(maskSize, scaled, kind);
        cv::Mat cut = subject::refinePeople(small, seeds);
        // The figure drawn below each face is where a person or an animal surely reaches; what
        // runs from it to the frame's edge elsewhere, or hangs on the body by a neck, in colours
        // the body does not have, is the ground.
        const cv::Mat figure = (seeds.labels == cv::GC_FGD) | (seeds.labels == cv::GC_PR_FGD);
        cut = subject::regionsTouching(subject::withoutGround(small, cut, figure, seeds.labels == cv::GC_FGD), seeds.faceCores);
        const double area = subject::coverage(cut);
        return area >= kMinPersonArea && area <= kMaxPersonArea ? cut : cv::Mat();
    };
    // A face not borne out by the picture does not make a person, nor overrule
    // the animal or object found without it; nor does one where the detector
    // looked and saw no person.
    if (!detectorLooked)
        if (const std::vector<cv::Rect> faces = peoplesFaces(*faces_, rgb, faces_->find(rgb)); !faces.empty())
            if (const cv::Mat people = figures(faces, subject::Figure::person); !people.empty())
                return softMask(small, people, Found::person);
    if (const std::vector<cv::Rect> faces = faces_->findAnimals(rgb); !faces.empty())
        if (const cv::Mat animals = figures(faces, subject::Figure::animal); !animals.empty())
            return softMask(small, animals, Found::animal);

    const subject::Attention attention = subject::attentionMap(small);
    if (!subject::standsOut(attention.map)) return std::nullopt;
    // A band of the scene that differs from the rest (a hill and its
    // reflection, a dune, a glacier's front) is no subject: the frame has none.
    const cv::Mat object = subject::mainObject(small, attention);
    if (!object.empty() && !subject::runsAcrossTheFrame(object) && subject::standsApart(small, object))
        return softMask(small, object, Found::object);
    return maskOf(subject::standingOut(attention.map), Found::attention);
}

std::optional<SubjectSegmentationEngine::Mask> SubjectSegmentationEngine::segment(const RgbaView& frame) const {
    if (frame.empty() || frame.width <= kMinFrameSide || frame.height <= kMinFrameSide) return std::nullopt;
    const cv::Mat source = analysis::wrap(frame);
    return segmentWorking(analysis::rgbAtSize(source, workingSize(frame.width, frame.height)));
}

std::future<std::optional<Image>> SubjectSegmentationEngine::generateMask(Image frame) const {
    auto subject = generateSubject(std::move(frame));
    return std::async(std::launch::deferred, [subject = std::move(subject)]() mutable noexcept -> std::optional<Image> {
        auto found = subject.get();
        if (!found) return std::nullopt;
        return std::move(found->mask);
    });
}

std::future<std::optional<SubjectSegmentationEngine::Subject>> SubjectSegmentationEngine::generateSubject(Image frame) const {
    auto work = [engine = this, frame = std::move(frame)]() noexcept -> std::optional<Subject> {
        try {
            const Rect e = frame.extent();
            if (!e.isFinite() || e.width <= kMinFrameSide || e.height <= kMinFrameSide) return std::nullopt;
            if (e.width > INT32_MAX || e.height > INT32_MAX) return std::nullopt;
            const auto working = workingCopy(frame);
            if (!working) return std::nullopt;
            const auto mask = engine->segmentWorking(*working);
            if (!mask) return std::nullopt;
            // Stored as a grey working image without any transfer curve.
            PixelBuffer buffer(Rect{0, 0, mask->width, mask->height});
            float* out = buffer.data();
            for (float m : mask->values) {
                out[0] = out[1] = out[2] = m;
                out[3] = 1.0f;
                out += 4;
            }
            return Subject{fitMask(Image::fromBuffer(std::move(buffer)), e), mask->found != Found::attention};
        } catch (...) {
            return std::nullopt;  // out of memory and the like: no mask, never a hang
        }
    };
    try {
        return std::async(std::launch::async, std::move(work));
    } catch (...) {
        std::promise<std::optional<Subject>> none;
        none.set_value(std::nullopt);
        return none.get_future();
    }
}

Image SubjectSegmentationEngine::fitMask(const Image& mask, const Rect& target) {
    const Rect m = mask.extent();
    if (m.isEmpty() || !m.isFinite()) return mask;
    const double sx = double(target.width) / double(m.width), sy = double(target.height) / double(m.height);
    const AffineTransform fit{sx, 0, 0, sy, double(target.x) - sx * double(m.x), double(target.y) - sy * double(m.y)};
    return mask.clampedToExtent().transformed(fit).cropped(target);
}

}  // namespace vantrel
