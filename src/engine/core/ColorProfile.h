#pragma once
// How the encoded values of a source (a decoded scan, a bitmap) map into the working space.
// Matrix-shaper profiles (per-channel curves and a 3×3 matrix: sRGB, Display P3, Adobe RGB,
// most scanner profiles, grey gamma profiles) are read with lcms2 once and then converted by
// our own parallel row code; any other profile goes through an lcms2 transform.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/Color.h"

namespace vantrel {

class ColorProfile {
public:
    // sRGB-encoded sRGB, the default for untagged sources.
    ColorProfile();

    static ColorProfile sRGB();
    static ColorProfile displayP3();
    // The working space itself: values are taken as they are.
    static ColorProfile linearDisplayP3();
    // Reads an ICC profile (RGB or grey). Absent when the bytes are not a usable profile.
    static std::optional<ColorProfile> fromIcc(const std::uint8_t* data, std::size_t size);
    static std::optional<ColorProfile> fromIcc(const std::vector<std::uint8_t>& bytes) {
        return fromIcc(bytes.data(), bytes.size());
    }

    // True when conversion is per-channel curves then a matrix (our fast path).
    bool isMatrixShaper() const;
    // True for a grey profile (one channel of data).
    bool isGrey() const;
    // True when the profile is the working space itself (nothing to convert).
    bool isWorkingSpace() const;
    // Curves and matrix of a matrix-shaper profile: encoded -> linear per channel, then
    // linear -> working (linear Display P3).
    const color::CurveTable& curve(int channel) const;
    const color::Matrix3& toWorking() const;
    // The profile's description, when it has one.
    std::string description() const;

    struct Data;
    const std::shared_ptr<const Data>& data() const { return data_; }

private:
    explicit ColorProfile(std::shared_ptr<const Data> d) : data_(std::move(d)) {}
    std::shared_ptr<const Data> data_;
};

// An ICC profile describing an output space (Display P3 or sRGB), for embedding in exports.
std::vector<std::uint8_t> iccProfileBytes(OutputSpace space);

}  // namespace vantrel
