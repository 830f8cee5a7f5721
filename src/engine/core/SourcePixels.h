#pragma once
// Decoded pixels in their native precision (8-bit, 16-bit or float; 1 to 4 channels), rows top
// first. An image made from them keeps them as they are and converts per tile while rendering.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace vantrel {

enum class SampleType { uint8, uint16, float32 };

struct SourcePixels {
    int width = 0;
    int height = 0;
    int channels = 0;  // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
    SampleType type = SampleType::uint8;
    bool alphaPremultiplied = false;
    std::size_t rowBytes = 0;  // bytes from one row to the next (at least width × pixel size)
    // Owner of the pixel memory (any shared object) and the first byte of the top row.
    std::shared_ptr<const void> owner;
    const std::uint8_t* pixels = nullptr;

    static std::size_t sampleBytes(SampleType t) { return t == SampleType::uint8 ? 1 : t == SampleType::uint16 ? 2 : 4; }
    std::size_t pixelBytes() const { return sampleBytes(type) * std::size_t(channels); }
    bool isEmpty() const { return width <= 0 || height <= 0 || pixels == nullptr || channels < 1 || channels > 4; }
    bool hasAlpha() const { return channels == 2 || channels == 4; }
    const std::uint8_t* row(int r) const { return pixels + rowBytes * std::size_t(r); }

    // Fresh, tightly packed, uninitialised storage; `mutableRow` fills it before the pixels
    // are handed to an image.
    static SourcePixels allocate(int width, int height, int channels, SampleType type);
    std::uint8_t* mutableRow(int r) const { return const_cast<std::uint8_t*>(row(r)); }
};

}  // namespace vantrel
