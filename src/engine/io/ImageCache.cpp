#include "engine/io/ImageCache.h"

#include <tbb/task_arena.h>

namespace vantrel {

ImageCache::ImageCache(std::size_t countLimit) : limit_(countLimit) {}

std::size_t ImageCache::count() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

std::optional<Image> ImageCache::find(const std::string& key) {
    std::lock_guard lock(mutex_);
    auto it = index_.find(key);
    if (it == index_.end()) return std::nullopt;
    entries_.splice(entries_.begin(), entries_, it->second);
    return it->second->second;
}

void ImageCache::insert(const std::string& key, const Image& image) {
    std::lock_guard lock(mutex_);
    insertLocked(key, image);
}

void ImageCache::remove(const std::string& key) {
    std::lock_guard lock(mutex_);
    if (auto it = index_.find(key); it != index_.end()) {
        entries_.erase(it->second);
        index_.erase(it);
    }
}

void ImageCache::insertLocked(const std::string& key, const Image& image) {
    if (limit_ == 0) return;
    if (auto it = index_.find(key); it != index_.end()) {
        it->second->second = image;
        entries_.splice(entries_.begin(), entries_, it->second);
        return;
    }
    entries_.emplace_front(key, image);
    index_[key] = entries_.begin();
    while (entries_.size() > limit_) {
        index_.erase(entries_.back().first);
        entries_.pop_back();
    }
}

Image ImageCache::findOrLoad(const std::string& key, const std::function<Image()>& load) {
    std::promise<Image> promise;
    {
        std::unique_lock lock(mutex_);
        if (auto it = index_.find(key); it != index_.end()) {
            entries_.splice(entries_.begin(), entries_, it->second);
            return it->second->second;
        }
        if (auto running = loading_.find(key); running != loading_.end()) {
            std::shared_future<Image> pending = running->second;
            lock.unlock();
            return pending.get();
        }
        loading_.emplace(key, promise.get_future().share());
    }
    try {
        // Isolated, so that while the load waits for its own parallel work this thread never
        // picks up another request that would wait for this very load.
        Image image = tbb::this_task_arena::isolate([&] { return load(); });
        std::lock_guard lock(mutex_);
        insertLocked(key, image);
        loading_.erase(key);
        promise.set_value(image);
        return image;
    } catch (...) {
        std::lock_guard lock(mutex_);
        loading_.erase(key);
        promise.set_exception(std::current_exception());
        throw;
    }
}

}  // namespace vantrel
