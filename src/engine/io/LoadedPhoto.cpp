#include "engine/io/LoadedPhoto.h"

#include <cstdio>
#include <random>

#include "engine/io/ImageLoader.h"
#include "engine/io/LoadError.h"

namespace vantrel {

LoadedPhoto::LoadedPhoto(std::string id, std::string title, std::optional<std::filesystem::path> fileURL,
                         std::optional<Image> explicitFullImage, std::optional<Image> explicitProxyImage,
                         PhotoSize dimensions, bool is16Bit, std::string colorSpaceName, ImageMetadataInfo metadata)
    : id_(id.empty() ? newIdentifier() : std::move(id)),
      title_(std::move(title)),
      fileURL_(std::move(fileURL)),
      explicitFullImage_(std::move(explicitFullImage)),
      explicitProxyImage_(std::move(explicitProxyImage)),
      dimensions_(dimensions),
      is16Bit_(is16Bit),
      colorSpaceName_(std::move(colorSpaceName)),
      metadata_(std::move(metadata)) {}

LoadedPhoto::LoadedPhoto(std::string id, std::string title, std::filesystem::path fileURL, PhotoSize dimensions,
                         bool is16Bit, std::string colorSpaceName, ImageMetadataInfo metadata)
    : LoadedPhoto(std::move(id), std::move(title), std::optional<std::filesystem::path>(std::move(fileURL)),
                  std::nullopt, std::nullopt, dimensions, is16Bit, std::move(colorSpaceName), std::move(metadata)) {}

Image LoadedPhoto::loadFullImage() const {
    if (explicitFullImage_) return *explicitFullImage_;
    if (!fileURL_) return Image();
    return ImageLoader::fullImageCache().findOrLoad(ImageLoader::cacheKey(*fileURL_),
                                                    [&] { return ImageLoader::decodeFullImage(*fileURL_); });
}

Image LoadedPhoto::loadProxyImage() const {
    if (explicitProxyImage_) return *explicitProxyImage_;
    if (!fileURL_) return loadFullImage();
    try {
        return ImageLoader::makeProxy(*fileURL_, ImageLoader::kProxyLongEdge);
    } catch (const LoadError&) {
        return loadFullImage();
    }
}

Image LoadedPhoto::fullImage() const {
    try {
        return loadFullImage();
    } catch (...) {
        return Image();  // a render of the empty image produces nothing
    }
}

Image LoadedPhoto::proxyImage() const {
    try {
        return loadProxyImage();
    } catch (...) {
        return Image();
    }
}

std::string LoadedPhoto::newIdentifier() {
    thread_local std::mt19937_64 random{std::random_device{}()};
    const std::uint64_t hi = random(), lo = random();
    // Version 4 (random), variant 10xx.
    const std::uint64_t h = (hi & 0xFFFFFFFFFFFF0FFFull) | 0x0000000000004000ull;
    const std::uint64_t l = (lo & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull;
    char text[37];
    std::snprintf(text, sizeof text, "%08X-%04X-%04X-%04X-%012llX", static_cast<unsigned>(h >> 32),
                  static_cast<unsigned>((h >> 16) & 0xFFFF), static_cast<unsigned>(h & 0xFFFF),
                  static_cast<unsigned>(l >> 48), static_cast<unsigned long long>(l & 0xFFFFFFFFFFFFull));
    return text;
}

}  // namespace vantrel
