#pragma once
// How far above standard white the screen can show highlights: its potential extended-range
// headroom (1.0 is standard range). Qt reports none on Linux, so every screen counts as
// standard range unless a caller says otherwise; renders for the screen carry it, and the
// extended-range panel shows it.
namespace vantrel {

struct ScreenHeadroom {
    // At or below this headroom a screen counts as standard range only.
    static constexpr double kStandardRangeLimit = 1.05;

    double potential = 1.0;

    // A headroom of at most 1.05 (an unreadable one counts as standard).
    bool isStandardRangeOnly() const { return !(potential > kStandardRangeLimit); }
};

}  // namespace vantrel
