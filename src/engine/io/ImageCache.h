#pragma once
// A thread-safe least-recently-used cache of images keyed by file path, with a count limit.
// Concurrent misses for the same key share one load instead of decoding the file twice.
#include <cstddef>
#include <functional>
#include <future>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "engine/core/Image.h"

namespace vantrel {

class ImageCache {
public:
    explicit ImageCache(std::size_t countLimit);
    ImageCache(const ImageCache&) = delete;
    ImageCache& operator=(const ImageCache&) = delete;

    std::size_t countLimit() const { return limit_; }
    std::size_t count() const;

    // The cached image, marked as most recently used.
    std::optional<Image> find(const std::string& key);
    void insert(const std::string& key, const Image& image);
    // Forgets the key's image (a file known to have changed).
    void remove(const std::string& key);
    // The cached image, else `load()`'s result, stored. A load already running for the key is
    // awaited and shared. Exceptions from `load` reach every caller waiting for it; nothing is
    // stored then.
    Image findOrLoad(const std::string& key, const std::function<Image()>& load);

private:
    void insertLocked(const std::string& key, const Image& image);

    const std::size_t limit_;
    mutable std::mutex mutex_;
    std::list<std::pair<std::string, Image>> entries_;  // most recent first
    std::unordered_map<std::string, std::list<std::pair<std::string, Image>>::iterator> index_;
    std::unordered_map<std::string, std::shared_future<Image>> loading_;
};

}  // namespace vantrel
