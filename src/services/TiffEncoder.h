#pragma once
// 16-bit RGB TIFF through libtiff: uncompressed, contiguous samples, strips of about 1 MB;
// BigTIFF when the pixels alone would pass the classic format's 4 GB limit.
#include <memory>
#include <vector>

#include "services/ImageEncoder.h"

namespace vantrel {

class TiffEncoder final : public ImageEncoder {
public:
    TiffEncoder();
    ~TiffEncoder() override;

    PixelFormat inputFormat() const override { return PixelFormat::rgba16; }
    void start(ExportFile& file, const EncodeTarget& target) override;
    void writeRows(const void* data, std::size_t rowBytes, int rows) override;
    void finish() override;

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace vantrel
