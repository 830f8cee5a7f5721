#pragma once
// Fakes of the screen for panel tests: a colour sampler whose pick the test
// ends (a colour or a cancel, delivered on the next turn of the event loop as a
// real picker does).
#include <utility>

#include "views/kit/ScreenColorSampler.h"

namespace vantrel::test {

class FakeColorSampler final : public ScreenColorSampler {
public:
    using ScreenColorSampler::ScreenColorSampler;

    Availability availability() const override { return availability_; }
    const char* unavailableReasonKey() const override {
        return availability_ == Availability::unavailable ? "negativeLab.sampleUnavailable" : "";
    }
    void sample(QWidget*, Completion done) override {
        cancel();
        ++starts;
        pending_ = std::move(done);
    }
    void cancel() override {
        if (!pending_) return;
        ++cancels;
        deliver(std::exchange(pending_, nullptr), std::nullopt);
    }

    // The photographer clicks a colour, or presses Escape.
    void pick(SampledColor colour) { deliver(std::exchange(pending_, nullptr), colour); }
    void escape() { deliver(std::exchange(pending_, nullptr), std::nullopt); }
    bool running() const { return bool(pending_); }
    void setAvailability(Availability availability) {
        availability_ = availability;
        Q_EMIT availabilityChanged();
    }

    int starts = 0;
    int cancels = 0;

private:
    Availability availability_ = Availability::available;
    Completion pending_;
};

}  // namespace vantrel::test
