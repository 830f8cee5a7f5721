#pragma once
// SpotHistory: the changes to the healed spots of the frame on screen that
// the retouch bar's Undo takes back, the latest first: spots added (taken
// away again) and spots removed (put back where they stood, as they were).
// It follows the recipe whatever changed it (the canvas, the bar, a key, a
// pasted recipe); moving or resizing a spot is not a change here.
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "engine/stages/GeometryMove.h"
#include "model/SpotHealingParameters.h"
#include "model/Uuid.h"

namespace vantrel {

class SpotHistory {
public:
    // Notes the spots of `frame` as they are now: a spot added or removed
    // since the last note makes a step; another frame starts afresh.
    void follow(const std::optional<Uuid>& frame, const std::vector<SpotItem>& spots);

    struct Undone {
        std::vector<SpotItem> spots;
        std::vector<Uuid> restored;  // the spots put back
    };
    // `spots` with the latest step taken back; with no step noted (spots read
    // with the frame), without its last spot. None when there is nothing to take back.
    std::optional<Undone> undo(const std::vector<SpotItem>& spots);
    bool canUndo(const std::vector<SpotItem>& spots) const { return !steps_.empty() || !spots.empty(); }
    // The frame's geometry changed: spots kept for putting back move as the shown ones do.
    void move(const GeometryMove& move);

private:
    // One spot added, or spots removed with their places before.
    struct Step {
        std::optional<Uuid> added;
        std::vector<std::pair<std::size_t, SpotItem>> removed;
    };

    std::optional<Uuid> frame_;
    std::vector<SpotItem> last_;
    std::vector<Step> steps_;
};

}  // namespace vantrel
