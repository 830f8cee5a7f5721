#include "engine/io/IccProfile.h"

#include <lcms2.h>
#include <tbb/parallel_for.h>

#include <cstring>
#include <memory>

namespace vantrel {

namespace {
struct ProfileCloser {
    void operator()(void* p) const { if (p) cmsCloseProfile(p); }
};
using ProfilePtr = std::unique_ptr<void, ProfileCloser>;

std::uint64_t bigEndian32(const std::vector<std::uint8_t>& b, std::uint64_t at) {
    return std::uint64_t{b[at]} << 24 | std::uint64_t{b[at + 1]} << 16 | std::uint64_t{b[at + 2]} << 8 | b[at + 3];
}

// Whether every tag holds the elements it counts. lcms2 allocates
// (and clears) a text or curve tag at the count it declares, up to half a gigabyte, before it
// finds the data missing: a 500-byte profile in a scan took seconds to open.
bool tagsHoldTheirCounts(const std::vector<std::uint8_t>& b) {
    const std::uint64_t size = b.size();
    const std::uint64_t tags = bigEndian32(b, 128);
    if (132 + 12 * tags > size) return false;
    for (std::uint64_t i = 0; i < tags; ++i) {
        const std::uint64_t offset = bigEndian32(b, 136 + 12 * i), length = bigEndian32(b, 140 + 12 * i);
        if (offset + length > size || length < 12) continue;  // lcms2 skips a tag past the end
        const auto type = [&](const char* sig) { return std::memcmp(b.data() + offset, sig, 4) == 0; };
        const std::uint64_t count = bigEndian32(b, offset + 8);
        if (type("mluc") && 16 + 12 * count > length) return false;  // records of 12 bytes
        if (type("curv") && 12 + 2 * count > length) return false;   // 16-bit entries
        if (type("desc") && 12 + count > length) return false;        // ASCII characters
    }
    return true;
}

ProfilePtr openProfile(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 132) return nullptr;  // shorter than an ICC header plus tag count
    if (!tagsHoldTheirCounts(bytes)) return nullptr;
    return ProfilePtr(cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size())));
}
}  // namespace

std::string iccProfileDescription(const std::vector<std::uint8_t>& profile) {
    ProfilePtr p = openProfile(profile);
    if (!p) return {};
    char text[256] = {};
    cmsUInt32Number n = cmsGetProfileInfoASCII(p.get(), cmsInfoDescription, "en", "US", text, sizeof text);
    if (n == 0) return {};
    std::string name(text);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\n')) name.pop_back();
    return name;
}

int iccProfileChannels(const std::vector<std::uint8_t>& profile) {
    ProfilePtr p = openProfile(profile);
    if (!p) return 0;
    switch (cmsGetColorSpace(p.get())) {
        case cmsSigGrayData: return 1;
        case cmsSigRgbData: return 3;
        case cmsSigCmykData: return 4;
        default: return 0;
    }
}

ScanBuffer convertCmykToRgb(const std::uint8_t* cmyk, int width, int height, bool inverted,
                            const std::vector<std::uint8_t>& profile) {
    ProfilePtr source = openProfile(profile);
    if (!source || cmsGetColorSpace(source.get()) != cmsSigCmykData) return {};
    ProfilePtr srgb(cmsCreate_sRGBProfile());
    // Adobe writes CMYK with 0 = full ink; TYPE_CMYK_8_REV reads it that way round.
    cmsHTRANSFORM transform = cmsCreateTransform(source.get(), inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8,
                                                 srgb.get(), TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    if (!transform) return {};
    ScanBuffer out = ScanBuffer::allocated(width, height, 3, 8);
    tbb::parallel_for(0, height, [&](int y) {
        cmsDoTransform(transform, cmyk + static_cast<std::size_t>(y) * width * 4, out.row(y),
                       static_cast<cmsUInt32Number>(width));
    });
    cmsDeleteTransform(transform);
    return out;
}

}  // namespace vantrel
