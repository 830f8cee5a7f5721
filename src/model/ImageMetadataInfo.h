#pragma once
// Display-ready capture and file facts of a scan. Texts are empty when the
// scan does not carry them.
#include <algorithm>
#include <cctype>
#include <string>

namespace vantrel {

struct ImageMetadataInfo {
    std::string cameraMake;
    std::string cameraModel;
    std::string lensModel;
    std::string focalLength;   // "35mm"
    std::string aperture;      // "ƒ/1.4"
    std::string shutterSpeed;  // "1/500s"
    std::string iso;           // "ISO 400"
    std::string exposureBias;  // "+0.3 EV"
    int pixelWidth = 0;
    int pixelHeight = 0;
    int bitDepth = 8;
    std::string colorProfile = "Display P3";
    std::string fileSizeFormatted;  // "23.4 MB"
    std::string captureDate;
    std::string fileType;

    // Make and model, or the model alone when it already names the make;
    // "Digital Negative" without a model.
    std::string cameraDisplayName() const {
        if (cameraModel.empty()) return "Digital Negative";
        auto lower = [](std::string s) {
            std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
            return s;
        };
        if (!cameraMake.empty() && lower(cameraModel).find(lower(cameraMake)) == std::string::npos)
            return cameraMake + " " + cameraModel;
        return cameraModel;
    }

    // The lens model, else focal length and aperture, else "Prime Lens".
    std::string lensDisplayName() const {
        if (!lensModel.empty()) return lensModel;
        if (!focalLength.empty() && !aperture.empty()) return focalLength + " " + aperture;
        return "Prime Lens";
    }

    bool operator==(const ImageMetadataInfo&) const = default;
};

}  // namespace vantrel
