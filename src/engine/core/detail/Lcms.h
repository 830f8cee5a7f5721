#pragma once
// lcms2 helpers shared by the colour code and its tests.
#include <lcms2.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace vantrel {
class ColorProfile;
}

namespace vantrel::detail {

struct LcmsProfileCloser {
    void operator()(void* h) const { if (h) cmsCloseProfile(h); }
};
struct LcmsTransformDeleter {
    void operator()(void* t) const { if (t) cmsDeleteTransform(t); }
};
class LcmsProfile : public std::unique_ptr<void, LcmsProfileCloser> {
public:
    using std::unique_ptr<void, LcmsProfileCloser>::unique_ptr;
};
using LcmsTransform = std::unique_ptr<void, LcmsTransformDeleter>;

// Display P3 (D65, P3 primaries) with the sRGB curve, or linear when `linear`.
LcmsProfile createDisplayP3Profile(bool linear);
// The ICC bytes a profile was read from (empty for the built-in ones).
const std::vector<std::uint8_t>& iccBytesOf(const ColorProfile& p);

}  // namespace vantrel::detail
