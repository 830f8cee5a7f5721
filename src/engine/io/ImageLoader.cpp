#include "engine/io/ImageLoader.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/core/Color.h"
#include "engine/core/ColorProfile.h"
#include "engine/io/LoadError.h"
#include "engine/io/MetadataReader.h"
#include "engine/io/Orientation.h"
#include "engine/io/ScanDecoder.h"

namespace vantrel::ImageLoader {

namespace {

// Runs a decode step; anything but a LoadError (an allocation failure, say) becomes error -2.
template <typename F>
auto guarded(F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const LoadError&) {
        throw;
    } catch (const std::exception& e) {
        throw LoadError(LoadError::kUndecodable, e.what());
    }
}

// The decoded buffer as a source image; the buffer's memory is handed over, not copied.
Image toImage(ScanBuffer buffer) {
    std::optional<ColorProfile> profile;
    if (!buffer.iccProfile.empty()) profile = ColorProfile::fromIcc(buffer.iccProfile);
    SourcePixels pixels;
    pixels.width = buffer.width;
    pixels.height = buffer.height;
    pixels.channels = buffer.channels;
    pixels.type = buffer.bitDepth == 16 ? SampleType::uint16 : SampleType::uint8;
    pixels.alphaPremultiplied = buffer.alphaPremultiplied;
    pixels.rowBytes = buffer.rowBytes();
    std::shared_ptr<std::uint8_t[]> owner(std::move(buffer.pixels));
    pixels.pixels = owner.get();
    pixels.owner = std::move(owner);
    Image image = Image::fromPixels(std::move(pixels), profile ? *profile : ColorProfile());
    if (image.isEmpty()) throw LoadError(LoadError::kUndecodable, "pixels could not be converted");
    return image;
}

// Decoded at reduced size, then turned upright (cheaper on the small buffer).
ScanBuffer decodeReduced(const std::filesystem::path& url, double maxDimension) {
    DecodeOptions options;
    options.maxLongEdge = static_cast<int>(std::clamp(std::floor(maxDimension), 1.0, static_cast<double>(kMaxScanSide)));
    return decodeScan(url, options);
}

const Context& thumbnailContext() {
    static const Context context;
    return context;
}

}  // namespace

ImageCache& fullImageCache() {
    static ImageCache cache(2);
    return cache;
}

ImageCache& proxyImageCache() {
    static ImageCache cache(8);
    return cache;
}

std::string cacheKey(const std::filesystem::path& url) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(url, ec);
    return (ec ? url : absolute).lexically_normal().string();
}

LoadedPhoto loadPhoto(const std::filesystem::path& url) {
    ScanHeader header;
    try {
        header = readScanHeader(url);
    } catch (const LoadError&) {
        throw;
    } catch (const std::exception& e) {
        throw LoadError(LoadError::kUnreadable, e.what());
    }
    ImageMetadataInfo metadata = readImageMetadata(url, &header);
    // The metadata's size is that of the upright image, so it always matches the pixels.
    const PhotoSize dimensions{metadata.pixelWidth > 0 ? metadata.pixelWidth : 1920.0,
                               metadata.pixelHeight > 0 ? metadata.pixelHeight : 1080.0};
    const bool is16Bit = header.bitDepth > 15;
    std::string colorSpaceName = metadata.colorProfile;
    return LoadedPhoto({}, url.filename().string(), url, dimensions, is16Bit, std::move(colorSpaceName),
                       std::move(metadata));
}

Image decodeFullImage(const std::filesystem::path& url) {
    return guarded([&] { return toImage(decodeScan(url)); });
}

Image decodeReducedImage(const std::filesystem::path& url, double maxDimension) {
    return guarded([&] { return toImage(decodeReduced(url, maxDimension)); });
}

Image makeProxy(const std::filesystem::path& url, double maxDimension) {
    return proxyImageCache().findOrLoad(cacheKey(url), [&] { return decodeReducedImage(url, maxDimension); });
}

std::optional<Bitmap> thumbnail(const std::filesystem::path& url, double maxPixelSize) {
    try {
        return thumbnailContext().makeBitmap(toImage(decodeReduced(url, maxPixelSize)));
    } catch (...) {
        return std::nullopt;
    }
}

namespace {

struct Colour {
    float r, g, b;
};

// Fills the pixels whose centres lie in [x0, x1) × [y0, y1) (plane coordinates, y up).
void fillRect(PixelBuffer& buffer, double x0, double y0, double x1, double y1, Colour c) {
    const auto first = [](double edge) { return static_cast<std::int64_t>(std::ceil(edge - 0.5)); };
    const std::int64_t px0 = std::max<std::int64_t>(0, first(x0)), px1 = std::min(buffer.width(), first(x1));
    const std::int64_t py0 = std::max<std::int64_t>(0, first(y0)), py1 = std::min(buffer.height(), first(y1));
    for (std::int64_t y = py0; y < py1; ++y)
        for (std::int64_t x = px0; x < px1; ++x) {
            float* p = buffer.at(x, y);
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
            p[3] = 1.0f;
        }
}

LoadedPhoto calibrationFallback(const std::string& id, int width, int height) {
    const Image flat = Image::constant(color::workingFromSRGB(0.3, 0.35, 0.4))
                           .cropped(Rect{0, 0, std::max(0, width), std::max(0, height)});
    return LoadedPhoto(id, "Synthetic_Film_Sample_Fallback.tiff", std::nullopt, flat, flat,
                       PhotoSize{static_cast<double>(width), static_cast<double>(height)}, true,
                       "Extended Linear Display P3 (16-bit)", ImageMetadataInfo::sample());
}

}  // namespace

LoadedPhoto makeCalibrationTarget(const std::string& id, int width, int height) {
    if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > kMaxScanPixels)
        return calibrationFallback(id, width, height);
    PixelBuffer buffer;
    try {
        buffer = PixelBuffer(Rect{0, 0, width, height});
    } catch (const std::bad_alloc&) {
        return calibrationFallback(id, width, height);
    }
    if (buffer.isEmpty()) return calibrationFallback(id, width, height);
    const double w = width, h = height;

    // The colours are extended linear Display P3, the working space itself; the gradient
    // interpolates in it and, extended past both ends, covers the whole chart.
    const double gx0 = 0.1 * w, gy0 = 0.9 * h, gdx = 0.8 * w, gdy = 0.2 * h - gy0;
    const double length2 = gdx * gdx + gdy * gdy;
    const double stops[4] = {0.0, 0.35, 0.7, 1.0};
    const Colour colours[4] = {{0.08f, 0.1f, 0.14f}, {0.45f, 0.35f, 0.3f}, {0.75f, 0.62f, 0.52f}, {0.92f, 0.94f, 0.98f}};
    tbb::parallel_for(0, height, [&](int y) {
        for (int x = 0; x < width; ++x) {
            const double t = std::clamp(((x + 0.5 - gx0) * gdx + (y + 0.5 - gy0) * gdy) / length2, 0.0, 1.0);
            int k = 0;
            while (k < 2 && t > stops[k + 1]) ++k;
            const float f = static_cast<float>((t - stops[k]) / (stops[k + 1] - stops[k]));
            float* p = buffer.at(x, y);
            p[0] = colours[k].r + f * (colours[k + 1].r - colours[k].r);
            p[1] = colours[k].g + f * (colours[k + 1].g - colours[k].g);
            p[2] = colours[k].b + f * (colours[k + 1].b - colours[k].b);
            p[3] = 1.0f;
        }
    });
    const double wedge = 0.8 * w / 21;
    for (int i = 0; i <= 20; ++i) {
        const float grey = static_cast<float>(i * 0.05);
        fillRect(buffer, 0.1 * w + i * wedge, 0.08 * h, 0.1 * w + (i + 1) * wedge, 0.2 * h, {grey, grey, grey});
    }
    const Colour patches[6] = {{0.45f, 0.25f, 0.2f}, {0.78f, 0.58f, 0.5f}, {0.15f, 0.4f, 0.55f},
                               {0.2f, 0.45f, 0.25f}, {0.85f, 0.3f, 0.25f}, {0.9f, 0.75f, 0.2f}};
    const double patch = 0.8 * w / 6;
    for (int j = 0; j < 6; ++j)
        fillRect(buffer, 0.1 * w + j * patch, 0.22 * h, 0.1 * w + (j + 1) * patch, 0.22 * h + 0.12 * h * 0.8,
                 patches[j]);

    const Image full = Image::fromBuffer(std::move(buffer));
    const double scale = 1600.0 / std::max(w, h);
    const Image proxy = full.transformed(AffineTransform::scale(scale, scale));
    return LoadedPhoto(id, "Vantrel_16bit_Film_Calibration_Target.tiff", std::nullopt, full, proxy, PhotoSize{w, h},
                       true, "Extended Linear Display P3 (16-bit Float)", ImageMetadataInfo::sample());
}

}  // namespace vantrel::ImageLoader
