// Culling marks of the current frame, the filmstrip filter, and stepping
// through the filmstrip as shown.
#include <algorithm>

#include "model/EnumTable.h"
#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

namespace {

// The position of `id` in the filmstrip, or nothing when it is not shown.
std::optional<std::size_t> positionOf(const std::vector<FilmstripItem>& items, const std::optional<Uuid>& id) {
    if (!id) return std::nullopt;
    const auto found = std::find_if(items.begin(), items.end(), [&](const FilmstripItem& item) { return item.id == *id; });
    if (found == items.end()) return std::nullopt;
    return std::size_t(found - items.begin());
}

}  // namespace

void DarkroomViewModel::setRating(int rating) {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return;
    RollCullingDatabase database = cullingDatabase_;
    database.setRating(rating, frameID(*photo), photo->title());
    setCullingDatabase(std::move(database));
    saveCullingDatabase();
    rebuildFilmstrip();
    setStatusMessage(rating >= 1 ? L10n::tr("status.ratingSet", std::clamp(rating, 1, 5))
                                 : L10n::tr("status.ratingCleared"));
}

void DarkroomViewModel::setColorLabel(ColorLabel label) {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return;
    RollCullingDatabase database = cullingDatabase_;
    database.setColorLabel(label, frameID(*photo), photo->title());
    setCullingDatabase(std::move(database));
    saveCullingDatabase();
    rebuildFilmstrip();
    setStatusMessage(label == ColorLabel::none
                         ? L10n::tr("status.labelCleared")
                         : L10n::tr("status.labelSet", L10n::tr(displayNameKey(label))));
}

void DarkroomViewModel::setFlag(PickStatus status) {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return;
    RollCullingDatabase database = cullingDatabase_;
    database.setPickStatus(status, frameID(*photo), photo->title());
    setCullingDatabase(std::move(database));
    saveCullingDatabase();
    rebuildFilmstrip();
    switch (status) {
        case PickStatus::picked: setStatusMessage(L10n::tr("status.flagPicked")); break;
        case PickStatus::rejected: setStatusMessage(L10n::tr("status.flagRejected")); break;
        case PickStatus::unflagged: setStatusMessage(L10n::tr("status.flagCleared")); break;
    }
}

void DarkroomViewModel::togglePick() {
    if (!selectedPhoto()) return;
    setFlag(selectedCullingRecord().pickStatus == PickStatus::picked ? PickStatus::unflagged : PickStatus::picked);
}

void DarkroomViewModel::toggleReject() {
    if (!selectedPhoto()) return;
    setFlag(selectedCullingRecord().pickStatus == PickStatus::rejected ? PickStatus::unflagged
                                                                        : PickStatus::rejected);
}

void DarkroomViewModel::setCullingFilter(CullingFilterCriteria criteria) {
    cullingFilter_ = std::move(criteria);
    Q_EMIT cullingFilterChanged();
    Q_EMIT stateChanged();
    rebuildFilmstrip();
    if (!selectedPhotoID_ || positionOf(filmstripItems_, selectedPhotoID_)) return;
    // The current frame is hidden: the first shown frame takes its place; with
    // nothing shown the selection stays.
    if (!filmstripItems_.empty()) selectPhoto(filmstripItems_.front().id);
}

void DarkroomViewModel::selectNextPhoto() {
    if (filmstripItems_.empty()) return;
    const std::optional<std::size_t> at = positionOf(filmstripItems_, selectedPhotoID_);
    if (!at) {
        selectPhoto(filmstripItems_.front().id);
        return;
    }
    if (*at + 1 < filmstripItems_.size()) selectPhoto(filmstripItems_[*at + 1].id);
}

void DarkroomViewModel::selectPreviousPhoto() {
    if (filmstripItems_.empty()) return;
    const std::optional<std::size_t> at = positionOf(filmstripItems_, selectedPhotoID_);
    if (!at) {
        selectPhoto(filmstripItems_.front().id);
        return;
    }
    if (*at > 0) selectPhoto(filmstripItems_[*at - 1].id);
}

}  // namespace vantrel
