#pragma once
// The open roll behind the view model's roll operations: opening a folder or
// the sample roll (and holding the folder's access), the frames' filmstrip
// cells and thumbnails, the checked frames, the culling marks and filter, and
// each frame's records (recipe, snapshots, the roll's culling data): kept in
// memory, loaded from the store and saved to it, with the edits no place took
// kept until they can be written. The roll's lists stay the view model's
// published properties; this reads and sets them through its public surface.
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <QImage>
#include <QSettings>
#include <QTimer>

#include "engine/io/LoadedPhoto.h"
#include "model/EditParameters.h"
#include "model/PhotoCullingRecord.h"
#include "model/RollCullingDatabase.h"
#include "model/SnapshotItem.h"
#include "model/Uuid.h"
#include "services/SaveOutcome.h"
#include "viewmodel/RenderService.h"
#include "viewmodel/ThumbnailLoop.h"
#include "viewmodel/ToolMode.h"
#include "viewmodel/ViewModelServices.h"

namespace vantrel {

class DarkroomViewModel;
class StatusLine;
class SubjectMasks;
template <typename Report>
class ReportInbox;

// One cell of the filmstrip: what it shows of a frame of the roll.
struct FilmstripItem {
    Uuid id{};
    std::string title{};
    std::optional<std::filesystem::path> fileURL{};
    QImage thumbnail{};  // null until one is made
    bool is16Bit = false;
    bool hasEdits = false;
    int rating = 0;
    ColorLabel colorLabel = ColorLabel::none;
    PickStatus pickStatus = PickStatus::unflagged;
};

class RollSession {
public:
    RollSession(DarkroomViewModel& viewModel, const ViewModelServices& services, SubjectMasks& masks,
                StatusLine& status);
    // Writes a delayed save still waiting and ends the folder access still held.
    ~RollSession();

    // ---- opening (see the view model's operations of the same names)
    void restoreLastSession();
    void openFolder();
    void loadFolder(const std::filesystem::path& folder, const std::optional<std::string>& frameName);
    void loadSampleRoll(const std::optional<std::string>& frameName);
    const std::optional<std::filesystem::path>& accessedFolder() const { return accessedFolder_; }

    // ---- frames, found by identifier
    const LoadedPhoto* photoWithID(const Uuid& id) const;
    const LoadedPhoto* selectedPhoto() const;
    PhotoCullingRecord selectedCullingRecord() const;
    // The frame becomes the one remembered for the next session.
    void rememberSelection(const LoadedPhoto& photo);

    // ---- the filmstrip
    void rebuildFilmstrip();
    // The frame's filmstrip picture, developed by `developedBy` (none: the plain scan).
    void updateFilmstripThumbnail(const Uuid& id, const QImage& thumbnail, const RenderJob* developedBy = nullptr,
                                  std::optional<bool> hasEdits = {});
    // Keeps a small copy of the current frame's preview on screen as its filmstrip picture.
    void keepPreviewAsThumbnail(const Uuid& id, const QImage& preview);
    // (Re)starts the loop that makes every frame's filmstrip picture (ThumbnailLoop).
    void generateThumbnails(const std::vector<LoadedPhoto>& photos);
    // These frames' pictures are made again where they no longer show their
    // recipes (or were developed before their subject masks were found).
    void refreshPictures(const std::vector<LoadedPhoto>& frames);
    bool isGeneratingThumbnails() const { return thumbnailLoop_ && thumbnailLoop_->isRunning(); }
    bool isThumbnailLoopIdle() const { return !thumbnailLoop_ || thumbnailLoop_->isIdle(); }
    const std::map<Uuid, QImage>& thumbnailCache() const { return thumbnailCache_; }

    // ---- checked frames, culling and navigation
    void toggleChecked(const Uuid& id);
    void checkAllPhotos();
    void invertCheckedPhotos();
    std::vector<LoadedPhoto> exportTargetPhotos() const;
    std::vector<LoadedPhoto> syncTargetPhotos() const;
    void setRating(int rating);
    void setColorLabel(ColorLabel label);
    void setFlag(PickStatus status);
    // The flag on, or off when the current frame has it already.
    void toggleFlag(PickStatus status);
    void setCullingFilter(CullingFilterCriteria criteria);
    const CullingFilterCriteria& cullingFilter() const { return cullingFilter_; }
    // One step through the filmstrip as shown (+1 or -1); nothing at either end.
    void step(int direction);

    // ---- the frames' records
    // Another program may work on the same roll: a record is written only when
    // this program changed it, so what the other wrote is never overwritten by
    // what this one merely read.
    const std::map<Uuid, EditParameters>& inMemoryRecipes() const { return inMemoryRecipes_; }
    void keepRecipe(const Uuid& id, const EditParameters& recipe) { inMemoryRecipes_[id] = recipe; }
    // The frame's recipe in memory, else its stored one, else neutral.
    EditParameters keptRecipe(const LoadedPhoto& photo) const;
    // The frame's recipe in memory; read again from the store when its file
    // changed since this program read or wrote it and memory holds no edit of
    // its own. Nothing when neither memory nor the store has one.
    std::optional<EditParameters> latestRecipe(const LoadedPhoto& photo);
    // Whether the frame's stored recipe exists but could not be read when it was
    // last looked for (until this program's next save of it keeps that file aside).
    bool isRecipeUnreadable(const LoadedPhoto& photo) const;
    // The snapshots kept in memory when their save failed, else the stored ones.
    std::vector<SnapshotItem> storedSnapshots(const LoadedPhoto& photo);
    // Saves the current recipe (kept in memory first) when it differs from the
    // stored one: at once, or after a pause that the next delayed save restarts.
    void persistRecipe(SaveTiming timing);
    void flushPendingSave();
    bool hasPendingSave() const { return pendingSave_.has_value(); }
    void writeRecipe(const LoadedPhoto& photo, const EditParameters& recipe,
                     std::function<void(SaveOutcome)> then = {});
    // Changes the latest recipe of frames other than the current one (a
    // synchronisation, a late detection): kept, saved (each save's outcome to
    // `saved`), and shown in the filmstrip.
    void editStoredRecipes(const std::vector<LoadedPhoto>& frames,
                           const std::function<void(EditParameters&, const LoadedPhoto&)>& change,
                           const std::function<void(SaveOutcome)>& saved = {});
    // Saves the current frame's snapshots when they differ from the stored ones.
    void persistSnapshots();
    // Saves the culling records of the frames marked since the roll was opened.
    void saveCullingDatabase();
    void saveAll();
    void saveAllOnQuit();
    bool hasUnsavedEdits() const { return !unsaved_.empty(); }
    void takeSaveReports();

private:
    struct PendingSave {
        LoadedPhoto photo;
        EditParameters recipe;
    };
    // What one save writes: a frame's recipe or snapshots, or a roll's culling
    // records (by its folder; none for the sample roll).
    enum class SaveKind { recipe, snapshots, culling };
    struct SaveTarget {
        SaveKind kind = SaveKind::recipe;
        FrameKey frame;  // for culling records: the roll's folder as the file
        std::string key() const;
        // The roll it belongs to, as rollKey() names it; empty for the sample roll.
        std::filesystem::path roll() const;
    };
    using SavedValue = std::variant<EditParameters, std::vector<SnapshotItem>, RollCullingDatabase>;
    struct SaveReport {
        SaveTarget target;
        SavedValue value;
        SaveResult result;
        std::function<void(SaveOutcome)> then;  // on the GUI thread, once the report is taken
        bool homecoming = false;  // a kept file brought home: only a conflict is told
    };

    // Opens the folder; false when it has no frame to show (a folder without
    // any scan is then opened as an empty roll only when `showEmpty`).
    bool openFolderRoll(const std::filesystem::path& folder, const std::optional<std::string>& frameName,
                        bool showEmpty);
    // Replaces the open roll with these frames, the one named current; a
    // folder's listed scans tell the store which older files each may read,
    // and the status line names those that could not be read.
    void openRoll(std::vector<LoadedPhoto> photos, const std::optional<std::string>& frameName,
                  const std::optional<std::filesystem::path>& folder, bool granted,
                  const std::vector<std::filesystem::path>& scans = {},
                  const std::vector<std::string>& unreadable = {});
    // The outgoing roll's last edits written, its thumbnails stopped, its
    // ticks emptied and its folder's access ended (another kept when granted).
    void leaveRoll(const std::optional<std::filesystem::path>& folder, bool granted);
    // Whether the recipe differs from what the frame's file holds as far as this program knows.
    bool differsFromStored(const Uuid& id, const EditParameters& recipe) const;
    FilmstripItem makeFilmstripItem(const LoadedPhoto& photo) const;
    // What the loop is to make for the frame now.
    ThumbnailLoop::Need pictureNeed(const LoadedPhoto& photo);
    void bringKeptFilesHome(const std::filesystem::path& roll);
    void cacheProxyThumbnail(const LoadedPhoto& photo);
    // Marks the current frame's culling record (false without one), saves and shows it.
    template <typename Mark>
    bool markCurrent(void (RollCullingDatabase::*set)(Mark, const Uuid&, std::string_view), Mark mark);
    // Hands the value to the store; its report comes back through takeSaveReports().
    void save(const SaveTarget& target, SavedValue value, std::function<void(SaveOutcome)> then = {});
    // The value of the target's latest save when that save failed everywhere.
    const SavedValue* unsavedValue(const SaveTarget& target) const;
    // The stored recipe, noting a file that is there but cannot be read.
    std::optional<EditParameters> readStoredRecipe(const LoadedPhoto& photo);
    void noteSaveOutcome(const std::filesystem::path& roll, const SaveResult& result);
    void tellConflict(const SaveTarget& target, const SaveResult& result);
    // The open roll, as SaveTarget::roll() names it; none while no roll's records are read.
    std::optional<std::filesystem::path> openRollKey() const;

    DarkroomViewModel& vm_;
    const ViewModelServices& services_;
    SubjectMasks& masks_;
    StatusLine& status_;
    // The remembered session: the roll's folder and its current frame.
    std::shared_ptr<QSettings> settings_;
    CullingFilterCriteria cullingFilter_{};
    std::map<Uuid, EditParameters> inMemoryRecipes_;
    // What each frame's files hold as this program last read or wrote them
    // (no recipe: none stored, which reads as neutral), and the frames whose
    // culling marks were changed here since the roll was opened.
    std::map<Uuid, EditParameters> storedRecipes_;
    std::map<Uuid, std::vector<SnapshotItem>> storedSnapshots_;
    std::set<Uuid> markedFrames_;
    std::set<Uuid> unreadableRecipes_;
    std::map<Uuid, QImage> thumbnailCache_;
    // What each developed picture of the cache was made from: the recipe, and whether with the subject mask.
    std::map<Uuid, std::pair<EditParameters, bool>> developedPictures_;
    std::optional<std::filesystem::path> accessedFolder_;
    // Which roll the culling database was read for: none before any roll, an
    // empty path for the sample roll. Culling data is only ever written there.
    std::optional<std::filesystem::path> cullingDatabaseOwner_;
    std::optional<PendingSave> pendingSave_;
    QTimer saveTimer_;
    // Where saves went: the reports waiting for the GUI thread, the values kept
    // in memory only (by SaveTarget::key()), and per roll where its saves last
    // went, so that each change is told once.
    std::shared_ptr<ReportInbox<SaveReport>> saveReports_;
    std::map<std::string, std::pair<SaveTarget, SavedValue>> unsaved_;
    std::map<std::filesystem::path, SaveResult> rollSaveOutcomes_;
    // Last, so it stops before anything it calls back into is torn down.
    std::unique_ptr<ThumbnailLoop> thumbnailLoop_;
};

}  // namespace vantrel
