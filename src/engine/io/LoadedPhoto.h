#pragma once
// One scan of the roll: its identity, header facts and capture metadata, but no pixels. The
// full and proxy images are looked up in the loader's caches (and decoded on a miss) on every
// access, so an evicted image is decoded again when next needed.
#include <filesystem>
#include <optional>
#include <string>

#include "engine/core/Image.h"
#include "model/ImageMetadataInfo.h"

namespace vantrel {

// Pixel width and height, as doubles.
struct PhotoSize {
    double width = 0;
    double height = 0;
    friend bool operator==(const PhotoSize&, const PhotoSize&) = default;
};

class LoadedPhoto {
public:
    // Every field given; an empty `id` gets a new random identifier. Used for synthetic photos.
    LoadedPhoto(std::string id, std::string title, std::optional<std::filesystem::path> fileURL,
                std::optional<Image> explicitFullImage, std::optional<Image> explicitProxyImage,
                PhotoSize dimensions, bool is16Bit, std::string colorSpaceName,
                ImageMetadataInfo metadata = ImageMetadataInfo::sample());
    // A scan file without explicit images; an empty `id` gets a new random identifier.
    LoadedPhoto(std::string id, std::string title, std::filesystem::path fileURL, PhotoSize dimensions,
                bool is16Bit, std::string colorSpaceName, ImageMetadataInfo metadata = ImageMetadataInfo::sample());

    const std::string& id() const { return id_; }
    const std::string& title() const { return title_; }
    const std::optional<std::filesystem::path>& fileURL() const { return fileURL_; }
    const PhotoSize& dimensions() const { return dimensions_; }
    bool is16Bit() const { return is16Bit_; }
    const std::string& colorSpaceName() const { return colorSpaceName_; }
    const ImageMetadataInfo& metadata() const { return metadata_; }
    bool hasExplicitFullImage() const { return explicitFullImage_.has_value(); }

    // The whole scan, upright, in native precision converted to the working space per tile;
    // never absent: the empty image when the file cannot be decoded.
    Image fullImage() const;
    // At most 2560 pixels on the long edge; falls back to the full image.
    Image proxyImage() const;
    // The same two, but a scan file that cannot be decoded throws its LoadError, so a
    // caller can say why nothing is shown.
    Image loadFullImage() const;
    Image loadProxyImage() const;

    // A new random identifier in the usual 8-4-4-4-12 upper-case hexadecimal form.
    static std::string newIdentifier();

private:
    std::string id_;
    std::string title_;
    std::optional<std::filesystem::path> fileURL_;
    std::optional<Image> explicitFullImage_;
    std::optional<Image> explicitProxyImage_;
    PhotoSize dimensions_;
    bool is16Bit_ = false;
    std::string colorSpaceName_;
    ImageMetadataInfo metadata_;
};

}  // namespace vantrel
