#pragma once
// 8-bit RGB PNG through libpng, with the default zlib compression.
#include <memory>

#include "services/ImageEncoder.h"

namespace vantrel {

class PngEncoder final : public ImageEncoder {
public:
    PngEncoder();
    ~PngEncoder() override;

    PixelFormat inputFormat() const override { return PixelFormat::rgba8; }
    void start(ExportFile& file, const EncodeTarget& target) override;
    void writeRows(const void* data, std::size_t rowBytes, int rows) override;
    void finish() override;

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace vantrel
