#pragma once
// Building LoadedPhoto values from scan files, making proxies and filmstrip thumbnails, and
// the calibration target of the sample roll. Failures are LoadError values (domain
// "VantrelEditor", code -1 when no image can be read from the file, -2 when its pixels cannot
// be decoded).
#include <filesystem>
#include <optional>
#include <string>

#include "engine/core/Context.h"
#include "engine/core/Image.h"
#include "engine/io/ImageCache.h"
#include "engine/io/LoadedPhoto.h"

namespace vantrel::ImageLoader {

inline constexpr int kProxyLongEdge = 2560;
inline constexpr int kThumbnailSize = 320;
inline constexpr int kCalibrationWidth = 2400;
inline constexpr int kCalibrationHeight = 1600;

// The two process-wide caches, keyed by `cacheKey`: full images (2) and proxies (8).
ImageCache& fullImageCache();
ImageCache& proxyImageCache();
// The absolute, normalised path of the file.
std::string cacheKey(const std::filesystem::path& url);

// Reads the header only (size, depth, profile name, metadata); no pixels are decoded.
// Throws LoadError(-1) when the file is no readable JPEG, TIFF or PNG.
LoadedPhoto loadPhoto(const std::filesystem::path& url);

// The whole scan decoded, upright, as a source image (native pixels, converted per tile).
// Throws LoadError. Not cached here; LoadedPhoto::fullImage caches it.
Image decodeFullImage(const std::filesystem::path& url);

// The cached proxy for the file, else one at most `maxDimension` on its long edge (never
// enlarged), stored in the proxy cache. Throws LoadError(-1) or (-2).
Image makeProxy(const std::filesystem::path& url, double maxDimension);

// The scan decoded at most `maxDimension` on its long edge (never enlarged), upright, as a
// source image. Not cached. Throws LoadError(-1) or (-2).
Image decodeReducedImage(const std::filesystem::path& url, double maxDimension);

// An upright 8-bit Display P3 bitmap at most `maxPixelSize` on its long edge, or nothing when
// the file cannot be read. Not cached.
std::optional<Bitmap> thumbnail(const std::filesystem::path& url, double maxPixelSize);

// The synthetic 16-bit test chart of the sample roll (working-space colours), with a proxy
// 1600 pixels on its long edge.
LoadedPhoto makeCalibrationTarget(const std::string& id, int width, int height);

}  // namespace vantrel::ImageLoader
