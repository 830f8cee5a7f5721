#include "viewmodel/SpotHistory.h"

#include <algorithm>

namespace vantrel {

namespace {

// Enough for a roll's worth of dust on one frame; the oldest go first.
constexpr std::size_t kMostSteps = 500;

bool holds(const std::vector<SpotItem>& spots, const Uuid& id) {
    return std::any_of(spots.begin(), spots.end(), [&](const SpotItem& spot) { return spot.id == id; });
}

}  // namespace

void SpotHistory::follow(const std::optional<Uuid>& frame, const std::vector<SpotItem>& spots) {
    if (frame != frame_) {
        frame_ = frame;
        steps_.clear();
        last_ = spots;
        return;
    }
    // Spots removed together come back together; spots added together (a
    // pasted recipe) go one by one, the last first, as spots added by hand do.
    Step removal;
    for (std::size_t i = 0; i < last_.size(); ++i)
        if (!holds(spots, last_[i].id)) removal.removed.emplace_back(i, last_[i]);
    if (!removal.removed.empty()) steps_.push_back(std::move(removal));
    for (const SpotItem& spot : spots)
        if (!holds(last_, spot.id)) steps_.push_back(Step{spot.id, {}});
    if (steps_.size() > kMostSteps) steps_.erase(steps_.begin(), steps_.end() - kMostSteps);
    // Kept as they are now, so that a spot removed later comes back as it was then.
    last_ = spots;
}

void SpotHistory::move(const GeometryMove& move) {
    for (Step& step : steps_)
        for (auto& removed : step.removed) removed.second = move.spot(removed.second);
}

std::optional<SpotHistory::Undone> SpotHistory::undo(const std::vector<SpotItem>& spots) {
    Undone undone{spots, {}};
    if (steps_.empty()) {
        if (spots.empty()) return std::nullopt;
        undone.spots.pop_back();
    } else {
        const Step step = std::move(steps_.back());
        steps_.pop_back();
        std::erase_if(undone.spots, [&](const SpotItem& spot) { return spot.id == step.added; });
        // In the order of their places, each where it stood (or at the end).
        for (const auto& [place, spot] : step.removed) {
            if (holds(undone.spots, spot.id)) continue;
            undone.spots.insert(undone.spots.begin() + std::ptrdiff_t(std::min(place, undone.spots.size())), spot);
            undone.restored.push_back(spot.id);
        }
    }
    last_ = undone.spots;  // its own change is no step
    return undone;
}

}  // namespace vantrel
