#pragma once
// Reports made on any thread, waiting until their owner's thread takes them.
// The first report after a take wakes the owner once (it schedules the take);
// after close() the owner is never woken again, so it may go.
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace vantrel {

template <typename Report>
class ReportInbox {
public:
    explicit ReportInbox(std::function<void()> wake) : wake_(std::move(wake)) {}

    void post(Report report) {
        const std::lock_guard lock(mutex_);
        reports_.push_back(std::move(report));
        if (wake_ && !woken_) {
            woken_ = true;
            wake_();
        }
    }

    std::vector<Report> take() {
        const std::lock_guard lock(mutex_);
        woken_ = false;
        return std::exchange(reports_, {});
    }

    void close() {
        const std::lock_guard lock(mutex_);
        wake_ = nullptr;
    }

private:
    std::mutex mutex_;
    std::function<void()> wake_;
    std::vector<Report> reports_;
    bool woken_ = false;
};

}  // namespace vantrel
