#pragma once
// The engine side of the view model: reading scans, the sample roll, and
// rendering one job (developed preview, histogram, undeveloped preview,
// filmstrip thumbnail) on a worker thread. The application passes
// EngineRenderService; tests pass a fake.
#include <array>
#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include <QImage>
#include <QRect>

#include "engine/core/Image.h"
#include "engine/io/LoadedPhoto.h"
#include "engine/stages/DustVisualizationStage.h"
#include "engine/stages/GeometryStage.h"
#include "model/EditParameters.h"
#include "model/ScreenHeadroom.h"
#include "model/Uuid.h"
#include "services/LocalText.h"
#include "engine/stages/HistogramData.h"

namespace vantrel {

// A frame's identifier: its text form parsed (the nil identifier when it is none).
inline Uuid frameIdOf(const LoadedPhoto& photo) { return Uuid::parse(photo.id()).value_or(Uuid()); }

// A part of the frame, for a zoomed canvas: `rect` in the pixels of the frame as
// a whole-frame full-resolution render shows it (top-left origin), rendered from
// the full scan at `scale` (at most 1; below it the scan is scaled first, so
// radius-type effects shrink with it as they do on the proxy).
struct FrameRegion {
    QRect rect;
    double scale = 1;
};

// Everything a render needs, captured by value when it is requested: the job
// reads nothing else from the view model.
struct RenderJob {
    LoadedPhoto photo;
    EditParameters recipe;
    std::optional<Image> subjectMask{};
    Framing framing = Framing::cropped;     // uncropped: the whole frame (crop mode)
    DustView dustView = DustView::withheld;  // allowed: the recipe's dust-spotting aid (retouch mode)
    ScreenHeadroom screen{};                 // what the highlight boost is made for
    // The tools' modes: the picture their overlays edit, without the film frame's
    // border and watermark, so the overlays' units match what is shown.
    bool omitsFilmFrame = false;
    bool useProxy = false;        // the 2560-pixel proxy instead of the full scan
    // A picture made in the background (a filmstrip thumbnail): the proxy when
    // it is at hand, else a copy of the scan decoded at maxPixelSize for it
    // alone, so that the caches keep what the frame on screen renders from.
    bool passing = false;
    // With the proxy: its long edge scaled down to at most this many pixels
    // (the canvas's own size at fit); 0 keeps the proxy's.
    int maxPixelSize = 0;
    // Only this part of the frame, from the full scan: the preview alone (no
    // histogram, undeveloped preview or thumbnail).
    std::optional<FrameRegion> region{};
    bool needsOriginal = false;   // also make the undeveloped preview
    bool wantsHistogram = false;
    bool wantsThumbnail = false;  // a developed thumbnail, at most 240 pixels
};

// How the frame a job's preview shows lies on its scan: the turns, flips,
// straightening and crop it was rendered with, and whether the film frame's
// border was left out. The tools' overlays place their marks in units of that
// frame, so a mark lands where it is seen only on a preview of the geometry the
// recipe and mode give now. In crop mode the whole frame is shown: its crop
// rectangle does not count, nor its straightening (which keeps the frame's
// shape, and which the crop grid follows live while the angle is dragged).
struct FrameGeometry {
    CropParameters crop;
    bool uncropped = false;
    bool omitsFilmFrame = false;

    static FrameGeometry of(const RenderJob& job) {
        FrameGeometry geometry{job.recipe.crop, job.framing == Framing::uncropped, job.omitsFilmFrame};
        geometry.crop.aspectRatio = CropAspectRatio::free;  // a choice of the crop bar, not of the frame
        if (geometry.uncropped) {
            geometry.crop.rect = NormalizedRect::full();
            geometry.crop.straightenAngle = 0;
        }
        return geometry;
    }
    bool operator==(const FrameGeometry&) const = default;
};

// The undeveloped preview a render last made, and what it was made for: it is
// made again only for another frame, crop or crop mode.
struct OriginalPreview {
    std::optional<Uuid> frame;
    CropParameters crop;
    Framing framing = Framing::cropped;
    QImage image;

    bool isNeededFor(const RenderJob& job) const {
        return image.isNull() || frame != frameIdOf(job.photo) || !(crop == job.recipe.crop) || framing != job.framing;
    }
};

struct RenderResult {
    QImage preview;                          // null when no bitmap could be made
    // The size of the frame the preview shows, in the scan's full-resolution
    // pixels (a proxy render is scaled up): turned, straightened, cropped (unless
    // cropping) and framed as rendered. Empty when unknown.
    QSize frameSize;
    // Where the photo lies in that frame, in fractions of it: inside the film
    // frame's border when one is drawn, else the whole frame.
    QRectF photoArea{0, 0, 1, 1};
    // For a region render: the part of the frame the preview covers, in the same
    // full-resolution pixels as frameSize (the requested one within the frame).
    QRectF region;
    std::optional<HistogramData> histogram;  // when asked for
    QImage original;                         // null unless asked for and made
    QImage thumbnail;                        // null unless asked for and made
    // Set when the scan could not be read or decoded: why, for the user (nothing else is set).
    std::optional<LocalText> loadError;
    // With the undeveloped preview: the scan file's data stops early, so only part of the picture is shown.
    bool scanEndsEarly = false;
};

class RenderService {
public:
    virtual ~RenderService() = default;

    // Called on a worker thread; the scan is read here, never on the GUI thread.
    // Nothing when `stop` was requested at any point before the result is complete.
    virtual std::optional<RenderResult> render(const RenderJob& job, std::stop_token stop) = 0;

    // The header facts of a scan file; nothing when it is not a readable scan.
    // Several scans may be read at once, from worker threads.
    virtual std::optional<LoadedPhoto> loadPhoto(const std::filesystem::path& file) = 0;

    // The three frames of the built-in sample roll, with these identifiers.
    virtual std::vector<LoadedPhoto> makeSampleRoll(const std::array<Uuid, 3>& ids) = 0;

    // An undeveloped, upright thumbnail of a scan file, its long edge at most
    // `maxPixelSize`, decoded at reduced size; null when the file cannot be read.
    // Called on a low-priority worker thread. By default: none.
    virtual QImage thumbnail(const std::filesystem::path& /*file*/, int /*maxPixelSize*/) { return {}; }

    // An undeveloped picture of a frame's proxy image at most `maxPixelSize` on
    // its long edge: the filmstrip picture of a frame without a file. Called on
    // the GUI thread. By default: none.
    virtual QImage proxyThumbnail(const LoadedPhoto& /*photo*/, int /*maxPixelSize*/) { return {}; }
};

// The thumbnail size of a developed image w × h: scaled to at most 240 pixels
// on its long side, never enlarged, rounded outward.
QSize developedThumbnailSize(int width, int height);

}  // namespace vantrel
