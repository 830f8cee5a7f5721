#include "model/CropAspectRatio.h"

namespace vantrel {

std::optional<double> ratio(CropAspectRatio aspect, double imageWidth, double imageHeight) {
    switch (aspect) {
        case CropAspectRatio::free: return std::nullopt;
        case CropAspectRatio::original: return imageHeight > 0 ? imageWidth / imageHeight : 1.5;
        case CropAspectRatio::square: return 1.0;
        case CropAspectRatio::fourByFive: return 0.8;
        case CropAspectRatio::sixBySeven: return 6.0 / 7.0;
        case CropAspectRatio::threeByTwo: return 1.5;
        case CropAspectRatio::xpan: return 65.0 / 24.0;
        case CropAspectRatio::sixteenByNine: return 16.0 / 9.0;
    }
    return std::nullopt;
}

std::string shortLabel(CropAspectRatio aspect) {
    switch (aspect) {
        case CropAspectRatio::free: return translate("crop.freeShort");
        case CropAspectRatio::original: return translate("crop.originalShort");
        case CropAspectRatio::square: return "1:1";
        case CropAspectRatio::fourByFive: return "4:5";
        case CropAspectRatio::sixBySeven: return "6:7";
        case CropAspectRatio::threeByTwo: return "3:2";
        case CropAspectRatio::xpan: return "65:24";
        case CropAspectRatio::sixteenByNine: return "16:9";
    }
    return {};
}

bool isHeldTurned(CropAspectRatio aspect, double width, double height) {
    if (aspect == CropAspectRatio::free || aspect == CropAspectRatio::original) return false;
    const double r = *ratio(aspect, 1, 1);
    return (r > 1 && height > width) || (r < 1 && width > height);
}

std::optional<double> heldRatio(CropAspectRatio aspect, double frameWidth, double frameHeight, double cropWidth,
                                double cropHeight) {
    const std::optional<double> r = ratio(aspect, frameWidth, frameHeight);
    if (r && isHeldTurned(aspect, cropWidth, cropHeight)) return 1 / *r;
    return r;
}

std::string shortLabel(CropAspectRatio aspect, bool turned) {
    std::string label = shortLabel(aspect);
    const std::size_t colon = label.find(':');
    if (!turned || colon == std::string::npos) return label;
    return label.substr(colon + 1) + ':' + label.substr(0, colon);
}

}  // namespace vantrel
