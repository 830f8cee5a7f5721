#pragma once
// How far above 1.0 a colour component may go on the screen (its extended-range headroom), and
// whether the screen is limited to the standard range. No display reports this on Linux, so the
// values come from the user's setting, handed in by the application at start-up and whenever
// the setting changes; until then the screen counts as standard range (1.0). Nothing else is
// kept: every query reads the current value, from any thread.
namespace vantrel::DisplayEDRDetector {

// Screens whose potential headroom is at most this show only the standard range.
inline constexpr double kStandardRangeLimit = 1.05;

// The headroom the screen can reach, and the headroom it offers now.
double maximumPotentialHeadroom();
double currentHeadroom();
// True when the potential headroom is at most 1.05.
bool isStandardDynamicRangeOnly();

// Sets both headrooms from the setting. Values below 1 and values that are not finite count
// as 1.0 (standard range).
void setHeadroom(double potential, double current);
void setHeadroom(double headroom);

}  // namespace vantrel::DisplayEDRDetector
