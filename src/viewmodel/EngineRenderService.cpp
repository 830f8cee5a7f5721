#include "viewmodel/EngineRenderService.h"

#include "services/L10n.h"

#include <algorithm>
#include <cstddef>
#include <cmath>
#include <cstdint>
#include <exception>
#include <utility>

#include <QColorSpace>
#include <QCoreApplication>
#include <QThreadPool>

#include "engine/io/ImageLoader.h"
#include "engine/io/LoadError.h"
#include "engine/io/ScanCompleteness.h"
#include "engine/stages/GeometryStage.h"
#include "viewmodel/HistogramTap.h"

namespace vantrel {

namespace {

constexpr double kSampleRotation = 0.07853981633974483;  // π/40
constexpr double kSampleScale = 0.9;
constexpr const char* kSampleColorSpace = "Extended Linear Display P3 (16-bit)";

// Giving tens of megabytes back to the system takes milliseconds, and a preview is most often
// dropped on the GUI thread (when the next one replaces it): large pixel buffers are freed on a
// worker instead.
constexpr std::size_t kLargePixelBuffer = std::size_t(4) << 20;

void releasePixels(void* owned) {
    auto* pixels = static_cast<OutputPixels<std::uint8_t>*>(owned);
    if (pixels->size() >= kLargePixelBuffer && QCoreApplication::instance()) {
        if (QThreadPool* pool = QThreadPool::globalInstance()) {
            pool->start([pixels] { delete pixels; });
            return;
        }
    }
    delete pixels;
}

// Hands the bitmap's pixels to a QImage without copying them.
QImage toQImage(Bitmap bitmap, QColorSpace::NamedColorSpace space = QColorSpace::SRgb) {
    auto* pixels = new OutputPixels<std::uint8_t>(std::move(bitmap.pixels));
    QImage image(pixels->data(), bitmap.width, bitmap.height, qsizetype(bitmap.width) * 4,
                 QImage::Format_RGBA8888_Premultiplied, releasePixels, pixels);
    image.setColorSpace(QColorSpace(space));
    return image;
}

// Scaled to at most `maxPixelSize` on the long edge, never enlarged.
QImage fitted(const QImage& image, int maxPixelSize) {
    if (image.isNull() || std::max(image.width(), image.height()) <= maxPixelSize) return image;
    return image.scaled(maxPixelSize, maxPixelSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// The scale that brings `image`'s long edge to at most `maxPixelSize` (0: as it is).
double shrinkScale(const Image& image, int maxPixelSize) {
    const Rect& extent = image.extent();
    const std::int64_t longEdge = std::max(extent.width, extent.height);
    if (maxPixelSize <= 0 || !extent.isFinite() || longEdge <= maxPixelSize) return 1;
    return double(maxPixelSize) / double(longEdge);
}


// `rendered` (the extent of an image developed from `source`) in the pixels of
// the frame's whole scan: a proxy is a uniformly scaled-down copy of it.
QSize fullResolutionSize(const Rect& rendered, const Rect& source, const LoadedPhoto& photo) {
    if (rendered.isEmpty() || !rendered.isFinite() || source.isEmpty() || !source.isFinite()) return {};
    // A scan file's whole image is as large as its header says; a synthetic
    // frame's is at hand without decoding anything.
    const double fullWidth =
        photo.hasExplicitFullImage() ? double(photo.fullImage().extent().width) : photo.dimensions().width;
    const double scale = fullWidth > 0 ? fullWidth / double(source.width) : 1.0;
    return {std::max(1, int(std::lround(double(rendered.width) * scale))),
            std::max(1, int(std::lround(double(rendered.height) * scale)))};
}

// Where `photo` (the extent of the frame before its film border) lies within
// `framed` (the developed extent), in fractions of it from the top left: the
// border grows the canvas around the photo where it stands in the plane.
QRectF photoArea(const Rect& photo, const Rect& framed) {
    if (photo.isEmpty() || !photo.isFinite() || framed.isEmpty() || !framed.isFinite()) return {0, 0, 1, 1};
    const double w = double(framed.width), h = double(framed.height);
    // The plane is y-up: the frame's top is its highest row.
    const double top = double(framed.y + framed.height) - double(photo.y + photo.height);
    return QRectF(double(photo.x - framed.x) / w, top / h, double(photo.width) / w, double(photo.height) / h) &
           QRectF(0, 0, 1, 1);
}

// What a passing picture starts from: the proxy when it is cached (or the frame has one of
// its own), else a copy of the scan decoded small, kept in no cache.
Image passingSource(const LoadedPhoto& photo, int maxPixelSize) {
    if (!photo.fileURL()) return photo.loadProxyImage();
    if (std::optional<Image> proxy = ImageLoader::proxyImageCache().find(ImageLoader::cacheKey(*photo.fileURL())))
        return *proxy;
    return ImageLoader::decodeReducedImage(*photo.fileURL(), maxPixelSize > 0 ? maxPixelSize : ImageLoader::kProxyLongEdge);
}

}  // namespace

EngineRenderService::EngineRenderService(const DarkroomPipeline& pipeline) : pipeline_(pipeline) {}

QImage EngineRenderService::preview(const Image& image, std::stop_token stop, std::optional<Rect> rect) const {
    RenderOptions options;
    options.space = OutputSpace::sRGB;
    options.stop = std::move(stop);
    std::optional<Bitmap> bitmap = pipeline_.context().makeBitmap(image, rect, options);
    return bitmap ? toQImage(std::move(*bitmap)) : QImage();
}

Image EngineRenderService::develop(const Image& source, const RenderJob& job) const {
    EditParameters recipe = job.recipe;
    if (job.omitsFilmFrame) recipe.filmFrame = FilmFrameParameters::defaultValue();
    return pipeline_.render(source, recipe, job.subjectMask, job.framing, job.dustView, BoostRange::screen, job.screen,
                            &job.photo.metadata());
}

std::optional<RenderResult> EngineRenderService::render(const RenderJob& job, std::stop_token stop) {
    // The scan is read (or taken from the loader's cache) here, on the worker.
    Image source;
    try {
        source = job.passing    ? passingSource(job.photo, job.maxPixelSize)
                 : job.useProxy ? job.photo.loadProxyImage()
                                : job.photo.loadFullImage();
    } catch (const LoadError& error) {
        if (stop.stop_requested()) return std::nullopt;
        RenderResult failed;
        failed.loadError = L10n::text(LoadError::descriptionKey(error.code()));
        return failed;
    }
    if (stop.stop_requested()) return std::nullopt;
    if (job.region) return renderRegion(source, job, stop);

    // At fit a canvas smaller than the proxy gets a render of its own size; the
    // undeveloped preview keeps the proxy's, since the comparison may be zoomed.
    // A slider's renders all start from the same scaled proxy: it is scaled once and kept.
    // A passing picture's scaled copy is not kept: it would push out the one a slider renders from.
    const double shrink = shrinkScale(source, job.maxPixelSize);
    const std::optional<Image> scanned =
        job.passing    ? (shrink < 1 ? source.transformed(AffineTransform::scale(shrink, shrink)) : source)
        : job.useProxy ? scaledProxies_.scaled(source, shrink, pipeline_.context(), stop)
                       : source;
    if (!scanned || stop.stop_requested()) return std::nullopt;
    const Image developed = develop(*scanned, job);

    // One pass makes the preview and keeps what the histogram measures.
    const std::optional<HistogramTap> tap = job.wantsHistogram ? std::optional<HistogramTap>(developed) : std::nullopt;
    RenderResult result;
    result.preview = preview(tap ? tap->image() : developed, stop);
    if (stop.stop_requested()) return std::nullopt;
    if (!result.preview.isNull()) {
        result.frameSize = fullResolutionSize(developed.extent(), scanned->extent(), job.photo);
        result.photoArea = photoArea(applyGeometry(*scanned, job.recipe.crop, job.framing).extent(), developed.extent());
    }

    if (tap) {
        result.histogram = result.preview.isNull() ? HistogramData::empty()
                                                   : tap->histogram(pipeline_.context(), job.recipe.ultraHDR);
    }
    if (job.needsOriginal) {
        result.original = preview(applyGeometry(source, job.recipe.crop, job.framing), stop);
        if (stop.stop_requested()) return std::nullopt;
        result.scanEndsEarly = job.photo.fileURL() && scanEndsEarly(*job.photo.fileURL());
    }
    // The thumbnail scales the finished preview: no second pass through the recipe.
    if (job.wantsThumbnail && !result.preview.isNull()) {
        const Rect& extent = developed.extent();
        const QSize size = developedThumbnailSize(int(extent.width), int(extent.height));
        result.thumbnail = result.preview.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return result;
}

std::optional<RenderResult> EngineRenderService::renderRegion(const Image& scan, const RenderJob& job,
                                                              std::stop_token stop) const {
    const double scale = std::clamp(job.region->scale, 1.0 / 64, 1.0);
    const Image source = scale < 1 ? scan.transformed(AffineTransform::scale(scale, scale)) : scan;
    const Image developed = develop(source, job);
    RenderResult result;
    const Rect& extent = developed.extent();
    result.frameSize = fullResolutionSize(extent, source.extent(), job.photo);
    if (result.frameSize.isEmpty()) return result;

    // The requested part of the frame in the rendered image's pixels, rounded
    // outward; at scale 1 the two coincide, so the pixels are those of the
    // same rectangle of a whole-frame render (tiles are computed alike).
    const QRect wanted = job.region->rect & QRect(QPoint(0, 0), result.frameSize);
    if (wanted.isEmpty()) return result;
    const double kx = double(extent.width) / result.frameSize.width();
    const double ky = double(extent.height) / result.frameSize.height();
    const auto lo = [](double v, std::int64_t limit) { return std::clamp<std::int64_t>(std::int64_t(std::floor(v)), 0, limit); };
    const auto hi = [](double v, std::int64_t limit) { return std::clamp<std::int64_t>(std::int64_t(std::ceil(v)), 0, limit); };
    const std::int64_t x0 = lo(wanted.left() * kx, extent.width);
    const std::int64_t x1 = hi((wanted.right() + 1) * kx, extent.width);
    const std::int64_t top = lo(wanted.top() * ky, extent.height);
    const std::int64_t bottom = hi((wanted.bottom() + 1) * ky, extent.height);
    if (x1 <= x0 || bottom <= top) return result;
    // The engine's plane is y-up: the top rows of the frame are its highest.
    const Rect rect{extent.x + x0, extent.y + extent.height - bottom, x1 - x0, bottom - top};

    result.preview = preview(developed, stop, rect);
    if (stop.stop_requested()) return std::nullopt;
    if (result.preview.isNull()) return result;
    result.region = QRectF(x0 / kx, top / ky, (x1 - x0) / kx, (bottom - top) / ky);
    return result;
}

std::optional<LoadedPhoto> EngineRenderService::loadPhoto(const std::filesystem::path& file) {
    try {
        return ImageLoader::loadPhoto(file);
    } catch (const std::exception&) {
        return std::nullopt;  // not a readable scan: left out of the roll
    }
}

std::vector<LoadedPhoto> EngineRenderService::makeSampleRoll(const std::array<Uuid, 3>& ids) {
    LoadedPhoto target = ImageLoader::makeCalibrationTarget(ids[0].toString(), ImageLoader::kCalibrationWidth,
                                                            ImageLoader::kCalibrationHeight);
    const Image full = target.fullImage();
    const Image proxy = target.proxyImage();
    const AffineTransform turn = AffineTransform::rotation(kSampleRotation);
    const AffineTransform shrink = AffineTransform::scale(kSampleScale, kSampleScale);

    std::vector<LoadedPhoto> roll;
    roll.push_back(target);
    roll.emplace_back(ids[1].toString(), "LabScan_Roll01_N02.tif", std::nullopt, full.transformed(turn),
                      proxy.transformed(turn), target.dimensions(), true, kSampleColorSpace);
    roll.emplace_back(ids[2].toString(), "LabScan_Roll01_F03.tif", std::nullopt, full.transformed(shrink),
                      proxy.transformed(shrink), target.dimensions(), true, kSampleColorSpace);
    return roll;
}

QImage EngineRenderService::thumbnail(const std::filesystem::path& file, int maxPixelSize) {
    std::optional<Bitmap> bitmap = ImageLoader::thumbnail(file, maxPixelSize);
    if (!bitmap) return QImage();
    // The loader's thumbnails are Display P3; the filmstrip shows them beside
    // developed previews, which are sRGB.
    QImage image = toQImage(std::move(*bitmap), QColorSpace::DisplayP3);
    image.convertToColorSpace(QColorSpace(QColorSpace::SRgb));
    return image;
}

QImage EngineRenderService::proxyThumbnail(const LoadedPhoto& photo, int maxPixelSize) {
    return fitted(preview(photo.proxyImage(), {}), maxPixelSize);
}

}  // namespace vantrel
