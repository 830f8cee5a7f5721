#pragma once
// DarkroomViewModel: the one observable object behind a main window. It holds
// the open roll, the current frame and its recipe, the rendered previews and
// histogram and the state of every tool, and schedules renders and saves.
//
// Operations take their arguments by value: each emits, and some open a panel
// whose event loop runs, while the caller's list (a dialog's, or one of this
// object's own published lists) may be replaced or deleted meanwhile.
//
// It lives on the GUI thread and is used from there only. Every assignment to a
// published property emits that property's change signal and then
// stateChanged(), even when the value did not change, so a window can redraw
// on either. Renders run on worker threads and are published back on the GUI
// thread only while they are still the latest of their kind.
#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <vector>

#include <QImage>
#include <QObject>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QThreadPool>

#include "engine/core/Image.h"
#include "engine/io/LoadedPhoto.h"
#include "model/BatchSyncOptions.h"
#include "model/EditParameters.h"
#include "model/PhotoCullingRecord.h"
#include "model/RollCullingDatabase.h"
#include "model/SnapshotItem.h"
#include "model/Uuid.h"
#include "services/ExportSettings.h"
#include "services/FilmPreset.h"
#include "services/LocalText.h"
#include "model/Binding.h"
#include "model/CompareMode.h"
#include "viewmodel/ExportController.h"
#include "viewmodel/GeometryFollower.h"
#include "viewmodel/Published.h"
#include "viewmodel/RenderScheduler.h"
#include "viewmodel/RollSession.h"
#include "viewmodel/SharpRegion.h"
#include "viewmodel/SubjectMasks.h"
#include "viewmodel/SpotHistory.h"
#include "viewmodel/StatusLine.h"
#include "viewmodel/TaskHandle.h"
#include "engine/stages/HistogramData.h"
#include "viewmodel/ToolMode.h"
#include "viewmodel/ViewModelServices.h"
#include "viewmodel/ZoomControl.h"

namespace vantrel {

class DarkroomViewModel final : public QObject {
    Q_OBJECT

public:
    // Sets every initial value, loads the custom recipes, then restores the last session.
    explicit DarkroomViewModel(ViewModelServices services, QObject* parent = nullptr);
    // Ends the folder access still held; waits for running renders to stop.
    ~DarkroomViewModel() override;

    // The fixed identifiers of the built-in sample roll's three frames.
    static const std::array<Uuid, 3>& sampleRollPhotoIDs();
    // A frame's identifier (its text form parsed).
    static Uuid frameID(const LoadedPhoto& photo) { return frameIdOf(photo); }

    // ---- session and roll (RollSession does the work)
    // Asks for a folder and opens it.
    void openFolder() { roll_.openFolder(); }
    void loadFolder(std::filesystem::path folder, std::optional<std::string> frameName = std::nullopt) {
        roll_.loadFolder(folder, frameName);
    }
    void loadSampleRoll(std::optional<std::string> frameName = std::nullopt) { roll_.loadSampleRoll(frameName); }

    // ---- frames
    const LoadedPhoto* selectedPhoto() const { return roll_.selectedPhoto(); }
    const LoadedPhoto* photoWithID(const Uuid& id) const { return roll_.photoWithID(id); }
    PhotoCullingRecord selectedCullingRecord() const { return roll_.selectedCullingRecord(); }
    const SnapshotItem* activeComparisonSnapshot() const;
    void selectPhoto(Uuid id);
    // Shows the selected frame: its recipe, its snapshots and a render; with
    // none selected (an empty roll), no picture at all.
    void loadSelectedPhoto();
    // True while renderedPreview shows this frame: after a switch of frame or
    // roll it still shows the previous one until the new render is published.
    bool isPreviewOf(const Uuid& frame) const { return !renderedPreview_.isNull() && renderedPreviewPhotoID_ == frame; }

    // ---- rendering
    // Keeps and saves the recipe (a final request at once, else after a pause),
    // then renders it (see RenderQuality).
    void requestRender(RenderQuality quality);
    // The one way an operation edits the recipe: `change` applied to a copy of
    // it, published, then requestRender(quality).
    void editRecipe(const std::function<void(EditParameters&)>& change,
                    RenderQuality quality = RenderQuality::final);
    void beginInteraction() { setIsInteracting(true); }
    void endInteraction();

    // ---- persistence
    // The current frame's snapshots, as stored (the comparison follows them).
    void loadSnapshots();
    // Current recipe, culling data and snapshots, then every edit whose save
    // failed before once more; waits for the store. Safe to call more than once.
    void saveAll() { roll_.saveAll(); }
    // saveAll(), then the roll folder's access ends. Safe to call more than once
    // (window close, quit, signals).
    void saveAllOnQuit() { roll_.saveAllOnQuit(); }
    // Edits that neither the roll's folder nor the data folder took: they live in
    // memory only (and are read from there when their frame or roll comes back).
    bool hasUnsavedEdits() const { return roll_.hasUnsavedEdits(); }

    // ---- roll: thumbnails, checked frames, synchronisation, culling and navigation
    //      (RollSession, DarkroomViewModelSync.cpp)
    // (Re)starts the loop that makes these frames' filmstrip pictures, one at a
    // time: developed where their recipes have edits, else undeveloped (320 pixels).
    void generateThumbnails(const std::vector<LoadedPhoto>& photos) { roll_.generateThumbnails(photos); }
    bool isGeneratingThumbnails() const { return roll_.isGeneratingThumbnails(); }

    void toggleChecked(Uuid id) { roll_.toggleChecked(id); }
    bool isChecked(const Uuid& id) const { return checkedPhotoIDs_.count(id) > 0; }
    void checkAllPhotos() { roll_.checkAllPhotos(); }
    void uncheckAllPhotos() { setCheckedPhotoIDs({}); }
    void invertCheckedPhotos() { roll_.invertCheckedPhotos(); }
    // The checked frames in roll order, else the current frame alone.
    std::vector<LoadedPhoto> exportTargetPhotos() const { return roll_.exportTargetPhotos(); }
    void presentBatchSyncSheet() { setIsShowingBatchSyncSheet(true); }
    // The checked frames, else every frame, in roll order; never the current one.
    std::vector<LoadedPhoto> syncTargetPhotos() const { return roll_.syncTargetPhotos(); }
    // Copies the groups chosen in batchSyncOptions from the current recipe onto
    // each target's latest recipe and saves the targets at once.
    void syncRecipeToRoll();

    // Marks of the current frame; each is saved at once and rebuilds the filmstrip.
    void setRating(int rating) { roll_.setRating(rating); }
    void setColorLabel(ColorLabel label) { roll_.setColorLabel(label); }
    void setFlag(PickStatus status) { roll_.setFlag(status); }
    void togglePick() { roll_.toggleFlag(PickStatus::picked); }
    void toggleReject() { roll_.toggleFlag(PickStatus::rejected); }
    // Published too (cullingFilterChanged): rebuilds the filmstrip and keeps a shown frame current.
    const CullingFilterCriteria& cullingFilter() const { return roll_.cullingFilter(); }
    void setCullingFilter(CullingFilterCriteria criteria) { roll_.setCullingFilter(std::move(criteria)); }
    // Step through the filmstrip as shown; nothing at either end.
    void selectNextPhoto() { roll_.step(+1); }
    void selectPreviousPhoto() { roll_.step(-1); }

    // ---- bindings for the views (a getter returning T or const T&, and its setter)
    template <typename Get, typename T>
    Binding<T> binding(Get get, void (DarkroomViewModel::*set)(T)) {
        return Binding<T>([this, get] { return T((this->*get)()); }, [this, set](const T& v) { (this->*set)(v); });
    }
    // The one way a view binds to a part of the recipe: a write publishes a copy of the recipe
    // with that part changed, and nothing at all when the part is unchanged. It never renders:
    // the window asks for renders from the views' change reports.
    template <typename M>
    Binding<M> recipeBinding(M EditParameters::*member) {
        return recipeBinding<M>([member](const EditParameters& p) -> const M& { return p.*member; },
                                [member](EditParameters& p, const M& value) { p.*member = value; });
    }
    template <typename M, typename Read, typename Write>
    Binding<M> recipeBinding(Read read, Write write) {
        return Binding<M>([this, read] { return M(read(parameters_)); },
                          [this, read, write](const M& value) {
                              if (read(parameters_) == value) return;
                              EditParameters recipe = parameters_;
                              write(recipe, value);
                              setParameters(std::move(recipe));
                          });
    }

    // ---- bookkeeping the tests and the window may read
    const std::map<Uuid, EditParameters>& inMemoryRecipes() const { return roll_.inMemoryRecipes(); }
    const std::map<Uuid, QImage>& thumbnailCache() const { return roll_.thumbnailCache(); }
    // The frames' subject masks: held, being found again, or known to have none.
    const SubjectMasks& subjectMasks() const { return subjectMasks_; }
    const std::optional<std::filesystem::path>& accessedFolder() const { return roll_.accessedFolder(); }
    // The file panels it asks and where they open (the window's own panels use them too).
    const std::shared_ptr<FileDialogs>& fileDialogs() const { return services_.dialogs; }
    const std::shared_ptr<PanelFolders>& panelFolders() const { return services_.panelFolders; }
    bool hasPendingSave() const { return roll_.hasPendingSave(); }
    // Nothing is under way or waiting for a pause: no render, thumbnail, analysis,
    // export, save or zoom animation. Results already handed to the GUI thread may
    // still be queued there.
    bool isIdle() const;

    // ---- recipes, geometry, masks, retouching, zoom, snapshots and export
    //      (DarkroomViewModelRecipes.cpp, ...Tools.cpp,
    //       ...Snapshots.cpp; ZoomControl, ExportController)
    // Film recipes keep the frame's crop, healing, masks, subject mask and
    // negative conversion wherever the recipe leaves them at their defaults.
    void applyPreset(FilmPreset preset);
    // Nothing when the recipe was stored, else why it could not be (the status
    // line says so too).
    std::optional<std::string> saveCustomPreset(std::string name, std::string subtitle, bool includeFrame);
    // Deletes the row's own recipe file (two files may hold one identifier).
    void deleteCustomPreset(FilmPreset preset);
    void revealPresetsFolder();
    bool exportRecipe(std::string id, std::filesystem::path destination);
    void importRecipe(std::filesystem::path file);
    // The clipboard holds the whole recipe, in memory only.
    void copyParameters();
    void pasteParameters();
    void resetToNeutral();

    // The tool the canvas shows: crop over retouch over mask, else viewing. The
    // toggles leave at most one of the three flags on; adding a mask (and the
    // flags set directly) turn one on beside another, which then waits beneath it.
    ToolMode toolMode() const;

    // Each toggle switches the other two modes off, then enters or leaves its own.
    void toggleCropMode();
    void saveCrop();
    // A quarter turn of the picture as seen, clockwise or counter-clockwise,
    // also when the frame is mirrored.
    void addQuarterTurn();
    void subtractQuarterTurn();
    void toggleFlipHorizontal();
    void resetCrop();
    // Measures the current frame off the GUI thread; the angle is written only
    // into the recipe of the frame it was measured on, while it is current.
    void autoLevelHorizon();

    void toggleMaskMode();
    void finishMaskEditing();
    // A new mask of the kind, placed where its kind's row puts it, named, selected, in mask mode.
    void addMask(MaskKind kind);
    void deleteSelectedMask();
    void clearAllMasks();
    // Off the GUI thread; the answer belongs to the analysed frame: its mask is
    // held for it and its recipe (saved) takes the switches, even when another
    // frame is shown by then.
    void detectSubject();
    void resetSubjectMask();

    void toggleRetouchMode();
    void saveRetouch();
    // Takes back the last change to the spots: an addition, or a deletion (the
    // spots come back where they were); with none noted, the last spot goes.
    void undoLastHealingSpot();
    bool canUndoHealingSpot() const { return spotHistory_.canUndo(parameters_.spotHealing.spots); }
    void removeSelectedHealingSpot();
    void clearAllHealingSpots();
    void toggleDustMode();

    // The pixel size of the frame on screen, in the scan's full-resolution pixels:
    // the size published with the preview (turned, straightened and cropped, with
    // the film frame outside the tools' modes, uncropped while cropping), else the
    // selected frame's dimensions; empty without a selected frame. The canvas
    // fits, and the tools' overlays place their marks, by it.
    QSize previewFrameSize() const { return zoom_.previewFrameSize(); }
    // True while renderedPreview shows the selected frame in the geometry the
    // recipe and mode give it now (see FrameGeometry): what the tools' overlays
    // may place marks on. False from a change of frame, mode, turn, flip or crop
    // (an undo, a pasted recipe) until a preview rendered for it is published.
    bool isPreviewGeometryCurrent() const;
    // The zoom factor at which one pixel of that frame covers one canvas point (at least 1).
    double actualPixelsZoomFactor() const { return zoom_.actualPixelsZoomFactor(); }
    void zoomToFit() { zoom_.zoomToFit(); }
    void zoomTo100() { zoom_.zoomTo100(); }
    void zoomTo200() { zoom_.zoomTo200(); }
    // Fit when zoomed in beyond 1.05, else actual pixels.
    void toggleZoom() { zoom_.toggleZoom(); }
    void resetZoom() { zoom_.resetZoom(); }
    void setZoom(double scale) { zoom_.setZoom(scale); }
    void toggleNavigator() { zoom_.toggleNavigator(); }
    // Moves the pan as the zoom steps do, animated (the navigator's tap).
    void panAnimated(QSizeF offset) { zoom_.panAnimated(offset); }
    // "Fit", or the magnification relative to actual pixels ("200%").
    std::string zoomLabel() const { return zoom_.zoomLabel(); }
    // True while a zoom step or panAnimated assigns zoomScale and panOffset: the canvas
    // animates those changes and follows all others at once.
    bool isZoomAnimating() const { return zoom_.isAnimating(); }

    void saveSnapshot(std::string name);
    void loadSnapshot(SnapshotItem snapshot);
    void deleteSnapshot(Uuid id);
    // Every snapshot with this identifier takes the name; the list is stored.
    void renameSnapshot(Uuid id, std::string name);
    // Starts comparing with the snapshot, or ends it when it is already compared.
    void compareWithSnapshot(SnapshotItem snapshot);
    void endSnapshotComparison();
    // Renders the compared snapshot on a worker; published while still compared.
    void refreshSnapshotComparisonPreview();

    void presentExportDialog() { setIsShowingExportDialog(true); }
    // Asks for a file and writes the frame there: the one checked frame when
    // exactly one is checked, else the current frame.
    void exportCurrentPhoto(ExportSettings settings) { exports_->exportCurrentPhoto(std::move(settings)); }
    // Asks for a file, proposing this frame's own name, and writes the frame
    // there with its own recipe (the live one when it is the current frame).
    void exportPhoto(LoadedPhoto photo, ExportSettings settings) {
        exports_->exportPhoto(std::move(photo), std::move(settings));
    }
    // Asks for a folder, then beginBatchExport.
    void startBatchExport(std::vector<LoadedPhoto> photos, ExportSettings settings) {
        exports_->startBatchExport(std::move(photos), std::move(settings));
    }
    void beginBatchExport(std::vector<LoadedPhoto> photos, std::filesystem::path folder, ExportSettings settings) {
        exports_->beginBatchExport(std::move(photos), std::move(folder), std::move(settings));
    }
    // Stops before the next frame; the frame in hand is finished.
    void cancelBatchExport() { exports_->cancelBatchExport(); }

Q_SIGNALS:
    void stateChanged();
    // The culling filter's (RollSession holds it).
    void cullingFilterChanged();

public:
    // Published state, in declaration order; a null QImage is "no bitmap".
    VANTREL_PUBLISHED(std::vector<LoadedPhoto>, photos, setPhotos){};
    VANTREL_PUBLISHED(std::optional<Uuid>, selectedPhotoID, setSelectedPhotoID){};
    VANTREL_PUBLISHED(std::set<Uuid>, checkedPhotoIDs, setCheckedPhotoIDs){};
    VANTREL_PUBLISHED(std::vector<FilmstripItem>, filmstripItems, setFilmstripItems){};
    VANTREL_PUBLISHED(RollCullingDatabase, cullingDatabase, setCullingDatabase){};
    VANTREL_PUBLISHED(std::vector<SnapshotItem>, snapshots, setSnapshots){};
    VANTREL_PUBLISHED(std::optional<Uuid>, activeComparisonSnapshotID, setActiveComparisonSnapshotID){};
    VANTREL_PUBLISHED(QImage, snapshotComparisonPreview, setSnapshotComparisonPreview){};
    VANTREL_PUBLISHED(bool, isShowingBatchSyncSheet, setIsShowingBatchSyncSheet){false};
    VANTREL_PUBLISHED(BatchSyncOptions, batchSyncOptions, setBatchSyncOptions){BatchSyncOptions::recommended()};
    VANTREL_PUBLISHED(bool, isShowingExportDialog, setIsShowingExportDialog){false};
    VANTREL_PUBLISHED(ExportSettings, exportSettings, setExportSettings){};
    VANTREL_PUBLISHED(EditParameters, parameters, setParameters){EditParameters::defaultValue()};
    // The pixel size of the frame renderedPreview shows (see previewFrameSize()),
    // published just before each preview; empty when the renderer did not say.
    VANTREL_PUBLISHED(QSize, renderedFrameSize, setRenderedFrameSize){};
    // Where the photo lies in that frame, in fractions of it: inside the film
    // frame's border, which the undeveloped preview has not.
    VANTREL_PUBLISHED(QRectF, renderedPhotoArea, setRenderedPhotoArea){0, 0, 1, 1};
    VANTREL_PUBLISHED(QImage, renderedPreview, setRenderedPreview){};
    // The visible part of a canvas zoomed past the proxy's resolution, rendered
    // from the full scan with the current recipe and shown over renderedPreview;
    // null while there is none (at fit, and from an edit until it is rendered).
    VANTREL_PUBLISHED(SharpRegion, sharpRegion, setSharpRegion){};
    // Why the current frame's scan could not be shown (the loader's description), while it cannot.
    VANTREL_PUBLISHED(std::optional<LocalText>, previewLoadError, setPreviewLoadError){};
    VANTREL_PUBLISHED(QImage, originalPreview, setOriginalPreview){};
    VANTREL_PUBLISHED(HistogramData, histogramData, setHistogramData){HistogramData::empty()};
    VANTREL_PUBLISHED(CompareMode, compareMode, setCompareMode){CompareMode::full};
    VANTREL_PUBLISHED(bool, isHoldingOriginal, setIsHoldingOriginal){false};
    VANTREL_PUBLISHED(bool, isCroppingMode, setIsCroppingMode){false};
    VANTREL_PUBLISHED(bool, isDetectingHorizon, setIsDetectingHorizon){false};
    VANTREL_PUBLISHED(bool, isRetouchMode, setIsRetouchMode){false};
    VANTREL_PUBLISHED(double, retouchBrushRadius, setRetouchBrushRadius){20.0};
    VANTREL_PUBLISHED(std::optional<Uuid>, selectedRetouchSpotID, setSelectedRetouchSpotID){};
    VANTREL_PUBLISHED(bool, isMaskMode, setIsMaskMode){false};
    VANTREL_PUBLISHED(std::optional<Uuid>, selectedMaskID, setSelectedMaskID){};
    VANTREL_PUBLISHED(bool, isDetectingSubject, setIsDetectingSubject){false};
    VANTREL_PUBLISHED(double, zoomScale, setZoomScale){1.0};
    VANTREL_PUBLISHED(QSizeF, panOffset, setPanOffset){0, 0};
    VANTREL_PUBLISHED(bool, isNavigatorVisible, setIsNavigatorVisible){false};
    VANTREL_PUBLISHED(bool, isInfoMatrixVisible, setIsInfoMatrixVisible){true};
    VANTREL_PUBLISHED(QSizeF, canvasViewportSize, setCanvasViewportSize){1000, 700};
    // Device pixels per canvas point: renders for the canvas hold as many pixels as it shows.
    VANTREL_PUBLISHED(double, canvasDevicePixelRatio, setCanvasDevicePixelRatio){1.0};
    VANTREL_PUBLISHED(std::vector<FilmPreset>, presets, setPresets){};
    VANTREL_PUBLISHED(std::vector<FilmPreset>, customPresets, setCustomPresets){};
    VANTREL_PUBLISHED(std::optional<std::string>, activePresetID, setActivePresetID){"neutral"};
    VANTREL_PUBLISHED(bool, isShowingSavePresetSheet, setIsShowingSavePresetSheet){false};
    VANTREL_PUBLISHED(std::optional<std::filesystem::path>, currentFolderURL, setCurrentFolderURL){};

Q_SIGNALS:
    void statusMessageChanged();

public:
    // The status line (StatusLine): its message, the detail its tooltip adds, its resting text.
    const StatusLine& status() const { return status_; }
    std::string statusMessage() const { return status_.text().str(); }
    void setStatusMessage(LocalText text, LocalText detail = {}) { status_.show(std::move(text), std::move(detail)); }

    VANTREL_PUBLISHED(bool, isExporting, setIsExporting){false};
    VANTREL_PUBLISHED(std::optional<LocalText>, exportAlertMessage, setExportAlertMessage){};
    // The alert tells of a failure (some frames or the file not written), not only of success.
    VANTREL_PUBLISHED(bool, exportAlertIsWarning, setExportAlertIsWarning){false};
    VANTREL_PUBLISHED(bool, isBatchExporting, setIsBatchExporting){false};
    VANTREL_PUBLISHED(double, batchExportProgress, setBatchExportProgress){0};
    VANTREL_PUBLISHED(std::string, batchExportCurrentItem, setBatchExportCurrentItem){};
    VANTREL_PUBLISHED(int, batchExportTotalCount, setBatchExportTotalCount){0};
    VANTREL_PUBLISHED(int, batchExportCompletedCount, setBatchExportCompletedCount){0};
    VANTREL_PUBLISHED(bool, isInteracting, setIsInteracting){false};

private:
    // Shows a finished render of the current frame (RenderScheduler's latest).
    void publishRender(const RenderJob& job, RenderResult result);
    // The current frame's scan cannot be shown: no picture, the reason in the canvas and the status line.
    void showLoadError(const LoadedPhoto& photo, const LocalText& error);
    void showNoFrame();

    // ---- recipes, geometry, masks, retouching, zoom, snapshots and export
    // Switches off every tool mode but `kept` (what each toggle does first).
    void leaveToolsBut(ToolMode kept);
    // Ends a hold of the original when the canvas changes tool: it belongs to
    // the view it was made in.
    void followToolMode();
    ToolMode shownToolMode_ = ToolMode::viewing;
    void applyHorizonAngle(const Uuid& frame, std::optional<double> angle);
    void applySubjectMask(const Uuid& frame, std::optional<Image> mask, bool distinct);
    // The job's subject mask (SubjectMasks::forRender, the frame on screen); while it is
    // being found again the status line says so, over the frame's own news only.
    void takeSubjectMask(RenderJob& job);
    // A mask found again: the frame is rendered with it where it shows.
    void subjectMaskSettled(const Uuid& frame, bool found);

    QThreadPool editPool_;  // analyses and exports
    std::stop_source editShutdown_;
    TaskHandle comparisonTask_;
    int horizonDetectionsRunning_ = 0;
    int subjectDetectionsRunning_ = 0;
    SpotHistory spotHistory_;  // what the retouch Undo takes back
    GeometryFollower geometryFollower_;  // the frame's spots and masks stay on its scan

    ViewModelServices services_;
    StatusLine status_{[this] { Q_EMIT statusMessageChanged(); Q_EMIT stateChanged(); },
                       services_.timings.noticeReturn};
    std::unique_ptr<ExportController> exports_;
    ZoomControl zoom_{*this, status_};
    QThreadPool renderPool_;

    // ---- the sharp region of a zoomed canvas
    void connectSharpRegion();
    // The render job of the current frame with the current recipe and modes.
    RenderJob renderJobFor(const LoadedPhoto& photo) const;
    CanvasView canvasView() const;
    std::optional<FrameRegion> wantedSharpRegion() const;
    // The scan's long edge for an interactive render at fit; 0: the proxy's.
    int interactiveRenderSize() const;
    // An edit or another frame: the region shown no longer matches.
    void dropSharpRegion();
    // Renders the region `job`'s recipe wants (when one is), then runs `then`.
    void renderSharpRegionThen(const RenderJob& job, std::function<void()> then);
    // Zoom, pan or canvas size changed: a region covering the new view, after a pause.
    void followCanvas();
    std::unique_ptr<SharpRegionScheduler> sharpRegions_;
    std::optional<FrameRegion> shownRegionRequest_;

    std::optional<EditParameters> copiedParameters_;
    std::optional<ImageMetadataInfo> copiedFromCapture_;  // the capture data of the frame copied
    std::unique_ptr<RenderScheduler> renders_;
    OriginalPreview cachedOriginal_;
    SubjectMasks subjectMasks_{services_.analysis};
    // The frame renderedPreview was rendered for (see isPreviewOf()).
    std::optional<Uuid> renderedPreviewPhotoID_;
    // The geometry renderedPreview was rendered in (with renderedPreviewPhotoID_).
    std::optional<FrameGeometry> renderedGeometry_;
    // The frame whose scan was last told to be incomplete (once per showing).
    std::optional<Uuid> toldIncompleteScan_;
    // Last, so that its thumbnail loop stops before anything it calls back into is torn down.
    RollSession roll_{*this, services_, subjectMasks_, status_};
};

}  // namespace vantrel
