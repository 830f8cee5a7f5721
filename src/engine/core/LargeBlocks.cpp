#include "engine/core/LargeBlocks.h"

#include <sys/mman.h>

#include <algorithm>

#if defined(__SANITIZE_ADDRESS__)
#define VANTREL_HEAP_ONLY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTREL_HEAP_ONLY 1
#endif
#endif

namespace vantrel {

namespace {

std::size_t wholePages(std::size_t bytes) {
    if (bytes > SIZE_MAX - kHugePageBytes) throw std::bad_alloc();
    return std::max(kHugePageBytes, (bytes + kHugePageBytes - 1) & ~(kHugePageBytes - 1));
}

// `bytes` (whole huge pages) at a 2 MB boundary: a larger mapping, trimmed at both ends.
void* mapAligned(std::size_t bytes) {
    const std::size_t span = bytes + kHugePageBytes;
    void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t begin = (start + kHugePageBytes - 1) & ~std::uintptr_t(kHugePageBytes - 1);
    if (begin > start) munmap(raw, begin - start);
    if (start + span > begin + bytes) munmap(reinterpret_cast<void*>(begin + bytes), start + span - begin - bytes);
    void* p = reinterpret_cast<void*>(begin);
    madvise(p, bytes, MADV_HUGEPAGE);  // a hint: without huge pages the block still works
    return p;
}

}  // namespace

LargeBlockPool::LargeBlockPool(std::size_t maxBlocks, std::size_t maxBytes) : maxBlocks_(maxBlocks), maxBytes_(maxBytes) {}

LargeBlockPool::~LargeBlockPool() { trim(); }

template <class Fits>
void LargeBlockPool::evictUntil(Fits fits, std::vector<Block>& out) {
    std::size_t n = 0;
    while (n < pooled_.size() && !fits()) {
        stats_.pooledBytes -= pooled_[n].bytes;
        out.push_back(pooled_[n++]);
    }
    pooled_.erase(pooled_.begin(), pooled_.begin() + std::ptrdiff_t(n));
}

void* LargeBlockPool::allocate(std::size_t bytes) {
    const std::size_t size = wholePages(bytes);
    std::vector<Block> unmap;
    {
        std::lock_guard lock(mutex_);
        // The smallest pooled block that fits, unless it is much larger than asked for.
        auto best = pooled_.end();
        for (auto it = pooled_.begin(); it != pooled_.end(); ++it)
            if (it->bytes >= size && it->bytes <= size + size / 4 && (best == pooled_.end() || it->bytes < best->bytes))
                best = it;
        if (best != pooled_.end()) {
            const Block b = *best;
            pooled_.erase(best);
            stats_.pooledBytes -= b.bytes;
            stats_.liveBytes += b.bytes;
            ++stats_.reused;
            live_.emplace(b.p, b.bytes);
            return b.p;
        }
        stats_.liveBytes += size;
        stats_.peakLiveBytes = std::max(stats_.peakLiveBytes, stats_.liveBytes);
        evictUntil([&] { return stats_.liveBytes + stats_.pooledBytes <= stats_.peakLiveBytes; }, unmap);
        ++stats_.mapped;
    }
    for (const Block& b : unmap) munmap(b.p, b.bytes);
    void* p = nullptr;
    try {
        p = mapAligned(size);
        std::lock_guard lock(mutex_);
        live_.emplace(p, size);
    } catch (...) {
        if (p) munmap(p, size);
        std::lock_guard lock(mutex_);
        stats_.liveBytes -= size;
        throw std::bad_alloc();
    }
    return p;
}

void LargeBlockPool::release(void* p) noexcept {
    if (!p) return;
    std::vector<Block> unmap;
    {
        std::lock_guard lock(mutex_);
        const auto it = live_.find(p);
        if (it == live_.end()) return;
        const Block b{p, it->second};
        live_.erase(it);
        stats_.liveBytes -= b.bytes;
        if (b.bytes > maxBytes_) {
            unmap.push_back(b);
        } else {
            // Room first, so that the block just freed (the likeliest to be asked for again) stays.
            evictUntil([&] { return pooled_.size() < maxBlocks_ && stats_.pooledBytes + b.bytes <= maxBytes_; }, unmap);
            pooled_.push_back(b);
            stats_.pooledBytes += b.bytes;
        }
    }
    for (const Block& b : unmap) munmap(b.p, b.bytes);
}

void LargeBlockPool::trim() noexcept {
    std::vector<Block> unmap;
    {
        std::lock_guard lock(mutex_);
        unmap.swap(pooled_);
        stats_.pooledBytes = 0;
    }
    for (const Block& b : unmap) munmap(b.p, b.bytes);
}

LargeBlockPool::Stats LargeBlockPool::stats() const {
    std::lock_guard lock(mutex_);
    return stats_;
}

LargeBlockPool& LargeBlockPool::shared() {
    // Room for a 24-megapixel 16-bit scan and an export's bands; never destroyed, since buffers
    // held by static caches may be released after it.
    static LargeBlockPool* pool = new LargeBlockPool(16, std::size_t(256) << 20);
    return *pool;
}

namespace detail {

void* allocateLarge(std::size_t bytes) {
#ifndef VANTREL_HEAP_ONLY
    if (bytes >= kLargeBlockMinimum) return LargeBlockPool::shared().allocate(bytes);
#endif
    return ::operator new(bytes);
}

void releaseLarge(void* p, [[maybe_unused]] std::size_t bytes) noexcept {
#ifndef VANTREL_HEAP_ONLY
    if (bytes >= kLargeBlockMinimum) {
        LargeBlockPool::shared().release(p);
        return;
    }
#endif
    ::operator delete(p);
}

}  // namespace detail

}  // namespace vantrel
