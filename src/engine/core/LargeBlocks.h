#pragma once
// Memory for large image buffers: whole scans, working images, output bitmaps and the bands
// an encoder compresses. Blocks from a few megabytes up are mapped on 2 MB boundaries and
// backed by transparent huge pages, so a 144 MB scan costs some seventy page faults instead of
// thirty-five thousand; a freed block goes to a small pool, and the next render takes it back
// with its pages already in place. Smaller requests are ordinary heap memory.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace vantrel {

inline constexpr std::size_t kHugePageBytes = std::size_t(2) << 20;
// Requests from this size up are served by the pool.
inline constexpr std::size_t kLargeBlockMinimum = kHugePageBytes;

// Blocks mapped in whole huge pages, and the freed ones kept for reuse. The pool never keeps
// more than was once in use together: live and pooled blocks stay within the highest live
// total so far (a miss gives pooled blocks back first), so a program's peak memory is no
// higher than without the pool. Within that, at most `maxBlocks` blocks of `maxBytes` in all
// are kept. Thread-safe.
class LargeBlockPool {
public:
    struct Stats {
        std::size_t liveBytes = 0;
        std::size_t pooledBytes = 0;
        std::size_t peakLiveBytes = 0;
        std::size_t mapped = 0;  // blocks mapped afresh
        std::size_t reused = 0;  // blocks taken from the pool
    };

    LargeBlockPool(std::size_t maxBlocks, std::size_t maxBytes);
    ~LargeBlockPool();
    LargeBlockPool(const LargeBlockPool&) = delete;
    LargeBlockPool& operator=(const LargeBlockPool&) = delete;

    // At least `bytes`, 2 MB-aligned and uninitialised; throws std::bad_alloc.
    void* allocate(std::size_t bytes);
    // Hands back a block from allocate().
    void release(void* p) noexcept;
    // Unmaps the pooled blocks.
    void trim() noexcept;
    Stats stats() const;

    // The pool of the process's image buffers.
    static LargeBlockPool& shared();

private:
    struct Block {
        void* p;
        std::size_t bytes;
    };
    // Drops pooled blocks, oldest first, until `fits` holds; returns them for unmapping
    // outside the lock.
    template <class Fits>
    void evictUntil(Fits fits, std::vector<Block>& out);

    const std::size_t maxBlocks_, maxBytes_;
    mutable std::mutex mutex_;
    std::vector<Block> pooled_;  // oldest first
    std::unordered_map<void*, std::size_t> live_;
    Stats stats_;
};

namespace detail {
// Large requests from the shared pool, small ones (and every one under AddressSanitizer, which
// then checks their bounds) from the heap.
void* allocateLarge(std::size_t bytes);
void releaseLarge(void* p, std::size_t bytes) noexcept;
}  // namespace detail

struct LargeBlockDeleter {
    std::size_t bytes = 0;
    void operator()(void* p) const noexcept { detail::releaseLarge(p, bytes); }
};

// An owned array of trivial elements in large-block memory, left unset.
template <class T>
using LargeArray = std::unique_ptr<T[], LargeBlockDeleter>;

template <class T>
LargeArray<T> makeLargeArray(std::size_t count) {
    static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);
    if (count > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    const std::size_t bytes = count * sizeof(T);
    return LargeArray<T>(static_cast<T*>(detail::allocateLarge(bytes)), LargeBlockDeleter{bytes});
}

}  // namespace vantrel
