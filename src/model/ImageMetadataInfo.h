#pragma once
// The capture and file facts of a scan as display-ready text, formatted once when the scan is
// loaded. Formatting never follows the process locale (always "23.4 MB", never "23,4 MB").
#include <algorithm>
#include <charconv>
#include <optional>
#include <string>

namespace vantrel {

struct ImageMetadataInfo {
    std::optional<std::string> cameraMake;
    std::optional<std::string> cameraModel;
    std::optional<std::string> lensModel;
    std::optional<std::string> focalLength;
    std::optional<std::string> aperture;
    std::optional<std::string> shutterSpeed;
    std::optional<std::string> iso;
    std::optional<std::string> exposureBias;
    int pixelWidth = 0;
    int pixelHeight = 0;
    int bitDepth = 8;
    std::string colorProfile = "Display P3";
    std::optional<std::string> fileSizeFormatted;
    std::optional<std::string> captureDate;  // when it was taken, as stored ("2024:05:01 10:20:30")
    std::optional<std::string> fileType;

    bool operator==(const ImageMetadataInfo&) const = default;

    // The fixed metadata of the synthetic sample photos.
    static ImageMetadataInfo sample() {
        ImageMetadataInfo m;
        m.cameraMake = "LEICA CAMERA AG";
        m.cameraModel = "LEICA M11-P";
        m.lensModel = "Summilux-M 35mm f/1.4 ASPH.";
        m.focalLength = "35mm";
        m.aperture = "\u0192/1.4";
        m.shutterSpeed = "1/500s";
        m.iso = "ISO 400";
        m.exposureBias = "+0.3 EV";
        m.pixelWidth = 2400;
        m.pixelHeight = 1600;
        m.bitDepth = 16;
        m.colorProfile = "Display P3 (Wide Gamut)";
        m.fileSizeFormatted = "23.4 MB";
        m.captureDate = "2026-09-05";
        m.fileType = "16-bit Master TIFF";
        return m;
    }

    // "24.0 MP" (decimal megapixels), or "-- MP" without a size.
    std::string megapixelsText() const {
        if (pixelWidth < 1 || pixelHeight < 1) return "-- MP";
        const double mp = static_cast<double>(pixelWidth) * pixelHeight / 1000000.0;
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, mp, std::chars_format::fixed, 1).ptr;
        return std::string(text, end) + " MP";
    }

    // Make and model, or the model alone when it already names the make; empty
    // without a model (a make alone names no camera).
    std::string cameraName() const {
        if (!cameraModel || cameraModel->empty()) return {};
        if (cameraMake && !cameraMake->empty() && lower(*cameraModel).find(lower(*cameraMake)) == std::string::npos)
            return *cameraMake + " " + *cameraModel;
        return *cameraModel;
    }
    // The camera's name for the information card, a generic one without a model.
    std::string cameraDisplayName() const {
        std::string name = cameraName();
        return name.empty() ? "Digital Negative" : name;
    }

    // The lens model, else focal length and aperture; empty when neither is known.
    std::string lensName() const {
        if (lensModel && !lensModel->empty()) return *lensModel;
        if (focalLength && aperture) return *focalLength + " " + *aperture;
        return {};
    }
    // The lens's name for the information card, a generic one when unknown.
    std::string lensDisplayName() const {
        std::string name = lensName();
        return name.empty() ? "Prime Lens" : name;
    }

private:
    static std::string lower(std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
        return s;
    }
};

}  // namespace vantrel
