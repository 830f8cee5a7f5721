#pragma once
// The histogram published with each preview: red, green, blue and luma bins of
// the displayed picture, each normalised to its fullest bin, and whether the
// darkest or brightest bin holds a noticeable share of the pixels.
#include <vector>

namespace vantrel {

struct HistogramData {
    static constexpr int kBins = 256;

    std::vector<float> red{};
    std::vector<float> green{};
    std::vector<float> blue{};
    std::vector<float> luma{};
    bool isShadowClipping = false;
    bool isHighlightClipping = false;

    static HistogramData empty() { return {}; }
    bool isEmpty() const { return luma.empty(); }

    // Counts the pixels of 8-bit RGBA rows (alpha ignored; premultiplied
    // values of opaque pictures are their colours).
    static HistogramData fromRgba8(const unsigned char* pixels, int width, int height, long bytesPerLine);

    bool operator==(const HistogramData&) const = default;
};

}  // namespace vantrel
