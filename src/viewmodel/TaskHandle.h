#pragma once
// One kind of background work: starting a new one stops the previous, and only
// the latest, unstopped one may publish.
#include <cstdint>
#include <stop_token>

namespace vantrel {

class TaskHandle {
public:
    // Stops the previous task and opens the next one.
    std::stop_token restart() {
        source_.request_stop();
        source_ = std::stop_source();
        ++serial_;
        return source_.get_token();
    }
    void cancel() { source_.request_stop(); }
    std::stop_token token() const { return source_.get_token(); }
    std::uint64_t serial() const { return serial_; }
    bool isCurrent(std::uint64_t serial) const { return serial == serial_ && !source_.stop_requested(); }

private:
    std::stop_source source_ = std::stop_source(std::nostopstate);
    std::uint64_t serial_ = 0;
};

}  // namespace vantrel
