#pragma once
// JPEG through libjpeg-turbo: baseline, accurate DCT, no chroma subsampling at quality 0.9 and
// above (where it would show on fine colour detail), 4:2:0 below.
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
    void finish() override;

    struct State;

private:
    int quality_;
    std::unique_ptr<State> state_;
};

}  // namespace vantrel
