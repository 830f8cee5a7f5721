#include "viewmodel/RollSession.h"

#include <algorithm>
#include <iostream>
#include <set>
#include <system_error>

#include "model/EnumTable.h"
#include "services/FailureCause.h"
#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"
#include "viewmodel/RollFolder.h"

namespace vantrel {

namespace {

// The remembered session, in the user's settings under the program's keys.
constexpr const char* kLastOpenedFolderBookmark = "lastOpenedFolderBookmark";
constexpr const char* kLastOpenedFolderPath = "lastOpenedFolderPath";
constexpr const char* kLastSelectedPhotoName = "lastSelectedPhotoName";

// A remembered setting; nothing when it was never set.
std::optional<QVariant> remembered(const QSettings& settings, const char* key) {
    QVariant value = settings.value(key);
    if (!value.isValid() || value.isNull()) return std::nullopt;
    return value;
}

Uuid frameID(const LoadedPhoto& photo) { return frameIdOf(photo); }

// The frame named `frameName`, else the first.
const LoadedPhoto& chooseFrame(const std::vector<LoadedPhoto>& photos, const std::optional<std::string>& frameName) {
    const auto named = std::find_if(photos.begin(), photos.end(),
                                    [&](const LoadedPhoto& photo) { return photo.title() == frameName; });
    return named != photos.end() ? *named : photos.front();
}

// The position of `id` in the filmstrip, or nothing when it is not shown.
std::optional<std::size_t> positionOf(const std::vector<FilmstripItem>& items, const std::optional<Uuid>& id) {
    if (!id) return std::nullopt;
    const auto found = std::find_if(items.begin(), items.end(), [&](const FilmstripItem& item) { return item.id == *id; });
    if (found == items.end()) return std::nullopt;
    return std::size_t(found - items.begin());
}

}  // namespace

RollSession::RollSession(DarkroomViewModel& viewModel, const ViewModelServices& services, SubjectMasks& masks,
                         StatusLine& status)
    : vm_(viewModel),
      services_(services),
      status_(status),
      settings_(services.settings ? services.settings : std::make_shared<QSettings>()),
      saves_(
          services, status,
          [this](const Uuid& id) {
              const LoadedPhoto* photo = photoWithID(id);
              return photo ? photo->title() : std::string();
          },
          [this](const Uuid& id, const EditParameters& saved, const EditParameters& merged) {
              takeIn(id, saved, merged);
          }),
      pictures_(
          services.render, masks,
          [this](const Uuid& id) -> const EditParameters* {
              const auto kept = saves_.inMemoryRecipes().find(id);
              return kept == saves_.inMemoryRecipes().end() ? nullptr : &kept->second;
          },
          [this] { return vm_.selectedPhotoID(); },
          [this](const Uuid& id, const QImage& picture) { showInCell(id, picture); }) {
    // A merge taken in during a drag is shown at its end.
    QObject::connect(&vm_, &DarkroomViewModel::isInteractingChanged, &vm_, [this] {
        if (vm_.isInteracting() || !waitingTakenIn_) return;
        const TakenIn taken = std::move(*waitingTakenIn_);
        waitingTakenIn_.reset();
        takeIn(taken.frame, taken.saved, taken.merged);
    });
}

RollSession::~RollSession() {
    // A delayed save still waiting is written rather than dropped with the window.
    saves_.flushPendingSave();
    if (accessedFolder_) services_.folders->stopAccessing(*accessedFolder_);
}

// ---------------------------------------------------------------- opening

void RollSession::restoreLastSession() {
    std::optional<std::string> frameName;
    if (const auto name = remembered(*settings_, kLastSelectedPhotoName)) frameName = name->toString().toStdString();
    // Whether the folder is there and a frame of it opened.
    const auto opens = [&](const std::filesystem::path& folder) {
        std::error_code ec;
        if (folder.empty() || !std::filesystem::is_directory(folder, ec)) return false;
        return openFolderRoll(folder, frameName, false);
    };

    if (const auto bookmark = remembered(*settings_, kLastOpenedFolderBookmark)) {
        if (const auto resolved = services_.folders->resolveBookmark(bookmark->toByteArray())) {
            if (resolved->isStale) {
                if (const std::optional<QByteArray> fresh = services_.folders->makeBookmark(resolved->location))
                    settings_->setValue(kLastOpenedFolderBookmark, *fresh);
            }
            if (opens(resolved->location)) return;
        }
    }
    const auto path = remembered(*settings_, kLastOpenedFolderPath);
    if (path && opens(std::filesystem::path(path->toString().toStdString()))) return;
    loadSampleRoll(frameName);
}

void RollSession::openFolder() {
    if (!services_.dialogs) return;
    if (const auto folder = services_.dialogs->chooseFolder(L10n::tr("status.openFolderTitle"),
                                                            services_.panelFolders->besideRoll(vm_.currentFolderURL())))
        loadFolder(*folder, std::nullopt);
}

void RollSession::loadFolder(const std::filesystem::path& folder, const std::optional<std::string>& frameName) {
    openFolderRoll(folder, frameName, true);
}

bool RollSession::openFolderRoll(const std::filesystem::path& folder, const std::optional<std::string>& frameName,
                                 bool showEmpty) {
    // Nothing of the open roll changes until a frame of the new folder has
    // loaded: a folder that fails keeps the roll, its remembered place, its
    // access and the folder its culling records are saved to.
    const bool granted = services_.folders->startAccessing(folder);
    const RollListing listing = listRollScans(folder);
    LoadedScans loaded = loadScans(*services_.render, listing.scans);
    if (loaded.photos.empty()) {
        if (showEmpty && !listing.error && listing.scans.empty()) {
            // A folder without any scan is shown as what it is: an empty roll,
            // with nothing of the roll before it. It is not remembered.
            leaveRoll(folder, granted);
            vm_.setCurrentFolderURL(folder);
            vm_.setSelectedPhotoID(std::nullopt);
            vm_.setPhotos({});
            vm_.setCullingDatabase({});
            saves_.closeRoll();  // nothing is written into it
            rebuildFilmstrip();
            vm_.loadSelectedPhoto();
            status_.show(L10n::text("status.noScansInFolder"));
            return false;
        }
        if (granted) services_.folders->stopAccessing(folder);
        if (listing.error) {
            std::cout << "[RollSession] Failed to read " << folder.string() << ": " << listing.error.message() << std::endl;
            status_.show(
                L10n::text("status.folderFailed", causeText(failureCauseOf(listing.error, FileAccess::reading))));
        } else if (!loaded.unreadable.empty()) {
            // Scans that all failed: the roll on screen stays, and the user learns why.
            status_.show(
                L10n::text("status.folderUnreadable", folderName(folder), unreadableCount(loaded.unreadable)),
                unreadableDetail(loaded.unreadable));
        }
        return false;
    }

    openRoll(std::move(loaded.photos), frameName, folder, granted, listing.scans, loaded.unreadable);
    generateThumbnails(vm_.photos());
    return true;
}

void RollSession::loadSampleRoll(const std::optional<std::string>& frameName) {
    std::vector<LoadedPhoto> roll = services_.render->makeSampleRoll(DarkroomViewModel::sampleRollPhotoIDs());
    if (roll.empty()) return;
    openRoll(std::move(roll), frameName, std::nullopt, false);
    // Its frames' pictures are their proxies; the edited ones are developed.
    generateThumbnails(vm_.photos());
}

void RollSession::leaveRoll(const std::optional<std::filesystem::path>& folder, bool granted) {
    saves_.leaveRoll(folder);
    waitingTakenIn_.reset();
    // Its thumbnails are no longer wanted, and its ticks name none of the next roll's frames.
    pictures_.cancel();
    vm_.setCheckedPhotoIDs({});
    markedFrames_.clear();
    if (!folder) return;
    if (accessedFolder_) services_.folders->stopAccessing(*accessedFolder_);
    accessedFolder_.reset();
    if (granted) accessedFolder_ = folder;
    pictures_.clear();
}

void RollSession::openRoll(std::vector<LoadedPhoto> photos, const std::optional<std::string>& frameName,
                           const std::optional<std::filesystem::path>& folder, bool granted,
                           const std::vector<std::filesystem::path>& scans,
                           const std::vector<std::string>& unreadable) {
    leaveRoll(folder, granted);
    if (folder) {
        if (const std::optional<QByteArray> bookmark = services_.folders->makeBookmark(*folder))
            settings_->setValue(kLastOpenedFolderBookmark, *bookmark);
        settings_->setValue(kLastOpenedFolderPath, QString::fromStdString(folder->string()));
        vm_.setCurrentFolderURL(*folder);
        services_.store->setRollScans(*folder, scans);
    }
    vm_.setPhotos(std::move(photos));
    const std::vector<LoadedPhoto>& roll = vm_.photos();
    saves_.enterRoll(folder, roll);
    const LoadedPhoto& current = chooseFrame(roll, frameName);
    vm_.setSelectedPhotoID(frameID(current));
    rememberSelection(current);

    RollCullingDatabase database = saves_.storedCulling(folder);
    if (folder) {
        if (unreadable.empty())
            status_.show(L10n::text("status.folderLoaded", folderName(*folder), int(roll.size())));
        else
            status_.show(L10n::text("status.folderLoadedUnreadable", folderName(*folder), int(roll.size()),
                                    unreadableCount(unreadable)),
                         unreadableDetail(unreadable));
        // Identifiers are new on every opening: stored records follow their file names.
        std::vector<RollCullingDatabase::Frame> frames;
        for (const LoadedPhoto& photo : roll) frames.push_back({frameID(photo), photo.title()});
        database.rekeyByFilename(frames);
    }
    vm_.setCullingDatabase(std::move(database));
    saves_.tellWhereSavesGo();

    rebuildFilmstrip();
    vm_.loadSelectedPhoto();
}

// ---------------------------------------------------------------- frames

void RollSession::rememberSelection(const LoadedPhoto& photo) {
    settings_->setValue(kLastSelectedPhotoName, QString::fromStdString(photo.title()));
}

const LoadedPhoto* RollSession::photoWithID(const Uuid& id) const {
    for (const LoadedPhoto& photo : vm_.photos())
        if (frameID(photo) == id) return &photo;
    return nullptr;
}

const LoadedPhoto* RollSession::selectedPhoto() const {
    return vm_.selectedPhotoID() ? photoWithID(*vm_.selectedPhotoID()) : nullptr;
}

PhotoCullingRecord RollSession::selectedCullingRecord() const {
    if (const LoadedPhoto* photo = selectedPhoto()) return vm_.cullingDatabase().record(frameID(*photo), photo->title());
    PhotoCullingRecord fresh;
    fresh.id = Uuid::random();
    return fresh;
}

// ---------------------------------------------------------------- the filmstrip

FilmstripItem RollSession::makeFilmstripItem(const LoadedPhoto& photo) const {
    const Uuid id = frameID(photo);
    const PhotoCullingRecord record = vm_.cullingDatabase().record(id, photo.title());
    const bool isCurrent = vm_.selectedPhotoID() == id;
    FilmstripItem item;
    item.id = id;
    item.title = photo.title();
    item.fileURL = photo.fileURL();
    item.is16Bit = photo.is16Bit();
    if (const auto kept = inMemoryRecipes().find(id); kept != inMemoryRecipes().end())
        item.hasEdits = !kept->second.sameContent(EditParameters::defaultValue());
    else
        item.hasEdits = services_.store->hasRecipe(FrameKey::of(photo)) ||
                        (!photo.fileURL() && isCurrent && !vm_.parameters().sameContent(EditParameters::defaultValue()));
    // The preview on screen only once it shows this frame (not the one before).
    if (isCurrent && vm_.isPreviewOf(id))
        item.thumbnail = vm_.renderedPreview();
    else if (const auto cached = thumbnailCache().find(id); cached != thumbnailCache().end())
        item.thumbnail = cached->second;
    item.rating = record.rating;
    item.colorLabel = record.colorLabel;
    item.pickStatus = record.pickStatus;
    return item;
}

void RollSession::rebuildFilmstrip() {
    std::vector<FilmstripItem> items;
    for (const LoadedPhoto& photo : vm_.photos()) {
        if (!vm_.cullingDatabase().record(frameID(photo), photo.title()).matches(cullingFilter_)) continue;
        const Uuid id = frameID(photo);
        pictures_.keepProxyOf(photo, vm_.selectedPhotoID() == id && vm_.isPreviewOf(id));
        items.push_back(makeFilmstripItem(photo));
    }
    vm_.setFilmstripItems(std::move(items));
}

void RollSession::updateFilmstripThumbnail(const Uuid& id, const QImage& thumbnail, const RenderJob* developedBy,
                                           std::optional<bool> hasEdits) {
    pictures_.keep(id, thumbnail, developedBy);
    showInCell(id, thumbnail, hasEdits);
}

void RollSession::showInCell(const Uuid& id, const QImage& picture, std::optional<bool> hasEdits) {
    const std::optional<std::size_t> at = positionOf(vm_.filmstripItems(), id);
    if (!at) return;
    std::vector<FilmstripItem> items = vm_.filmstripItems();
    items[*at].thumbnail = picture;
    if (hasEdits) items[*at].hasEdits = *hasEdits;
    vm_.setFilmstripItems(std::move(items));
}

void RollSession::keepPreviewAsThumbnail(const Uuid& id, const QImage& preview) {
    pictures_.keepPreview(id, preview, vm_.parameters());
}

void RollSession::generateThumbnails(const std::vector<LoadedPhoto>& photos) { pictures_.start(photos); }

void RollSession::refreshPictures(const std::vector<LoadedPhoto>& frames) { pictures_.again(frames); }

// ---------------------------------------------------------------- checked frames, culling and navigation

void RollSession::toggleChecked(const Uuid& id) {
    std::set<Uuid> checked = vm_.checkedPhotoIDs();
    if (!checked.erase(id)) checked.insert(id);
    vm_.setCheckedPhotoIDs(std::move(checked));
}

void RollSession::checkAllPhotos() {
    std::set<Uuid> checked;
    for (const LoadedPhoto& photo : vm_.photos()) checked.insert(frameID(photo));
    vm_.setCheckedPhotoIDs(std::move(checked));
}

void RollSession::invertCheckedPhotos() {
    std::set<Uuid> checked;
    for (const LoadedPhoto& photo : vm_.photos())
        if (!vm_.isChecked(frameID(photo))) checked.insert(frameID(photo));
    vm_.setCheckedPhotoIDs(std::move(checked));
}

std::vector<LoadedPhoto> RollSession::exportTargetPhotos() const {
    std::vector<LoadedPhoto> targets;
    for (const LoadedPhoto& photo : vm_.photos())
        if (vm_.isChecked(frameID(photo))) targets.push_back(photo);
    if (vm_.checkedPhotoIDs().empty() && selectedPhoto()) targets.push_back(*selectedPhoto());
    return targets;
}

std::vector<LoadedPhoto> RollSession::syncTargetPhotos() const {
    std::vector<LoadedPhoto> targets;
    if (!vm_.selectedPhotoID()) return targets;
    for (const LoadedPhoto& photo : vm_.photos()) {
        const Uuid id = frameID(photo);
        if (id != *vm_.selectedPhotoID() && (vm_.checkedPhotoIDs().empty() || vm_.isChecked(id)))
            targets.push_back(photo);
    }
    return targets;
}

template <typename Mark>
bool RollSession::markCurrent(void (RollCullingDatabase::*set)(Mark, const Uuid&, std::string_view), Mark mark) {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return false;
    RollCullingDatabase database = vm_.cullingDatabase();
    (database.*set)(mark, frameID(*photo), photo->title());
    vm_.setCullingDatabase(std::move(database));
    markedFrames_.insert(frameID(*photo));
    saveCullingDatabase();
    rebuildFilmstrip();
    return true;
}

void RollSession::setRating(int rating) {
    if (!markCurrent(&RollCullingDatabase::setRating, rating)) return;
    status_.showFrameNews(rating >= 1 ? L10n::text("status.ratingSet", std::clamp(rating, 1, 5))
                                      : L10n::text("status.ratingCleared"));
}

void RollSession::setColorLabel(ColorLabel label) {
    if (!markCurrent(&RollCullingDatabase::setColorLabel, label)) return;
    status_.showFrameNews(label == ColorLabel::none ? L10n::text("status.labelCleared")
                                                    : L10n::text("status.labelSet", L10n::text(displayNameKey(label))));
}

void RollSession::setFlag(PickStatus status) {
    if (!markCurrent(&RollCullingDatabase::setPickStatus, status)) return;
    switch (status) {
        case PickStatus::picked: status_.showFrameNews(L10n::text("status.flagPicked")); break;
        case PickStatus::rejected: status_.showFrameNews(L10n::text("status.flagRejected")); break;
        case PickStatus::unflagged: status_.showFrameNews(L10n::text("status.flagCleared")); break;
    }
}

void RollSession::toggleFlag(PickStatus status) {
    if (!selectedPhoto()) return;
    setFlag(selectedCullingRecord().pickStatus == status ? PickStatus::unflagged : status);
}

void RollSession::setCullingFilter(CullingFilterCriteria criteria) {
    cullingFilter_ = std::move(criteria);
    Q_EMIT vm_.cullingFilterChanged();
    Q_EMIT vm_.stateChanged();
    rebuildFilmstrip();
    const std::vector<FilmstripItem>& shown = vm_.filmstripItems();
    if (!vm_.selectedPhotoID() || positionOf(shown, vm_.selectedPhotoID())) return;
    // The current frame is hidden: the first shown frame takes its place; with
    // nothing shown the selection stays.
    if (!shown.empty()) vm_.selectPhoto(shown.front().id);
}

void RollSession::step(int direction) {
    const std::vector<FilmstripItem>& shown = vm_.filmstripItems();
    if (shown.empty()) return;
    const std::optional<std::size_t> at = positionOf(shown, vm_.selectedPhotoID());
    if (!at) {
        vm_.selectPhoto(shown.front().id);
        return;
    }
    if (direction < 0 ? *at > 0 : *at + 1 < shown.size()) vm_.selectPhoto(shown[*at + direction].id);
}

// ---------------------------------------------------------------- the frames' records

void RollSession::persistRecipe(SaveTiming timing) {
    if (const LoadedPhoto* photo = selectedPhoto()) saves_.persistRecipe(*photo, vm_.parameters(), timing);
}

void RollSession::editStoredRecipes(const std::vector<LoadedPhoto>& frames,
                                    const std::function<void(EditParameters&, const LoadedPhoto&)>& change,
                                    const std::function<void(SaveOutcome)>& saved) {
    for (const LoadedPhoto& photo : frames) {
        // The latest recipe: the one in memory holds edits whose file may not be
        // written yet; a file another program changed since is read again.
        EditParameters recipe = saves_.latestRecipe(photo).value_or(EditParameters::defaultValue());
        change(recipe, photo);
        keepRecipe(frameID(photo), recipe);
        writeRecipe(photo, recipe, saved);
    }
    rebuildFilmstrip();
    // Their pictures show their recipes from before.
    refreshPictures(frames);
}

void RollSession::persistSnapshots() {
    if (const LoadedPhoto* photo = selectedPhoto()) saves_.persistSnapshots(*photo, vm_.snapshots());
}

void RollSession::saveCullingDatabase() {
    // Only the frames marked here: the store merges them into the stored file.
    RollCullingDatabase marked;
    for (const Uuid& id : markedFrames_)
        if (const auto record = vm_.cullingDatabase().records.find(id); record != vm_.cullingDatabase().records.end())
            marked.records.insert(*record);
    saves_.saveCulling(std::move(marked));
}

void RollSession::takeIn(const Uuid& id, const EditParameters& saved, const EditParameters& merged) {
    const LoadedPhoto* photo = photoWithID(id);
    if (!photo) return;
    if (vm_.selectedPhotoID() != id) {
        // Another frame: its recipe in memory took the fields in; its picture follows.
        rebuildFilmstrip();
        refreshPictures({*photo});
        return;
    }
    // Never under the user's hand: a drag under way sees it at its end.
    if (vm_.isInteracting()) {
        waitingTakenIn_ = TakenIn{id, saved, merged};
        return;
    }
    // The frame's own edits since that save still win for the fields they change.
    vm_.editRecipe([&](EditParameters& recipe) { recipe = mergeRecipes(saved, recipe, merged).recipe; });
}

void RollSession::saveAll() {
    flushPendingSave();
    persistRecipe(SaveTiming::now);
    saveCullingDatabase();
    persistSnapshots();
    saves_.retryUnsaved();
}

void RollSession::saveAllOnQuit() {
    saveAll();
    if (accessedFolder_) {
        services_.folders->stopAccessing(*accessedFolder_);
        accessedFolder_.reset();
    }
}

}  // namespace vantrel
