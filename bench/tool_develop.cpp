// vantrel-develop SCAN RECIPE.json OUT [--format jpeg|tiff|png] [--quality Q] [--srgb] [--phases]
// Develops one scan with a recipe file into an export file through the export writer, the way
// the application exports a frame (full resolution, crop applied). For side-by-side timing
// against other developers (bench/peers/). Exits 0 on success, 1 with the error on stderr.
// --phases prints, on stderr, the time of decoding, of rendering alone (an extra render whose
// pixels are dropped) and of the export itself.
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "engine/stages/DarkroomPipeline.h"
#include "engine/io/ImageLoader.h"
#include "engine/io/LoadError.h"
#include "model/EditParameters.h"
#include "model/Json.h"
#include "services/ExportEngine.h"

using namespace vantrel;

namespace {

int usage() {
    std::cerr << "usage: vantrel-develop SCAN RECIPE.json OUT [--format jpeg|tiff|png] [--quality Q] [--srgb]\n";
    return 2;
}

EditParameters readRecipe(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the recipe " + path);
    std::stringstream text;
    text << in.rdbuf();
    return parseJson(text.str()).get<EditParameters>();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return usage();
    const std::string scan = argv[1], recipePath = argv[2], out = argv[3];
    ExportSettings settings;
    bool phases = false;
    for (int i = 4; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--format" && i + 1 < argc) {
            const std::string f = argv[++i];
            if (f == "jpeg" || f == "jpg") settings.format = ExportFormat::jpeg;
            else if (f == "tiff" || f == "tif") settings.format = ExportFormat::tiff;
            else if (f == "png") settings.format = ExportFormat::png;
            else return usage();
        } else if (arg == "--quality" && i + 1 < argc) {
            char* end = nullptr;
            settings.jpegQuality = std::strtod(argv[++i], &end);
            if (!end || *end) return usage();
        } else if (arg == "--srgb") {
            settings.useDisplayP3 = false;
        } else if (arg == "--phases") {
            phases = true;
        } else {
            return usage();
        }
    }
    try {
        const EditParameters recipe = readRecipe(recipePath);
        using Clock = std::chrono::steady_clock;
        auto seconds = [](Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); };
        const auto start = Clock::now();
        const LoadedPhoto photo = ImageLoader::loadPhoto(scan);
        if (phases) {
            auto t = Clock::now();
            const Image full = photo.fullImage();  // decoded once, then served from the cache
            std::cerr << "decode " << seconds(t) << " s\n";
            const DarkroomPipeline& pipeline = DarkroomPipeline::shared();
            const Image developed = pipeline.render(full, recipe, std::nullopt, Framing::cropped, DustView::withheld);
            t = Clock::now();
            pipeline.context().renderStrips(developed, developed.extent(), PixelFormat::rgba8, 128,
                                            [](const Strip&) { return true; });
            std::cerr << "render only " << seconds(t) << " s\n";
        }
        const auto exportStart = Clock::now();
        ExportEngine::exportImage(photo, recipe, settings, std::nullopt, out);
        if (phases) std::cerr << "export " << seconds(exportStart) << " s, total " << seconds(start) << " s\n";
    } catch (const ExportError& e) {
        std::cerr << "vantrel-develop: export failed (" << e.domain() << " " << e.code() << "): " << e.description() << "\n";
        return 1;
    } catch (const LoadError& e) {
        std::cerr << "vantrel-develop: " << e.description() << " (" << e.detail() << ")\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "vantrel-develop: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
