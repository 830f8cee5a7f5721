#include "viewmodel/GeometryFollower.h"

namespace vantrel {

std::optional<EditParameters> GeometryFollower::follow(const std::optional<Uuid>& frame, const PhotoSize& scan,
                                                       const EditParameters& recipe,
                                                       const std::function<void(const GeometryMove&)>& moved) {
    const CropParameters& now = recipe.crop;
    const std::vector<SpotItem>& spots = recipe.spotHealing.spots;
    // A scan of unknown size cannot be placed: its work stays as it is, set where it is now.
    if (!started_ || frame != frame_ || !(scan.width > 0) || !(scan.height > 0)) {
        started_ = true;
        whole_ = false;
        frame_ = frame;
        geometry_ = now;
        spots_ = {now, spots, spots};
        masks_ = {now, recipe.masks, recipe.masks};
        return std::nullopt;
    }
    const CropParameters before = geometry_;
    geometry_ = now;
    // Work edited, or brought by the recipe: it belongs to the geometry it comes with.
    if (whole_ || spots != spots_.shown) spots_ = {now, spots, spots};
    if (whole_ || recipe.masks != masks_.shown) masks_ = {now, recipe.masks, recipe.masks};
    whole_ = false;
    if (now == before) return std::nullopt;

    if (moved) {
        const GeometryMove step(scan.width, scan.height, before, now);
        if (!step.isIdentity()) moved(step);
    }
    EditParameters result = recipe;
    result.spotHealing.spots = GeometryMove(scan.width, scan.height, spots_.geometry, now).spots(spots_.set);
    result.masks = GeometryMove(scan.width, scan.height, masks_.geometry, now).masks(masks_.set);
    spots_.shown = result.spotHealing.spots;
    masks_.shown = result.masks;
    if (result.spotHealing.spots == spots && result.masks == recipe.masks) return std::nullopt;
    return result;
}

EditParameters followGeometry(const EditParameters& before, EditParameters after, const PhotoSize& scan) {
    const GeometryMove move(scan.width, scan.height, before.crop, after.crop);
    if (move.isIdentity()) return after;
    if (after.spotHealing.spots == before.spotHealing.spots)
        after.spotHealing.spots = move.spots(std::move(after.spotHealing.spots));
    if (after.masks == before.masks) after.masks = move.masks(std::move(after.masks));
    return after;
}

PhotoSize scanSizeOf(const LoadedPhoto& photo) {
    if (photo.hasExplicitFullImage()) {
        const Rect& extent = photo.fullImage().extent();
        if (extent.isFinite()) return {double(extent.width), double(extent.height)};
    }
    return photo.dimensions();
}

}  // namespace vantrel
