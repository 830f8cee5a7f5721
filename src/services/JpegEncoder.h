#pragma once
// JPEG through libjpeg-turbo: baseline, accurate DCT, standard Huffman tables; no chroma
// subsampling at quality 0.9 and above (where it would show on fine colour detail), 4:2:0 below.
//
// Bands of whole MCU rows are compressed in parallel, each as a small JPEG of its own, and
// joined with restart markers: a restart resets exactly what a fresh encoder starts from (the
// DC predictions and the bit buffer), so the joined stream holds the same coefficients as a
// one-piece encode, and every decoder reads it.
#include <memory>

#include "services/ImageEncoder.h"

namespace vantrel {

// The libjpeg quality (1 … 100) for an export quality of 0 … 1; out-of-range values are
// clamped and NaN takes the default 0.95.
int jpegQualityPercent(double quality);

class JpegEncoder final : public ImageEncoder {
public:
    explicit JpegEncoder(double quality);
    ~JpegEncoder() override;

    PixelFormat inputFormat() const override { return PixelFormat::rgba8; }
    void start(ExportFile& file, const EncodeTarget& target) override;
    void writeRows(const void* data, std::size_t rowBytes, int rows) override;
    int bandRows() const override;
    void writeBand(LargeArray<std::uint8_t> pixels, std::size_t rowBytes, int rows) override;
    void finish() override;

    // Rows per independently compressed band for an image width (a whole number of MCU rows,
    // with a restart interval that fits the marker's 16 bits).
    static int bandRowsFor(int width, bool fullChroma);

    struct State;

private:
    int quality_;
    std::unique_ptr<State> state_;
};

}  // namespace vantrel
