#pragma once
// The open roll behind the view model's roll operations: opening a folder or
// the sample roll (and holding the folder's access), the filmstrip's cells,
// the checked frames, the culling marks and filter. Each frame's records and
// their saves are RollSaves' work, the cells' pictures FilmstripPictures'.
// The roll's lists stay the view model's published properties; this reads
// and sets them through its public surface.
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <QImage>
#include <QSettings>

#include "engine/io/LoadedPhoto.h"
#include "model/EditParameters.h"
#include "model/PhotoCullingRecord.h"
#include "model/RollCullingDatabase.h"
#include "model/SnapshotItem.h"
#include "model/Uuid.h"
#include "services/SaveOutcome.h"
#include "viewmodel/FilmstripPictures.h"
#include "viewmodel/RenderService.h"
#include "viewmodel/RollSaves.h"
#include "viewmodel/ToolMode.h"
#include "viewmodel/ViewModelServices.h"

namespace vantrel {

class DarkroomViewModel;
class StatusLine;
class SubjectMasks;

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
    bool isGeneratingThumbnails() const { return pictures_.isRunning(); }
    bool isThumbnailLoopIdle() const { return pictures_.isIdle(); }
    const std::map<Uuid, QImage>& thumbnailCache() const { return pictures_.cache(); }

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

    // ---- the frames' records (RollSaves)
    const std::map<Uuid, EditParameters>& inMemoryRecipes() const { return saves_.inMemoryRecipes(); }
    void keepRecipe(const Uuid& id, const EditParameters& recipe) { saves_.keepRecipe(id, recipe); }
    EditParameters keptRecipe(const LoadedPhoto& photo) const { return saves_.keptRecipe(photo); }
    std::optional<EditParameters> latestRecipe(const LoadedPhoto& photo) { return saves_.latestRecipe(photo); }
    bool isRecipeUnreadable(const LoadedPhoto& photo) const { return saves_.isRecipeUnreadable(photo); }
    std::vector<SnapshotItem> storedSnapshots(const LoadedPhoto& photo) { return saves_.storedSnapshots(photo); }
    // Saves the current recipe (kept in memory first) when it differs from the
    // stored one: at once, or after a pause that the next delayed save restarts.
    void persistRecipe(SaveTiming timing);
    void flushPendingSave() { saves_.flushPendingSave(); }
    bool hasPendingSave() const { return saves_.hasPendingSave(); }
    void writeRecipe(const LoadedPhoto& photo, const EditParameters& recipe,
                     std::function<void(SaveOutcome)> then = {}) {
        saves_.writeRecipe(photo, recipe, std::move(then));
    }
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
    bool hasUnsavedEdits() const { return saves_.hasUnsavedEdits(); }

private:
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
    FilmstripItem makeFilmstripItem(const LoadedPhoto& photo) const;
    // Shows the frame's picture in its cell, when the cell is shown.
    void showInCell(const Uuid& id, const QImage& picture, std::optional<bool> hasEdits = {});
    // Marks the current frame's culling record (false without one), saves and shows it.
    template <typename Mark>
    bool markCurrent(void (RollCullingDatabase::*set)(Mark, const Uuid&, std::string_view), Mark mark);
    // Another program's fields taken in by a save of the frame: shown where the frame is.
    void takeIn(const Uuid& id, const EditParameters& saved, const EditParameters& merged);

    DarkroomViewModel& vm_;
    const ViewModelServices& services_;
    StatusLine& status_;
    // The remembered session: the roll's folder and its current frame.
    std::shared_ptr<QSettings> settings_;
    CullingFilterCriteria cullingFilter_{};
    // The frames whose culling marks were changed here since the roll was opened.
    std::set<Uuid> markedFrames_;
    std::optional<std::filesystem::path> accessedFolder_;
    // Taken in while the current frame was being dragged: shown at the drag's end.
    struct TakenIn {
        Uuid frame;
        EditParameters saved;
        EditParameters merged;
    };
    std::optional<TakenIn> waitingTakenIn_;
    RollSaves saves_;
    // Last, so its thumbnail loop stops before anything it calls back into is torn down.
    FilmstripPictures pictures_;
};

}  // namespace vantrel
