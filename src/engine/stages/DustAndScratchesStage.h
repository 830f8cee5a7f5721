#pragma once
// Dust and scratches, a simulated film fault laid over a developed frame: a fixed grey pattern
// of specks, fibres and scratch lines, stretched over the frame and screened at a strength.
// Builds a lazy graph; the pattern is drawn once per shape and kept in a cache.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/core/Image.h"
#include "model/DustAndScratchesParameters.h"

namespace vantrel {

// The dust pattern's size: 2048 × 2048 bytes, rows from the top, 0 = no mark.
inline constexpr int kDustPatternSide = 2048;

// The two settings that shape a dust pattern, as drawn: each taken to the nearest 0.05 and
// held to its slider's range (dust size 0.5…2.5, scratches 0…1; not-a-number gives the top),
// so a hand-edited recipe cannot ask for unbounded drawing.
struct DustPatternShape {
    double dustSize = 1.0;
    double scratchesDensity = 0.3;

    static DustPatternShape from(double dustSize, double scratchesDensity);
    // The cache key, e.g. "1.0_0.3": both numbers in their shortest decimal form.
    std::string key() const;
    friend bool operator==(const DustPatternShape&, const DustPatternShape&) = default;
};

// One dust speck as drawn: centre, peak grey value and radius in pattern pixels.
struct DustSpeck {
    int x = 0;
    int y = 0;
    int peak = 0;
    int radius = 0;
};

// Draws the pattern of a shape (4 194 304 bytes). Deterministic: the same shape always gives
// the same bytes. `specks`, when given, receives every speck in drawing order.
std::vector<std::uint8_t> drawDustPattern(const DustPatternShape& shape, std::vector<DustSpeck>* specks = nullptr);

// The bytes of a drawn pattern, shared by the cache and the images that read it.
using DustPattern = std::shared_ptr<const std::vector<std::uint8_t>>;

// Holds the last drawn pattern. Its lock is taken before the cache is read and released once
// a new pattern (if any) is stored, so at most one pattern is drawn at a time; images already
// handed out keep their own reference when the pattern is replaced.
class DustAndScratchesCache {
public:
    DustAndScratchesCache() = default;
    DustAndScratchesCache(const DustAndScratchesCache&) = delete;
    DustAndScratchesCache& operator=(const DustAndScratchesCache&) = delete;

    // The process's one instance, created on first use.
    static DustAndScratchesCache& shared();

    // The pattern of `shape`, drawn when the cached one has another key.
    DustPattern pattern(const DustPatternShape& shape);
    // How many patterns this cache has drawn.
    std::size_t drawCount() const;

private:
    mutable std::mutex lock_;
    DustPattern cachedPattern_;
    std::string lastKey_;
    std::size_t draws_ = 0;
};

// The frame with the dust-and-scratches layer screened over it at opacity 0.55 × amount
// (amount held to 0…1). The pattern is stretched over the frame, sampled bilinearly with its
// edges repeated, and its grey values read as sRGB-encoded. An amount below its row's threshold
// (or not a number) and frames of 1 pixel or less on a side return the frame itself.
Image applyDustAndScratches(const Image& frame, const DustAndScratchesParameters& parameters,
                            DustAndScratchesCache& cache = DustAndScratchesCache::shared());

}  // namespace vantrel
