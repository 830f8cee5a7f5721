#pragma once
// Writes a rendered image to a file: the context renders it band by band in the chosen output
// space while the encoder, on a thread of its own, compresses the previous band, so rendering
// and encoding overlap and at most a few bands are held in memory. Bands are rendered at the
// height the encoder asks for and handed over with their memory, never copied. The file
// appears at the destination only when complete (ExportFile).
#include <filesystem>
#include <stop_token>

#include "engine/core/Context.h"
#include "engine/core/Image.h"
#include "services/ExportSettings.h"

namespace vantrel {

// Writes the whole extent of `image`. Throws ExportError: an empty or unbounded image before
// any file is touched, a file or encoder failure, or a stop request (the destination is then
// left as it was).
void writeImage(const Context& context, const Image& image, const ExportSettings& settings,
                const std::filesystem::path& destination, std::stop_token stop = {});

}  // namespace vantrel
