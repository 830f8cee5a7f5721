#pragma once
// GeometryFollower: the crop, the healed spots and the linear and radial masks of the frame on
// screen stay on their place of the scan while its geometry changes (a turn or mirror turns or
// mirrors the crop with the picture): a turn, a flip, straightening by
// hand or by auto-level, a crop drag or reset, a change of ratio, a recipe pasted or applied
// that brings a geometry of its own. Every recipe the frame takes passes here. Spots and masks
// that the change left as they were are the frame's own and move with it; spots or masks that
// changed with it came with their own geometry and stay.
//
// They are moved from the geometry in which they were last set, never from step to step: a
// crop drag or a straightening slider moves them once, from where they were, whatever the
// steps in between, and a frame whose geometry comes back has them exactly as they were.
#include <functional>
#include <optional>
#include <vector>

#include "engine/io/LoadedPhoto.h"
#include "engine/stages/GeometryMove.h"
#include "model/EditParameters.h"
#include "model/Uuid.h"

namespace vantrel {

class GeometryFollower {
public:
    // `recipe` is what `frame` (a scan of `scan` pixels) holds now. Returns it with its own
    // spots and masks moved when its geometry changed, after calling `moved` with the step
    // since the last recipe (for spots kept elsewhere); nothing when nothing moves. Another
    // frame, or the first recipe after restart(), moves nothing.
    std::optional<EditParameters> follow(const std::optional<Uuid>& frame, const PhotoSize& scan,
                                         const EditParameters& recipe,
                                         const std::function<void(const GeometryMove&)>& moved = {});
    // The next recipe is the one a frame opens with.
    void restart() { started_ = false; }
    // The next recipe is a whole one (pasted, a snapshot): its crop, spots and masks come with
    // it, as made in its geometry, even where they equal the frame's.
    void takeWhole() { whole_ = true; }

private:
    // Work set in `geometry` as `set`, shown now as `shown`.
    template <typename Work>
    struct Anchor {
        CropParameters geometry;
        Work set;
        Work shown;
    };

    bool started_ = false;
    bool whole_ = false;
    std::optional<Uuid> frame_;
    CropParameters geometry_;
    Anchor<std::vector<SpotItem>> spots_;
    Anchor<MaskGroupParameters> masks_;
};

// The same for a recipe of a frame that is not on screen, changed at once from `before` to
// `after` (synchronisation): what `after` still holds of `before`'s spots and masks moves from
// `before`'s geometry to `after`'s.
EditParameters followGeometry(const EditParameters& before, EditParameters after, const PhotoSize& scan);

// `after` as a turn or mirror of `before` (nothing else of the crop changed) leaves it: the crop
// rectangle turned or mirrored with the picture, and the straightening of a mirrored frame
// mirrored too, so that the frame shows what it showed, turned or mirrored. Any other change
// of the crop stays as it is.
CropParameters turnedWith(const CropParameters& before, CropParameters after, const PhotoSize& scan);

// The pixel size of the scan a frame's recipe is made for: its full image's.
PhotoSize scanSizeOf(const LoadedPhoto& photo);

}  // namespace vantrel
