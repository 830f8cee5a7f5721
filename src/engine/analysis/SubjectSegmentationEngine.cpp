#include "engine/analysis/SubjectSegmentationEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <opencv2/imgproc.hpp>

#include "engine/analysis/FaceFinder.h"
#include "engine/analysis/GrabCutRefinement.h"
#include "engine/analysis/ObjectSubject.h"
#include "engine/analysis/PersonPrior.h"
#include "engine/core/Context.h"
#include "engine/filters/Downscale.h"

namespace vantrel {
namespace {

constexpr int kMinFrameSide = 10;
// A cut-out person or animal covers at least this much of the frame, and not all of it.
constexpr double kMinPersonArea = 0.003;
constexpr double kMaxPersonArea = 0.97;

SubjectSegmentationEngine::Mask maskOf(const cv::Mat& values, SubjectSegmentationEngine::Found found) {
    SubjectSegmentationEngine::Mask mask{values.cols, values.rows, std::vector<float>(values.total()), found};
    for (int y = 0; y < values.rows; ++y)
        std::copy_n(values.ptr<float>(y), values.cols, mask.values.begin() + std::ptrdiff_t(y) * values.cols);
    return mask;
}

SubjectSegmentationEngine::Mask softMask(const cv::Mat& rgb, const cv::Mat& foreground, SubjectSegmentationEngine::Found found) {
    return {foreground.cols, foreground.rows, subject::feathered(foreground, rgb), found};
}

}  // namespace

SubjectSegmentationEngine::SubjectSegmentationEngine() : faces_(&CascadeFaceFinder::shared()) {}

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

    // People first, then animals by their faces: faces are looked for on the
    // working copy, where small ones still show.
    const auto figures = [&](const std::vector<cv::Rect>& faces, subject::Figure kind) {
        const double sx = double(maskSize.width) / rgb.cols, sy = double(maskSize.height) / rgb.rows;
        std::vector<cv::Rect2d> scaled;
        for (const cv::Rect& f : faces) scaled.emplace_back(f.x * sx, f.y * sy, f.width * sx, f.height * sy);
        const cv::Mat cut = subject::refinePeople(small, subject::personPrior(maskSize, scaled, kind));
        const double area = subject::coverage(cut);
        return area >= kMinPersonArea && area <= kMaxPersonArea ? cut : cv::Mat();
    };
    if (const std::vector<cv::Rect> faces = faces_->find(rgb); !faces.empty())
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
    if (!object.empty() && !subject::runsAcrossTheFrame(object)) return softMask(small, object, Found::object);
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
