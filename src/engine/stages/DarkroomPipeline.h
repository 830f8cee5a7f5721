#pragma once
// DarkroomPipeline: renders one frame's recipe onto a scan through a fixed chain of stages.
// `render` only builds a lazy image graph; pixels are computed when the result is drawn with
// the pipeline's context (`makeBitmap`, or the export writer through `context()`). Optional
// stages are left out of the graph entirely when their guard fails. Every stage that runs
// leaves its label on the result, so a render's stage trace (Image::stages,
// RenderStats::stages) lists exactly the stages that ran, in order.
//
// The pipeline is immutable after construction and takes no lock: `render` may be called from
// several threads at once, and the context is safe for concurrent use.
#include <optional>
#include <span>
#include <stop_token>
#include <string_view>

#include "engine/core/Context.h"
#include "engine/core/Image.h"
#include "engine/stages/DustVisualizationStage.h"
#include "engine/stages/GeometryStage.h"
#include "engine/stages/HistogramData.h"
#include "engine/stages/UltraHDREngine.h"
#include "model/EditParameters.h"
#include "model/ImageMetadataInfo.h"
#include "model/UltraHDRParameters.h"

namespace vantrel {

class DarkroomPipeline {
public:
    // What every stage's guard and builder may look at.
    struct StageInputs {
        const EditParameters& recipe;
        const std::optional<Image>& subjectMask;
        Framing framing = Framing::cropped;
        DustView dustView = DustView::allowed;
        BoostRange boostRange = BoostRange::screen;
        ScreenHeadroom screen{};
        const ImageMetadataInfo* metadata = nullptr;
    };

    // One row of the stage table: the label its output carries in the trace, when it runs, and
    // what it adds to the graph.
    struct Stage {
        std::string_view label;
        bool (*runs)(const StageInputs&);
        Image (*build)(const Image&, const StageInputs&);
    };

    // The one instance of the program, created on first use.
    static const DarkroomPipeline& shared();

    explicit DarkroomPipeline(ContextOptions options = {});
    DarkroomPipeline(const DarkroomPipeline&) = delete;
    DarkroomPipeline& operator=(const DarkroomPipeline&) = delete;

    // The working space is fixed: extended linear Display P3. Bitmaps are made in this space.
    OutputSpace outputColorSpace() const { return OutputSpace::displayP3; }
    const Context& context() const { return context_; }

    // The developed image (at worst the source itself). Never fails.
    //   subjectMask: the frame's subject mask when one is cached.
    //   framing: uncropped shows the whole turned and straightened frame (crop mode).
    //   dustView: withheld keeps the dust-spotting view out (exports, snapshots).
    //   boostRange: the range the highlight boost is made for; exports take the standard
    //     range, so a file never depends on the attached screen.
    //   screen: the headroom of the screen the render is shown on, for BoostRange::screen.
    //   metadata: the photo's capture data, which the watermark prints where its own fields are
    //     empty; previews and exports pass the same, so both print the same line.
    Image render(const Image& source, const EditParameters& recipe,
                 const std::optional<Image>& subjectMask = std::nullopt, Framing framing = Framing::cropped,
                 DustView dustView = DustView::allowed, BoostRange boostRange = BoostRange::screen,
                 ScreenHeadroom screen = {}, const ImageMetadataInfo* metadata = nullptr) const;

    // The histogram of a developed image (a rendered preview), measured with the pipeline's
    // context; `ultraHDR` is the recipe's boost, which adds the extended-range band.
    HistogramData computeHistogram(const Image& developed, const UltraHDRParameters& ultraHDR) const;

    // 8-bit RGBA in the output space over `rect` (the image's extent when absent). Absent for
    // an empty or infinite rectangle, when rendering fails and when stopped.
    std::optional<Bitmap> makeBitmap(const Image& image, std::optional<Rect> rect = std::nullopt,
                                     std::stop_token stop = {}) const;

    // The chain, in order.
    static std::span<const Stage> stages();

private:
    Context context_;
};

}  // namespace vantrel
