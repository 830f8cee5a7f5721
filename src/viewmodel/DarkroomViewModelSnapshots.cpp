// Snapshots of the current frame and the A/B comparison with one of them.
#include <algorithm>

#include <QMetaObject>

#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

void DarkroomViewModel::saveSnapshot(std::string name) {
    if (!selectedPhoto()) return;
    SnapshotItem snapshot;
    snapshot.id = Uuid::random();
    snapshot.name = name;
    snapshot.parameters = parameters_;
    snapshot.createdAt = Date::now();
    std::vector<SnapshotItem> list = snapshots_;
    list.push_back(std::move(snapshot));
    setSnapshots(std::move(list));
    roll_.persistSnapshots();
    setFrameStatusMessage(L10n::text("status.snapshotSaved", name));
}

void DarkroomViewModel::loadSnapshot(SnapshotItem snapshot) {
    geometryFollower_.takeWhole();
    editRecipe([&](EditParameters& recipe) { recipe = snapshot.parameters; });
    setActivePresetID(std::nullopt);
    setFrameStatusMessage(L10n::text("status.snapshotLoaded", snapshot.name));
}

void DarkroomViewModel::deleteSnapshot(Uuid id) {
    if (activeComparisonSnapshotID_ == id) endSnapshotComparison();
    std::vector<SnapshotItem> list = snapshots_;
    std::erase_if(list, [&](const SnapshotItem& snapshot) { return snapshot.id == id; });
    setSnapshots(std::move(list));
    roll_.persistSnapshots();
    setFrameStatusMessage(L10n::text("status.snapshotDeleted"));
}

void DarkroomViewModel::renameSnapshot(Uuid id, std::string name) {
    std::vector<SnapshotItem> list = snapshots_;
    bool renamed = false;
    for (SnapshotItem& snapshot : list)
        if (snapshot.id == id) {
            snapshot.name = name;
            renamed = true;
        }
    if (!renamed) return;
    setSnapshots(std::move(list));
    roll_.persistSnapshots();
    setFrameStatusMessage(L10n::text("status.snapshotRenamed", name));
}

void DarkroomViewModel::compareWithSnapshot(SnapshotItem snapshot) {
    if (activeComparisonSnapshotID_ == snapshot.id) {
        endSnapshotComparison();
        return;
    }
    setActiveComparisonSnapshotID(snapshot.id);
    refreshSnapshotComparisonPreview();
    if (compareMode_ == CompareMode::full) setCompareMode(CompareMode::split);
    setFrameStatusMessage(L10n::text("status.snapshotCompareStarted", snapshot.name));
}

void DarkroomViewModel::endSnapshotComparison() {
    comparisonTask_.cancel();
    setActiveComparisonSnapshotID(std::nullopt);
    setSnapshotComparisonPreview(QImage());
    setFrameStatusMessage(L10n::text("status.snapshotCompareEnded"));
}

void DarkroomViewModel::refreshSnapshotComparisonPreview() {
    const LoadedPhoto* photo = selectedPhoto();
    const SnapshotItem* snapshot = activeComparisonSnapshot();
    // Until the new render arrives nothing is shown: an older picture would be
    // another snapshot's, or another frame's.
    setSnapshotComparisonPreview(QImage());
    if (!photo || !snapshot) {
        comparisonTask_.cancel();
        return;
    }

    const Uuid frame = frameID(*photo);
    // The dust-inspection view never shows in the comparison (no retouch aid).
    RenderJob job{*photo, snapshot->parameters};
    job.framing = isCroppingMode() ? Framing::uncropped : Framing::cropped;
    if (const Image* mask = subjectMasks_.held(frame))
        job.subjectMask = *mask;
    else
        remakeSubjectMask(*photo, job.recipe);

    const std::stop_token stop = comparisonTask_.restart();
    const std::uint64_t serial = comparisonTask_.serial();
    const Uuid snapshotID = snapshot->id;
    renderPool_.start([this, service = services_.render, stop, serial, frame, snapshotID, job = std::move(job)] {
        std::optional<RenderResult> result = service->render(job, stop);
        if (!result || stop.stop_requested()) return;
        // Queued to the GUI thread; the destructor waits for this pool, so `this` is alive.
        QMetaObject::invokeMethod(
            this,
            [this, serial, frame, snapshotID, preview = std::move(result->preview)]() mutable {
                // Shown only while it is the latest, of the frame and the snapshot still compared.
                if (!comparisonTask_.isCurrent(serial)) return;
                if (selectedPhotoID_ != frame || activeComparisonSnapshotID_ != snapshotID) return;
                setSnapshotComparisonPreview(std::move(preview));
            },
            Qt::QueuedConnection);
    });
}

}  // namespace vantrel
