#include "viewmodel/DarkroomViewModel.h"

#include <algorithm>
#include <system_error>

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include "services/FilmPresetLibrary.h"
#include "services/KeptRollFolders.h"
#include "services/L10n.h"
#include "viewmodel/RollFolder.h"

namespace vantrel {

namespace {

bool isDirectory(const std::filesystem::path& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

// The frame named `frameName`, else the first.
const LoadedPhoto& chooseFrame(const std::vector<LoadedPhoto>& photos, const std::optional<std::string>& frameName) {
    if (frameName) {
        for (const LoadedPhoto& photo : photos)
            if (photo.title() == *frameName) return photo;
    }
    return photos.front();
}

}  // namespace

DarkroomViewModel::DarkroomViewModel(ViewModelServices services, QObject* parent)
    : QObject(parent), services_(std::move(services)), defaults_(services_.settings) {
    statusMessage_ = L10n::tr("status.ready");
    // The store reports from its worker; the reports are taken on this thread.
    saveReports_ = std::make_shared<ReportInbox<SaveReport>>(
        [this] { QMetaObject::invokeMethod(this, &DarkroomViewModel::takeSaveReports, Qt::QueuedConnection); });
    presets_ = FilmPresetLibrary::builtInPresets();
    exports_ = std::make_unique<ExportController>(*this, services_, editPool_, editShutdown_.get_token());
    // Each render already spreads over every core; a few threads let a
    // superseded job wind down while its successor starts.
    renderPool_.setMaxThreadCount(3);
    // Thumbnails of other frames give way to the frame on screen.
    developedThumbnailPool_.setMaxThreadCount(1);
    developedThumbnailPool_.setThreadPriority(QThread::LowPriority);

    renders_ = std::make_unique<RenderScheduler>(
        services_.render, renderPool_, services_.timings.fullRenderDelay,
        [this](RenderScheduler::Pass, const RenderJob& job, RenderResult result) { publishRender(job, std::move(result)); },
        [this](const RenderJob& job, std::function<void()> then) { renderSharpRegionThen(job, std::move(then)); });
    connectSharpRegion();
    persistDebounceTimer_.setSingleShot(true);
    persistDebounceTimer_.setInterval(services_.timings.saveDelay);
    connect(&persistDebounceTimer_, &QTimer::timeout, this, &DarkroomViewModel::flushPendingSave);

    if (services_.presets) setCustomPresets(services_.presets->loadPresets());
    restoreLastSession();

    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &DarkroomViewModel::saveAllOnQuit);
}

DarkroomViewModel::~DarkroomViewModel() {
    saveReports_->close();
    renders_->cancel();
    sharpRegions_->cancel();
    stopEditWork();
    renderPool_.waitForDone();
    // A delayed save still waiting is written rather than dropped with the window.
    flushPendingSave();
    if (accessedFolder_) services_.folders->stopAccessing(*accessedFolder_);
}

const std::array<Uuid, 3>& DarkroomViewModel::sampleRollPhotoIDs() {
    static const std::array<Uuid, 3> ids{*Uuid::parse("00000000-0000-0000-0000-000000000001"),
                                         *Uuid::parse("00000000-0000-0000-0000-000000000002"),
                                         *Uuid::parse("00000000-0000-0000-0000-000000000003")};
    return ids;
}

Uuid DarkroomViewModel::frameID(const LoadedPhoto& photo) { return Uuid::parse(photo.id()).value_or(Uuid()); }

// ---------------------------------------------------------------- session and roll

void DarkroomViewModel::restoreLastSession() {
    const std::optional<std::string> frameName = defaults_.lastSelectedPhotoName();

    if (const std::optional<QByteArray> bookmark = defaults_.lastOpenedFolderBookmark()) {
        if (const std::optional<ResolvedBookmark> resolved = services_.folders->resolveBookmark(*bookmark)) {
            if (resolved->isStale) {
                if (const std::optional<QByteArray> fresh = services_.folders->makeBookmark(resolved->location))
                    defaults_.setLastOpenedFolderBookmark(*fresh);
            }
            if (isDirectory(resolved->location)) {
                loadFolder(resolved->location, frameName);
                if (!photos_.empty()) return;
            }
        }
    }
    if (const std::optional<std::string> path = defaults_.lastOpenedFolderPath()) {
        const std::filesystem::path folder(*path);
        if (isDirectory(folder)) {
            loadFolder(folder, frameName);
            if (!photos_.empty()) return;
        }
    }
    loadSampleRoll(frameName);
}

void DarkroomViewModel::openFolder() {
    if (!services_.dialogs) return;
    if (const auto folder = services_.dialogs->chooseFolder(L10n::tr("status.openFolderTitle"))) loadFolder(*folder);
}

void DarkroomViewModel::loadFolder(std::filesystem::path folder, std::optional<std::string> frameName) {
    // Nothing of the open roll changes until a frame of the new folder has
    // loaded: a folder that fails keeps the roll, its remembered place, its
    // access and the folder its culling records are saved to.
    const bool granted = services_.folders->startAccessing(folder);
    const RollListing listing = listRollScans(folder);
    std::vector<LoadedPhoto> loaded = loadScans(listing.scans);
    if (loaded.empty()) {
        if (granted) services_.folders->stopAccessing(folder);
        if (listing.error) setStatusMessage(L10n::tr("status.folderFailed", listing.error.message()));
        return;
    }

    replaceRoll();
    // Opened again: where its saves go is told again.
    rollSaveOutcomes_.erase(KeptRollFolders::rollKey(folder));
    if (accessedFolder_) services_.folders->stopAccessing(*accessedFolder_);
    accessedFolder_.reset();
    if (granted) accessedFolder_ = folder;
    if (const std::optional<QByteArray> bookmark = services_.folders->makeBookmark(folder))
        defaults_.setLastOpenedFolderBookmark(*bookmark);
    defaults_.setLastOpenedFolderPath(folder.string());
    setCurrentFolderURL(folder);

    setPhotos(std::move(loaded));
    inMemoryRecipes_.clear();
    thumbnailCache_.clear();
    for (const LoadedPhoto& photo : photos_) {
        inMemoryRecipes_[frameID(photo)] = storedRecipe(photo).value_or(EditParameters::defaultValue());
    }

    const LoadedPhoto& current = chooseFrame(photos_, frameName);
    setSelectedPhotoID(frameID(current));
    defaults_.setLastSelectedPhotoName(current.title());

    std::filesystem::path named = folder;
    if (!named.has_filename()) named = named.parent_path();
    setStatusMessage(L10n::tr("status.folderLoaded", named.filename().string(), int(photos_.size())));

    // Identifiers are new on every opening: stored records follow their file names.
    RollCullingDatabase database = storedCullingDatabase(folder);
    std::vector<RollCullingDatabase::Frame> frames;
    for (const LoadedPhoto& photo : photos_) frames.push_back({frameID(photo), photo.title()});
    database.rekeyByFilename(frames);
    setCullingDatabase(std::move(database));
    cullingDatabaseOwner_ = folder;

    rebuildFilmstrip();
    loadSelectedPhoto();
    generateThumbnails(photos_);
}

void DarkroomViewModel::loadSampleRoll(std::optional<std::string> frameName) {
    std::vector<LoadedPhoto> roll = services_.render->makeSampleRoll(sampleRollPhotoIDs());
    if (roll.empty()) return;

    replaceRoll();
    setPhotos(std::move(roll));
    for (const LoadedPhoto& photo : photos_)
        inMemoryRecipes_[frameID(photo)] = storedRecipe(photo).value_or(EditParameters::defaultValue());
    const LoadedPhoto& current = chooseFrame(photos_, frameName);
    setSelectedPhotoID(frameID(current));
    defaults_.setLastSelectedPhotoName(current.title());

    setCullingDatabase(storedCullingDatabase(std::nullopt));
    cullingDatabaseOwner_ = std::filesystem::path();

    rebuildFilmstrip();
    loadSelectedPhoto();
}

void DarkroomViewModel::replaceRoll() {
    // The outgoing roll's last edit reaches its file before its frames go, and
    // what has been reported of its saves is known before the next roll reads.
    flushPendingSave();
    takeSaveReports();
    // Its thumbnails are no longer wanted.
    if (thumbnailLoop_) thumbnailLoop_->cancel();
}

// ---------------------------------------------------------------- frames

const LoadedPhoto* DarkroomViewModel::photoWithID(const Uuid& id) const {
    for (const LoadedPhoto& photo : photos_)
        if (frameID(photo) == id) return &photo;
    return nullptr;
}

const LoadedPhoto* DarkroomViewModel::selectedPhoto() const {
    return selectedPhotoID_ ? photoWithID(*selectedPhotoID_) : nullptr;
}

PhotoCullingRecord DarkroomViewModel::selectedCullingRecord() const {
    if (const LoadedPhoto* photo = selectedPhoto()) return cullingDatabase_.record(frameID(*photo), photo->title());
    PhotoCullingRecord fresh;
    fresh.id = Uuid::random();
    return fresh;
}

const SnapshotItem* DarkroomViewModel::activeComparisonSnapshot() const {
    if (!activeComparisonSnapshotID_) return nullptr;
    for (const SnapshotItem& snapshot : snapshots_)
        if (snapshot.id == *activeComparisonSnapshotID_) return &snapshot;
    return nullptr;
}

void DarkroomViewModel::selectPhoto(Uuid id) {
    if (selectedPhotoID_ == id) return;
    if (const LoadedPhoto* outgoing = selectedPhoto()) {
        const Uuid outgoingID = frameID(*outgoing);
        inMemoryRecipes_[outgoingID] = parameters_;
        if (!renderedPreview_.isNull() && renderedPreviewPhotoID_ == outgoingID)
            thumbnailCache_[outgoingID] = previewAsThumbnail();
        // Written now: a delayed save would be superseded by the incoming
        // frame's first save and the last edit of this one lost.
        persistRecipe(SaveTiming::now);
        persistSnapshots();
    }
    setSelectedPhotoID(id);
    setZoomScale(1.0);
    setPanOffset(QSizeF(0, 0));
    if (const LoadedPhoto* photo = photoWithID(id)) defaults_.setLastSelectedPhotoName(photo->title());
    loadSelectedPhoto();
    rebuildFilmstrip();
}

void DarkroomViewModel::loadSelectedPhoto() {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return;
    const Uuid id = frameID(*photo);
    // Another frame's failure is not this one's; its own render tells.
    if (previewLoadError_) setPreviewLoadError(std::nullopt);

    if (const auto kept = inMemoryRecipes_.find(id); kept != inMemoryRecipes_.end()) {
        setParameters(kept->second);
        setActivePresetID(std::nullopt);
    } else {
        if (const std::optional<EditParameters> stored = services_.store->loadRecipe(FrameKey::of(*photo))) {
            setParameters(*stored);
            inMemoryRecipes_[id] = *stored;
            setActivePresetID(std::nullopt);
        } else {
            setParameters(EditParameters::defaultValue());
            inMemoryRecipes_[id] = EditParameters::defaultValue();
            setActivePresetID(std::string("neutral"));
        }
    }
    loadSnapshots();
    requestRender(RenderQuality::final);
}

FilmstripItem DarkroomViewModel::makeFilmstripItem(const LoadedPhoto& photo) const {
    const Uuid id = frameID(photo);
    const PhotoCullingRecord record = cullingDatabase_.record(id, photo.title());
    const bool isCurrent = selectedPhotoID_ == id;
    FilmstripItem item;
    item.id = id;
    item.title = photo.title();
    item.fileURL = photo.fileURL();
    item.is16Bit = photo.is16Bit();
    if (const auto kept = inMemoryRecipes_.find(id); kept != inMemoryRecipes_.end())
        item.hasEdits = !kept->second.sameContent(EditParameters::defaultValue());
    else
        item.hasEdits = services_.store->hasRecipe(FrameKey::of(photo)) ||
                        (!photo.fileURL() && isCurrent && !parameters_.sameContent(EditParameters::defaultValue()));
    // The preview on screen only once it shows this frame (not the one before).
    if (isCurrent && !renderedPreview_.isNull() && renderedPreviewPhotoID_ == id)
        item.thumbnail = renderedPreview_;
    else if (const auto cached = thumbnailCache_.find(id); cached != thumbnailCache_.end())
        item.thumbnail = cached->second;
    item.rating = record.rating;
    item.colorLabel = record.colorLabel;
    item.pickStatus = record.pickStatus;
    return item;
}

void DarkroomViewModel::rebuildFilmstrip() {
    std::vector<FilmstripItem> items;
    for (const LoadedPhoto& photo : photos_) {
        if (!cullingDatabase_.record(frameID(photo), photo.title()).matches(cullingFilter_)) continue;
        // A frame without a file never gets one from the thumbnail loop.
        if (!photo.fileURL()) cacheProxyThumbnail(photo);
        items.push_back(makeFilmstripItem(photo));
    }
    setFilmstripItems(std::move(items));
}

// ---------------------------------------------------------------- persistence

void DarkroomViewModel::writeRecipe(const LoadedPhoto& photo, const EditParameters& recipe,
                                    std::function<void(SaveOutcome)> then) {
    save(recipeTarget(photo), recipe, std::move(then));
}

void DarkroomViewModel::persistRecipe(SaveTiming timing) {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return;
    const Uuid id = frameID(*photo);
    inMemoryRecipes_[id] = parameters_;

    // One delayed save serves all frames; another frame's waiting edit is
    // written rather than dropped.
    if (pendingSave_ && frameID(pendingSave_->photo) != id) flushPendingSave();

    if (timing == SaveTiming::now) {
        persistDebounceTimer_.stop();
        pendingSave_.reset();
        writeRecipe(*photo, parameters_);
    } else {
        pendingSave_ = PendingSave{*photo, parameters_};
        persistDebounceTimer_.start();
    }
}

void DarkroomViewModel::flushPendingSave() {
    persistDebounceTimer_.stop();
    if (!pendingSave_) return;
    const PendingSave save = std::move(*pendingSave_);
    pendingSave_.reset();
    writeRecipe(save.photo, save.recipe);
}

void DarkroomViewModel::persistSnapshots() {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return;
    save(snapshotsTarget(*photo), snapshots_);
}

void DarkroomViewModel::loadSnapshots() {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) {
        setSnapshots({});
        setActiveComparisonSnapshotID(std::nullopt);
        setSnapshotComparisonPreview(QImage());
        return;
    }
    if (const SavedValue* unsaved = unsavedValue(snapshotsTarget(*photo)))
        setSnapshots(std::get<std::vector<SnapshotItem>>(*unsaved));
    else
        setSnapshots(services_.store->loadSnapshots(FrameKey::of(*photo)));
    if (activeComparisonSnapshotID_ && !activeComparisonSnapshot()) {
        setActiveComparisonSnapshotID(std::nullopt);
        setSnapshotComparisonPreview(QImage());
    } else if (activeComparisonSnapshotID_) {
        // The compared snapshot exists on this frame too: show it rendered on this frame.
        refreshSnapshotComparisonPreview();
    }
}

void DarkroomViewModel::saveCullingDatabase() {
    // Only to the roll the records were read for: a folder that failed to open
    // must not receive the previous roll's records.
    if (!cullingDatabaseOwner_) return;
    std::optional<std::filesystem::path> folder;
    if (!cullingDatabaseOwner_->empty()) folder = *cullingDatabaseOwner_;
    save({SaveKind::culling, folder, {}}, cullingDatabase_);
}

void DarkroomViewModel::saveAllOnQuit() {
    saveAll();
    if (accessedFolder_) {
        services_.folders->stopAccessing(*accessedFolder_);
        accessedFolder_.reset();
    }
}

}  // namespace vantrel
