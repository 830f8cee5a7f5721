#pragma once
// DisplayEDRDetector: how far above standard white the main screen can show
// highlights (its potential extended-range headroom; 1.0 is standard range).
// The extended-range panel asks it afresh each time it refreshes.
namespace vantrel {

class DisplayEDRDetector {
public:
    // At or below this headroom a screen counts as standard range only.
    static constexpr double kStandardRangeLimit = 1.05;

    virtual ~DisplayEDRDetector() = default;

    // The main screen's potential headroom; 1.0 without a main screen.
    virtual double maximumPotentialHeadroom() const = 0;

    // No screen, or a headroom of at most 1.05 (an unreadable one counts as standard).
    bool isStandardDynamicRangeOnly() const { return !(maximumPotentialHeadroom() > kStandardRangeLimit); }
};

// This platform's screens: Qt reports no extended-range headroom for a screen
// on Linux, so every screen counts as standard range (1.0).
class SystemEDRDetector final : public DisplayEDRDetector {
public:
    double maximumPotentialHeadroom() const override { return 1.0; }
};

}  // namespace vantrel
