#include "viewmodel/GeometryFollower.h"

namespace vantrel {

CropParameters turnedWith(const CropParameters& before, CropParameters after, const PhotoSize& scan) {
    const bool turned = (before.quarterTurns & 3) != (after.quarterTurns & 3) || before.isFlippedH != after.isFlippedH ||
                        before.isFlippedV != after.isFlippedV;
    if (!turned || !(after.rect == before.rect) || after.straightenAngle != before.straightenAngle) return after;
    // A mirror turns the straightening the other way round: the mirrored frame stays level.
    if ((before.isFlippedH != before.isFlippedV) != (after.isFlippedH != after.isFlippedV) && after.straightenAngle != 0)
        after.straightenAngle = -after.straightenAngle;
    // Both uncropped frames are one frame turned or mirrored by quarters: the rectangle's corners
    // land on the corners of the same part of the picture.
    if (!before.rect.isFull())
        after.rect =
            GeometryMove(scan.width, scan.height, before, after, Framing::uncropped, Framing::uncropped).rect(before.rect);
    return after;
}

std::optional<EditParameters> GeometryFollower::follow(const std::optional<Uuid>& frame, const PhotoSize& scan,
                                                       const EditParameters& recipe,
                                                       const std::function<void(const GeometryMove&)>& moved) {
    CropParameters now = recipe.crop;
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
    if (!whole_) now = turnedWith(before, now, scan);
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
    result.crop = now;
    result.spotHealing.spots = GeometryMove(scan.width, scan.height, spots_.geometry, now).spots(spots_.set);
    result.masks = GeometryMove(scan.width, scan.height, masks_.geometry, now).masks(masks_.set);
    spots_.shown = result.spotHealing.spots;
    masks_.shown = result.masks;
    if (result.crop == recipe.crop && result.spotHealing.spots == spots && result.masks == recipe.masks)
        return std::nullopt;
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
