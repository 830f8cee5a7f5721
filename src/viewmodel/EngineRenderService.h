#pragma once
// The render service of the application: scans through the image loader,
// recipes through the darkroom pipeline, previews encoded for an sRGB monitor
// (desktop windows are not colour-managed; exports choose their own space).
#include "engine/core/ScaledImageCache.h"
#include "engine/stages/DarkroomPipeline.h"
#include "viewmodel/RenderService.h"

namespace vantrel {

class EngineRenderService final : public RenderService {
public:
    explicit EngineRenderService(const DarkroomPipeline& pipeline = DarkroomPipeline::shared());

    std::optional<RenderResult> render(const RenderJob& job, std::stop_token stop) override;
    std::optional<LoadedPhoto> loadPhoto(const std::filesystem::path& file) override;
    std::vector<LoadedPhoto> makeSampleRoll(const std::array<Uuid, 3>& ids) override;
    QImage thumbnail(const std::filesystem::path& file, int maxPixelSize) override;
    QImage proxyThumbnail(const LoadedPhoto& photo, int maxPixelSize) override;

private:
    // `rect` (of the image's plane) only, when given.
    QImage preview(const Image& image, std::stop_token stop, std::optional<Rect> rect = std::nullopt) const;
    // The job's recipe on `source` (without the film frame when the job leaves it out).
    Image develop(const Image& source, const RenderJob& job) const;
    // A job with a region: that part of the frame only, from `scan` (the full scan).
    std::optional<RenderResult> renderRegion(const Image& scan, const RenderJob& job, std::stop_token stop) const;

    const DarkroomPipeline& pipeline_;
    // The proxy scaled to the canvas's size at fit, for the next render of the same size.
    // Two are kept: the frame size measured from each render rounds, so the size asked for
    // while a slider moves may alternate by a pixel.
    ScaledImageCache scaledProxies_{2};
};

}  // namespace vantrel
