#include "viewmodel/RollSession.h"

#include <algorithm>
#include <iostream>
#include <mutex>
#include <set>
#include <system_error>

#include <QMetaObject>
#include <tbb/parallel_for.h>

#include "model/EnumTable.h"
#include "services/FailureCause.h"
#include "services/KeptRollFolders.h"
#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"
#include "viewmodel/RollFolder.h"

namespace vantrel {

// Reports made on any thread, waiting until their owner's thread takes them.
// The first report after a take wakes the owner once (it schedules the take);
// after close() the owner is never woken again, so it may go.
template <typename Report>
class ReportInbox {
public:
    explicit ReportInbox(std::function<void()> wake) : wake_(std::move(wake)) {}

    void post(Report report) {
        const std::lock_guard lock(mutex_);
        reports_.push_back(std::move(report));
        if (wake_ && !woken_) {
            woken_ = true;
            wake_();
        }
    }

    std::vector<Report> take() {
        const std::lock_guard lock(mutex_);
        woken_ = false;
        return std::exchange(reports_, {});
    }

    void close() {
        const std::lock_guard lock(mutex_);
        wake_ = nullptr;
    }

private:
    std::mutex mutex_;
    std::function<void()> wake_;
    std::vector<Report> reports_;
    bool woken_ = false;
};

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

// The frames of the listed scans, and the names of those that could not be read.
struct LoadedScans {
    std::vector<LoadedPhoto> photos;
    std::vector<std::string> unreadable;
};

LoadedScans loadScans(RenderService& service, const std::vector<std::filesystem::path>& scans) {
    // Headers only, read side by side: opening a roll of many scans waits on
    // the disk and the metadata parser, not on one file after another.
    std::vector<std::optional<LoadedPhoto>> read(scans.size());
    tbb::parallel_for(std::size_t{0}, scans.size(), [&](std::size_t i) { read[i] = service.loadPhoto(scans[i]); });

    LoadedScans loaded;
    loaded.photos.reserve(scans.size());
    for (std::size_t i = 0; i < scans.size(); ++i) {
        // An unreadable scan is left out of the roll, and named to the user.
        if (read[i])
            loaded.photos.push_back(std::move(*read[i]));
        else
            loaded.unreadable.push_back(scans[i].filename().string());
    }
    return loaded;
}

// "3 files could not be read", and the status line's detail naming them (a
// long list is cut: the tooltip must stay readable).
LocalText unreadableCount(const std::vector<std::string>& names) {
    return names.size() == 1 ? L10n::text("roll.unreadableCountOne")
                             : L10n::text("roll.unreadableCount", int(names.size()));
}

LocalText unreadableDetail(const std::vector<std::string>& names) {
    constexpr std::size_t kListed = 20;
    std::string list;
    for (std::size_t i = 0; i < names.size() && i < kListed; ++i) list += (i ? "\n" : "") + names[i];
    if (names.size() > kListed)
        return L10n::text("roll.unreadableListMore", list, int(names.size() - kListed));
    return L10n::text("roll.unreadableList", list);
}

// The folder's own name, also for a path ending in a separator.
std::string folderName(std::filesystem::path folder) {
    if (!folder.has_filename()) folder = folder.parent_path();
    return folder.filename().string();
}

// How a roll's saves stand, for the status line: where they go while not beside its scans.
std::optional<LocalText> savingNotice(const std::filesystem::path& roll, const SaveResult& result) {
    if (result.outcome == SaveOutcome::keptAside) {
        const bool readOnly = !result.cause || *result.cause == FailureCause::readOnly ||
                              *result.cause == FailureCause::noPermission;
        return readOnly ? L10n::text("status.rollKeptAside", folderName(roll))
                        : L10n::text("status.rollKeptAsideBecause", folderName(roll), causeText(*result.cause));
    }
    if (result.outcome == SaveOutcome::failed)
        return result.cause ? L10n::text("status.saveFailedBecause", causeText(*result.cause))
                            : L10n::text("status.saveFailed");
    return std::nullopt;
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
      masks_(masks),
      status_(status),
      settings_(services.settings ? services.settings : std::make_shared<QSettings>()) {
    // The store reports from its worker; the reports are taken on the GUI thread.
    saveReports_ = std::make_shared<ReportInbox<SaveReport>>(
        [this] { QMetaObject::invokeMethod(&vm_, [this] { takeSaveReports(); }, Qt::QueuedConnection); });
    saveTimer_.setSingleShot(true);
    saveTimer_.setInterval(services_.timings.saveDelay);
    QObject::connect(&saveTimer_, &QTimer::timeout, &saveTimer_, [this] { flushPendingSave(); });
}

RollSession::~RollSession() {
    saveReports_->close();
    // A delayed save still waiting is written rather than dropped with the window.
    flushPendingSave();
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
                                                            PanelFolders::besideRoll(vm_.currentFolderURL())))
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
            cullingDatabaseOwner_.reset();  // nothing is written into it
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
    // The outgoing roll's last edit reaches its file before its frames go, and
    // what has been reported of its saves is known before the next roll reads.
    flushPendingSave();
    takeSaveReports();
    // Its thumbnails are no longer wanted, and its ticks name none of the next roll's frames.
    if (thumbnailLoop_) thumbnailLoop_->cancel();
    vm_.setCheckedPhotoIDs({});
    storedRecipes_.clear();
    storedSnapshots_.clear();
    markedFrames_.clear();
    unreadableRecipes_.clear();
    status_.setNotice(std::nullopt);
    if (!folder) return;
    // Opened again: where its saves go is told again.
    rollSaveOutcomes_.erase(KeptRollFolders::rollKey(*folder));
    if (accessedFolder_) services_.folders->stopAccessing(*accessedFolder_);
    accessedFolder_.reset();
    if (granted) accessedFolder_ = folder;
    inMemoryRecipes_.clear();
    thumbnailCache_.clear();
    developedPictures_.clear();
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
        bringKeptFilesHome(*folder);  // at the latest now, where it can be written again
    }
    vm_.setPhotos(std::move(photos));
    const std::vector<LoadedPhoto>& roll = vm_.photos();
    for (const LoadedPhoto& photo : roll) {
        // The edit kept in memory when its save failed, else the stored one.
        const std::optional<EditParameters> stored = readStoredRecipe(photo);
        if (stored) storedRecipes_[frameID(photo)] = *stored;
        const SavedValue* unsaved = unsavedValue({SaveKind::recipe, FrameKey::of(photo)});
        inMemoryRecipes_[frameID(photo)] =
            unsaved ? std::get<EditParameters>(*unsaved) : stored.value_or(EditParameters::defaultValue());
    }
    const LoadedPhoto& current = chooseFrame(roll, frameName);
    vm_.setSelectedPhotoID(frameID(current));
    rememberSelection(current);

    RollCullingDatabase database = services_.store->loadCullingDatabase(folder).value_or(RollCullingDatabase{});
    // Marks whose save failed: over the stored ones.
    if (const SavedValue* unsaved = unsavedValue({SaveKind::culling, {folder, {}}}))
        database.merge(std::get<RollCullingDatabase>(*unsaved));
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
    cullingDatabaseOwner_ = folder.value_or(std::filesystem::path());

    // How the roll's saves stand, told at once: a folder that refuses writes
    // keeps its edits aside from the first one.
    const std::filesystem::path rollKey = folder ? KeptRollFolders::rollKey(*folder) : std::filesystem::path();
    if (const std::optional<FailureCause> refusal = folder ? services_.store->writeRefusal(*folder) : std::nullopt) {
        SaveResult refused(SaveOutcome::keptAside);
        refused.cause = refusal;
        rollSaveOutcomes_[rollKey] = refused;
    }
    if (const auto standing = rollSaveOutcomes_.find(rollKey); standing != rollSaveOutcomes_.end())
        status_.setNotice(savingNotice(rollKey, standing->second));

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
    if (const auto kept = inMemoryRecipes_.find(id); kept != inMemoryRecipes_.end())
        item.hasEdits = !kept->second.sameContent(EditParameters::defaultValue());
    else
        item.hasEdits = services_.store->hasRecipe(FrameKey::of(photo)) ||
                        (!photo.fileURL() && isCurrent && !vm_.parameters().sameContent(EditParameters::defaultValue()));
    // The preview on screen only once it shows this frame (not the one before).
    if (isCurrent && vm_.isPreviewOf(id))
        item.thumbnail = vm_.renderedPreview();
    else if (const auto cached = thumbnailCache_.find(id); cached != thumbnailCache_.end())
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
        // A frame without a file never gets one from the thumbnail loop.
        if (!photo.fileURL()) cacheProxyThumbnail(photo);
        items.push_back(makeFilmstripItem(photo));
    }
    vm_.setFilmstripItems(std::move(items));
}

void RollSession::updateFilmstripThumbnail(const Uuid& id, const QImage& thumbnail, const RenderJob* developedBy,
                                           std::optional<bool> hasEdits) {
    thumbnailCache_[id] = thumbnail;
    if (developedBy)
        developedPictures_[id] = {developedBy->recipe, developedBy->subjectMask.has_value()};
    else
        developedPictures_.erase(id);
    const std::optional<std::size_t> at = positionOf(vm_.filmstripItems(), id);
    if (!at) return;
    std::vector<FilmstripItem> items = vm_.filmstripItems();
    items[*at].thumbnail = thumbnail;
    if (hasEdits) items[*at].hasEdits = *hasEdits;
    vm_.setFilmstripItems(std::move(items));
}

void RollSession::keepPreviewAsThumbnail(const Uuid& id, const QImage& preview) {
    developedPictures_[id] = {vm_.parameters(), masks_.holds(id)};
    const QSize size = developedThumbnailSize(preview.width(), preview.height());
    if (preview.size() == size) {
        thumbnailCache_[id] = preview;
        return;
    }
    // A quick cut to a few times the size, then a smooth scale: a full-size
    // smooth scale of a large scan would stall the window, and the cache must
    // not keep a full-size bitmap per frame.
    QImage rough = preview;
    if (preview.width() > 4 * size.width())
        rough = preview.scaled(size * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    thumbnailCache_[id] = rough.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void RollSession::cacheProxyThumbnail(const LoadedPhoto& photo) {
    const Uuid id = frameID(photo);
    if (thumbnailCache_.count(id)) return;
    if (vm_.selectedPhotoID() == id && vm_.isPreviewOf(id)) return;
    QImage picture = services_.render->proxyThumbnail(photo, ThumbnailLoop::kThumbnailSize);
    if (!picture.isNull()) thumbnailCache_[id] = std::move(picture);
}

ThumbnailLoop::Need RollSession::pictureNeed(const LoadedPhoto& photo) {
    const Uuid id = frameID(photo);
    ThumbnailLoop::Need need;
    const auto recipe = inMemoryRecipes_.find(id);
    // The frame on screen has its picture from its own render.
    if (recipe != inMemoryRecipes_.end() && vm_.selectedPhotoID() != id &&
        !recipe->second.sameContent(EditParameters::defaultValue())) {
        const auto picture = developedPictures_.find(id);
        const bool shown = picture != developedPictures_.end() && picture->second.first.sameContent(recipe->second) &&
                           (picture->second.second || recipe->second.subjectMask.isIdentity() || !masks_.holds(id));
        if (shown) return need;
        RenderJob job{photo, recipe->second};
        job.useProxy = job.passing = job.wantsThumbnail = true;
        job.maxPixelSize = ThumbnailLoop::kDevelopedSourceSize;
        // Without the subject grade until its mask is found again (refreshPictures then).
        masks_.forRender(job, SubjectMasks::Urgency::background);
        need.developed = std::move(job);
        return need;
    }
    need.plain = photo.fileURL() && !thumbnailCache_.count(id);
    return need;
}

void RollSession::generateThumbnails(const std::vector<LoadedPhoto>& photos) {
    if (!thumbnailLoop_) {
        thumbnailLoop_ = std::make_unique<ThumbnailLoop>(
            services_.render, [this](const LoadedPhoto& photo) { return pictureNeed(photo); },
            [this](const Uuid& id, const QImage& picture, const RenderJob* developedBy) {
                if (!developedBy) {
                    // A developed thumbnail published while this one was being made is
                    // newer and shows the recipe: the undeveloped scan does not replace it.
                    if (!thumbnailCache_.count(id)) updateFilmstripThumbnail(id, picture);
                    return;
                }
                // Only while it still shows the frame's recipe, and never over the current frame's own.
                const auto kept = inMemoryRecipes_.find(id);
                if (vm_.selectedPhotoID() == id || kept == inMemoryRecipes_.end() ||
                    !kept->second.sameContent(developedBy->recipe))
                    return;
                updateFilmstripThumbnail(id, picture, developedBy);
            });
    }
    thumbnailLoop_->start(photos);
}

void RollSession::refreshPictures(const std::vector<LoadedPhoto>& frames) {
    if (thumbnailLoop_) thumbnailLoop_->again(frames);
}

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

std::string RollSession::SaveTarget::key() const {
    static const char* const kinds[] = {"recipe:", "snapshots:", "culling:"};
    return kinds[int(kind)] + (frame.file ? frame.file->string() : "sample:" + frame.id.toString());
}

std::filesystem::path RollSession::SaveTarget::roll() const {
    if (!frame.file) return {};
    return KeptRollFolders::rollKey(kind == SaveKind::culling ? *frame.file : frame.file->parent_path());
}

EditParameters RollSession::keptRecipe(const LoadedPhoto& photo) const {
    if (const auto kept = inMemoryRecipes_.find(frameID(photo)); kept != inMemoryRecipes_.end()) return kept->second;
    return services_.store->loadRecipe(FrameKey::of(photo)).value_or(EditParameters::defaultValue());
}

std::optional<EditParameters> RollSession::latestRecipe(const LoadedPhoto& photo) {
    const Uuid id = frameID(photo);
    const FrameKey key = FrameKey::of(photo);
    const auto kept = inMemoryRecipes_.find(id);
    // An edit of this program's own, saved or not yet: it is the newer one.
    if (kept != inMemoryRecipes_.end() &&
        (differsFromStored(id, kept->second) || unsavedValue({SaveKind::recipe, key})))
        return kept->second;
    const std::optional<EditParameters> onDisk = readStoredRecipe(photo);
    if (onDisk && (kept == inMemoryRecipes_.end() || differsFromStored(id, *onDisk))) {
        storedRecipes_[id] = *onDisk;
        inMemoryRecipes_[id] = *onDisk;
    }
    const auto now = inMemoryRecipes_.find(id);
    if (now == inMemoryRecipes_.end()) return std::nullopt;
    return now->second;
}

std::optional<EditParameters> RollSession::readStoredRecipe(const LoadedPhoto& photo) {
    const FrameKey key = FrameKey::of(photo);
    std::optional<EditParameters> stored = services_.store->loadRecipe(key);
    if (!stored && services_.store->hasRecipe(key))
        unreadableRecipes_.insert(frameID(photo));
    else
        unreadableRecipes_.erase(frameID(photo));
    return stored;
}

bool RollSession::isRecipeUnreadable(const LoadedPhoto& photo) const {
    return unreadableRecipes_.count(frameID(photo)) > 0;
}

bool RollSession::differsFromStored(const Uuid& id, const EditParameters& recipe) const {
    const auto stored = storedRecipes_.find(id);
    return !recipe.sameContent(stored != storedRecipes_.end() ? stored->second : EditParameters::defaultValue());
}

std::vector<SnapshotItem> RollSession::storedSnapshots(const LoadedPhoto& photo) {
    if (const SavedValue* unsaved = unsavedValue({SaveKind::snapshots, FrameKey::of(photo)}))
        return std::get<std::vector<SnapshotItem>>(*unsaved);
    std::vector<SnapshotItem> stored = services_.store->loadSnapshots(FrameKey::of(photo));
    storedSnapshots_[frameID(photo)] = stored;
    return stored;
}

void RollSession::persistRecipe(SaveTiming timing) {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return;
    const Uuid id = frameID(*photo);
    inMemoryRecipes_[id] = vm_.parameters();

    // One delayed save serves all frames; another frame's waiting edit is
    // written rather than dropped.
    if (pendingSave_ && frameID(pendingSave_->photo) != id) flushPendingSave();

    if (timing == SaveTiming::now || !differsFromStored(id, vm_.parameters())) {
        saveTimer_.stop();
        pendingSave_.reset();
        if (differsFromStored(id, vm_.parameters())) writeRecipe(*photo, vm_.parameters());
    } else {
        pendingSave_ = PendingSave{*photo, vm_.parameters()};
        saveTimer_.start();
    }
}

void RollSession::flushPendingSave() {
    saveTimer_.stop();
    if (!pendingSave_) return;
    const PendingSave save = std::move(*pendingSave_);
    pendingSave_.reset();
    if (differsFromStored(frameID(save.photo), save.recipe)) writeRecipe(save.photo, save.recipe);
}

void RollSession::writeRecipe(const LoadedPhoto& photo, const EditParameters& recipe,
                              std::function<void(SaveOutcome)> then) {
    storedRecipes_[frameID(photo)] = recipe;
    unreadableRecipes_.erase(frameID(photo));  // the save keeps the unreadable file aside
    save({SaveKind::recipe, FrameKey::of(photo)}, recipe, std::move(then));
}

void RollSession::editStoredRecipes(const std::vector<LoadedPhoto>& frames,
                                    const std::function<void(EditParameters&, const LoadedPhoto&)>& change,
                                    const std::function<void(SaveOutcome)>& saved) {
    for (const LoadedPhoto& photo : frames) {
        // The latest recipe: the one in memory holds edits whose file may not be
        // written yet; a file another program changed since is read again.
        EditParameters recipe = latestRecipe(photo).value_or(EditParameters::defaultValue());
        change(recipe, photo);
        inMemoryRecipes_[frameID(photo)] = recipe;
        writeRecipe(photo, recipe, saved);
    }
    rebuildFilmstrip();
    // Their pictures show their recipes from before.
    refreshPictures(frames);
}

void RollSession::persistSnapshots() {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return;
    const auto stored = storedSnapshots_.find(frameID(*photo));
    if (stored != storedSnapshots_.end() ? stored->second == vm_.snapshots() : vm_.snapshots().empty()) return;
    storedSnapshots_[frameID(*photo)] = vm_.snapshots();
    save({SaveKind::snapshots, FrameKey::of(*photo)}, vm_.snapshots());
}

void RollSession::saveCullingDatabase() {
    // Only to the roll the records were read for: a folder that failed to open
    // must not receive the previous roll's records.
    if (!cullingDatabaseOwner_) return;
    std::optional<std::filesystem::path> folder;
    if (!cullingDatabaseOwner_->empty()) folder = *cullingDatabaseOwner_;
    // Only the frames marked here: the store merges them into the stored file.
    RollCullingDatabase marked;
    for (const Uuid& id : markedFrames_)
        if (const auto record = vm_.cullingDatabase().records.find(id); record != vm_.cullingDatabase().records.end())
            marked.records.insert(*record);
    if (marked.records.empty()) return;
    save({SaveKind::culling, {folder, {}}}, std::move(marked));
}

void RollSession::save(const SaveTarget& target, SavedValue value, std::function<void(SaveOutcome)> then) {
    SessionStorage& store = *services_.store;
    // The report carries the value, so that a save that fails everywhere keeps it.
    SessionStorage::Done done = [inbox = saveReports_, target, value, then = std::move(then)](const SaveResult& result) {
        inbox->post({target, value, result, then});
    };
    if (const auto* recipe = std::get_if<EditParameters>(&value))
        store.saveRecipe(*recipe, target.frame, std::move(done));
    else if (const auto* snapshots = std::get_if<std::vector<SnapshotItem>>(&value))
        store.saveSnapshots(*snapshots, target.frame, std::move(done));
    else if (const auto* database = std::get_if<RollCullingDatabase>(&value))
        store.saveCullingDatabase(*database, target.frame.file, std::move(done));
}

const RollSession::SavedValue* RollSession::unsavedValue(const SaveTarget& target) const {
    const auto found = unsaved_.find(target.key());
    return found == unsaved_.end() ? nullptr : &found->second.second;
}

void RollSession::takeSaveReports() {
    // Reports of one item come in the order of its saves, so the last one tells where it stands.
    for (SaveReport& report : saveReports_->take()) {
        if (report.homecoming) {
            tellConflict(report.target, report.result);
            continue;
        }
        if (report.result.outcome == SaveOutcome::failed)
            unsaved_[report.target.key()] = {report.target, std::move(report.value)};
        else
            unsaved_.erase(report.target.key());
        noteSaveOutcome(report.target.roll(), report.result);
        tellConflict(report.target, report.result);
        if (report.then) report.then(report.result.outcome);
    }
}

std::optional<std::filesystem::path> RollSession::openRollKey() const {
    if (!cullingDatabaseOwner_) return std::nullopt;
    return cullingDatabaseOwner_->empty() ? std::filesystem::path() : KeptRollFolders::rollKey(*cullingDatabaseOwner_);
}

void RollSession::noteSaveOutcome(const std::filesystem::path& roll, const SaveResult& result) {
    // Told when a roll's saves start to go elsewhere (or for another reason), not at every save.
    SaveResult& last = rollSaveOutcomes_.try_emplace(roll, SaveOutcome::written).first->second;
    if (last.outcome == result.outcome && last.cause == result.cause) return;
    const SaveOutcome before = last.outcome;
    last = result;
    // The roll can be written again: what was kept aside for it goes back beside its scans.
    if (before == SaveOutcome::keptAside && result.outcome == SaveOutcome::written && !roll.empty())
        bringKeptFilesHome(roll);
    const std::optional<LocalText> notice = savingNotice(roll, result);
    // The open roll's notice stands while its edits go elsewhere; another roll's is told once.
    if (openRollKey() != roll) {
        if (notice) status_.show(*notice);
        return;
    }
    status_.setNotice(notice);
    if (!notice && before != SaveOutcome::written)
        status_.show(roll.empty() ? L10n::text("status.editsSavedAgain")
                                  : L10n::text("status.rollWrittenAgain", folderName(roll)));
}

void RollSession::tellConflict(const SaveTarget& target, const SaveResult& result) {
    if (!result.conflictKept) return;
    const LoadedPhoto* photo = photoWithID(target.frame.id);
    const std::string title = target.frame.file ? target.frame.file->filename().string()
                              : photo          ? photo->title()
                                               : std::string();
    // The copy's whole name in the detail: the line itself may be cut.
    status_.show(L10n::text(result.conflictKeptIsOurs ? "status.recipeConflictKeptOurs" : "status.recipeConflictKept",
                            title, result.conflictKept->filename().string()),
                 L10n::text("status.recipeConflictCopy", result.conflictKept->string()));
}

void RollSession::bringKeptFilesHome(const std::filesystem::path& roll) {
    // A conflict with another program's version is told like one of a save.
    services_.store->bringKeptFilesHome(roll, [inbox = saveReports_, roll](const SaveResult& result) {
        if (!result.conflictKept) return;
        SaveReport report{{}, EditParameters::defaultValue(), result, {}, true};
        report.target.frame.file = roll / result.conflictKept->parent_path().filename();
        inbox->post(std::move(report));
    });
}

void RollSession::saveAll() {
    flushPendingSave();
    persistRecipe(SaveTiming::now);
    saveCullingDatabase();
    persistSnapshots();
    services_.store->flush();
    takeSaveReports();
    if (unsaved_.empty()) return;
    // Every save queued has reported, so each kept value is the latest of its
    // item: one more try, since the disk may have room again.
    const auto kept = unsaved_;
    for (const auto& [key, edit] : kept) save(edit.first, edit.second);
    services_.store->flush();
    takeSaveReports();
}

void RollSession::saveAllOnQuit() {
    saveAll();
    if (accessedFolder_) {
        services_.folders->stopAccessing(*accessedFolder_);
        accessedFolder_.reset();
    }
}

}  // namespace vantrel
