#pragma once
// Driver for a scan file, in the order the program meets it: the loader reads the header and
// capture metadata when a roll opens, the filmstrip asks for a thumbnail, the darkroom for the
// proxy and then the full image. A file the loader refuses ends in LoadError (or no thumbnail),
// which is the expected outcome; what it accepts must agree with its own header.
// True when the whole scan decoded.
#include <algorithm>
#include <filesystem>
#include <optional>

#include "engine/io/ImageLoader.h"
#include "engine/io/LoadError.h"
#include "fuzz/FuzzCheck.h"

namespace vantrel::fuzz {

inline bool readScanFile(const std::filesystem::path& file) {
    std::optional<LoadedPhoto> photo;
    try {
        photo.emplace(ImageLoader::loadPhoto(file));
    } catch (const LoadError&) {
        return false;
    }
    const PhotoSize size = photo->dimensions();
    require(size.width >= 1 && size.height >= 1, "a loaded scan has no size");

    if (const auto thumbnail = ImageLoader::thumbnail(file, ImageLoader::kThumbnailSize)) {
        require(thumbnail->width >= 1 && thumbnail->height >= 1 &&
                    std::max(thumbnail->width, thumbnail->height) <= ImageLoader::kThumbnailSize,
                "a thumbnail is empty or larger than asked for");
    }

    try {
        const Image proxy = ImageLoader::makeProxy(file, ImageLoader::kProxyLongEdge);
        const Rect& e = proxy.extent();
        require(e.width >= 1 && e.height >= 1 && std::max(e.width, e.height) <= ImageLoader::kProxyLongEdge &&
                    e.width <= size.width && e.height <= size.height,
                "a proxy is empty or larger than the scan or the proxy size");
    } catch (const LoadError&) {
    }
    // The cache is keyed by path; the next input may come under the same one.
    ImageLoader::proxyImageCache().remove(ImageLoader::cacheKey(file));

    bool decoded = false;
    try {
        const Image full = ImageLoader::decodeFullImage(file);
        decoded = true;
        const Rect& e = full.extent();
        require(e.x == 0 && e.y == 0 && e.width == static_cast<std::int64_t>(size.width) &&
                    e.height == static_cast<std::int64_t>(size.height),
                "the decoded scan's size differs from its header's");
    } catch (const LoadError&) {
    }
    return decoded;
}

}  // namespace vantrel::fuzz
