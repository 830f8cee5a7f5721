#pragma once
// One measurement of a developed frame for the histogram panel: 256 display values (0…1) per
// colour channel and for Rec. 709 luminance, the two clipping warnings and, when the recipe's
// highlight boost is on, the extended-range band with its headroom. An immutable value.
#include <vector>

namespace vantrel {

struct HistogramData {
    static constexpr int kBinCount = 256;

    std::vector<float> redBins;
    std::vector<float> greenBins;
    std::vector<float> blueBins;
    std::vector<float> lumaBins;
    bool shadowClipping = false;
    bool highlightClipping = false;
    bool isUltraHDREnabled = false;
    double edrHeadroom = 1.0;    // 2^highlightBoost; 1.0 when the band is off
    std::vector<float> edrBins;  // 64 values when the band is on, else empty

    // Four arrays of 256 zeros, no warnings, no band: the initial value and the result of any
    // measurement that cannot be made.
    static const HistogramData& empty() {
        static const HistogramData value{std::vector<float>(kBinCount, 0.0f), std::vector<float>(kBinCount, 0.0f),
                                         std::vector<float>(kBinCount, 0.0f), std::vector<float>(kBinCount, 0.0f),
                                         false, false, false, 1.0, {}};
        return value;
    }

    friend bool operator==(const HistogramData&, const HistogramData&) = default;
};

}  // namespace vantrel
