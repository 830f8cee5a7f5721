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

}  // namespace vantrel
