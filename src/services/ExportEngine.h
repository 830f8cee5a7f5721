#pragma once
// The export writer: renders one frame's recipe onto its full-resolution scan with the shared
// darkroom pipeline and writes the result as JPEG, 16-bit TIFF or 8-bit PNG in Display P3 or
// sRGB, with the matching ICC profile and nothing else (no metadata, no gain map).
//
// (`export` itself is a reserved word in C++, hence `exportImage`.)
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <stop_token>

#include "engine/core/Context.h"
#include "engine/core/Image.h"
#include "engine/io/LoadedPhoto.h"
#include "engine/stages/DustVisualizationStage.h"
#include "engine/stages/GeometryStage.h"
#include "model/EditParameters.h"
#include "services/ExportError.h"
#include "services/ExportSettings.h"

namespace vantrel {

namespace ExportEngine {

// What an export uses from the engine. The defaults are the shared pipeline (rendering with its
// own context) and the shared subject segmentation; tests put their own in.
struct Services {
    // The developed image: source, recipe, subject mask, framing, dust view and the photo's
    // capture data (for the watermark).
    std::function<Image(const Image&, const EditParameters&, const std::optional<Image>&, Framing, DustView,
                        const ImageMetadataInfo*)>
        render;
    // A subject mask for the full image, or nothing when no subject stands out.
    std::function<std::optional<Image>(const Image&)> generateMask;
    const Context* context = nullptr;

    static Services shared();
};

// True when the recipe grades a detected subject, so an export without a cached mask needs one.
bool needsSubjectMask(const EditParameters& recipe);

// Renders and writes; blocks until the file is complete. The subject mask is the one the
// caller holds for this photo; when there is none and the recipe needs one, it is generated
// from the full image for this export only. Throws ExportError: an empty render (an unreadable
// scan) before any file is opened; a file or encoder failure, or a stop request, leaving the
// destination as it was.
void exportImage(const LoadedPhoto& photo, const EditParameters& recipe, const ExportSettings& settings,
                 const std::optional<Image>& subjectMask, const std::filesystem::path& destination,
                 std::stop_token stop = {});
void exportImage(const LoadedPhoto& photo, const EditParameters& recipe, const ExportSettings& settings,
                 const std::optional<Image>& subjectMask, const std::filesystem::path& destination,
                 std::stop_token stop, const Services& services);

// The same on a thread of its own; the future rethrows the ExportError.
std::future<void> exportImageAsync(LoadedPhoto photo, EditParameters recipe, ExportSettings settings,
                                   std::optional<Image> subjectMask, std::filesystem::path destination,
                                   std::stop_token stop = {});

}  // namespace ExportEngine

}  // namespace vantrel
