#include "services/ExportEngine.h"

#include "engine/stages/DarkroomPipeline.h"
#include "engine/analysis/subject/SubjectSegmentationEngine.h"
#include "services/ExportWriter.h"

namespace vantrel::ExportEngine {

Services Services::shared() {
    Services s;
    const DarkroomPipeline& pipeline = DarkroomPipeline::shared();
    s.render = [&pipeline](const Image& source, const EditParameters& recipe, const std::optional<Image>& mask,
                           Framing framing, DustView dustView, const ImageMetadataInfo* metadata) {
        // Files never depend on the attached screen: the boost stays within standard range.
        return pipeline.render(source, recipe, mask, framing, dustView, BoostRange::standard, {}, metadata);
    };
    s.generateMask = [](const Image& full) { return SubjectSegmentationEngine::shared().generateMask(full).get(); };
    s.context = &pipeline.context();
    return s;
}

bool needsSubjectMask(const EditParameters& recipe) {
    return recipe.subjectMask.isEnabled && recipe.subjectMask.hasDetectedSubject;
}

void exportImage(const LoadedPhoto& photo, const EditParameters& recipe, const ExportSettings& settings,
                 const std::optional<Image>& subjectMask, const std::filesystem::path& destination,
                 std::stop_token stop) {
    exportImage(photo, recipe, settings, subjectMask, destination, std::move(stop), Services::shared());
}

void exportImage(const LoadedPhoto& photo, const EditParameters& recipe, const ExportSettings& settings,
                 const std::optional<Image>& subjectMask, const std::filesystem::path& destination,
                 std::stop_token stop, const Services& services) {
    const Image full = photo.fullImage();
    // An unreadable scan decodes to the empty image: say so before anything is written.
    if (full.isEmpty())
        throw ExportError(ExportError::kEditorDomain, ExportError::kEmptyRender,
                          "The photo could not be rendered: the scan \u201C" + photo.title() +
                              "\u201D is missing or unreadable.");

    try {
        std::optional<Image> mask = subjectMask;
        if (!mask && needsSubjectMask(recipe) && services.generateMask) mask = services.generateMask(full);

        // The crop is applied and the dust-spotting view is never part of a file; the watermark
        // prints the line the preview shows.
        const Image developed = services.render(full, recipe, mask, Framing::cropped, DustView::withheld, &photo.metadata());
        writeImage(*services.context, developed, settings, destination, std::move(stop));
    } catch (const ExportError&) {
        throw;
    } catch (const std::exception& e) {
        // Out of memory and the like still reach the caller as an error it can show.
        throw ExportError(ExportError::kEditorDomain, ExportError::kRenderFailed,
                          std::string("The photo could not be rendered: ") + e.what());
    }
}

std::future<void> exportImageAsync(LoadedPhoto photo, EditParameters recipe, ExportSettings settings,
                                   std::optional<Image> subjectMask, std::filesystem::path destination,
                                   std::stop_token stop) {
    return std::async(std::launch::async, [photo = std::move(photo), recipe = std::move(recipe), settings,
                                           mask = std::move(subjectMask), destination = std::move(destination),
                                           stop = std::move(stop)] {
        exportImage(photo, recipe, settings, mask, destination, stop);
    });
}

}  // namespace vantrel::ExportEngine
