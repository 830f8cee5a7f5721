// vantrel-render: renders a scan with a recipe JSON file to an 8-bit Display P3 PNG, for
// measuring and for looking at results. Not installed.
//
//   vantrel-render SCAN RECIPE.json OUT.png [--proxy] [--no-crop]
//
// --proxy renders the 2560-pixel preview proxy instead of the full scan; --no-crop shows the
// whole frame as the crop tool does. Prints the render time.
#include <png.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/core/ColorProfile.h"
#include "engine/stages/DarkroomPipeline.h"
#include "engine/io/ImageLoader.h"
#include "model/EditParameters.h"

namespace {

using namespace vantrel;

struct PngFile {
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngFile() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
        if (file) std::fclose(file);
    }
};

// Straight (unpremultiplied) RGBA rows with the Display P3 profile embedded.
bool writePng(const Bitmap& bitmap, const std::filesystem::path& path) {
    std::vector<png_byte> straight(bitmap.pixels.size());
    for (std::size_t i = 0; i < bitmap.pixels.size(); i += 4) {
        const unsigned a = bitmap.pixels[i + 3];
        for (std::size_t c = 0; c < 3; ++c)
            straight[i + c] = png_byte(a == 0 ? 0 : std::min(255u, (bitmap.pixels[i + c] * 255u + a / 2) / a));
        straight[i + 3] = png_byte(a);
    }
    PngFile out;
    out.file = std::fopen(path.c_str(), "wb");
    if (!out.file) return false;
    out.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!out.png) return false;
    out.info = png_create_info_struct(out.png);
    if (!out.info) return false;
    if (setjmp(png_jmpbuf(out.png))) return false;
    png_init_io(out.png, out.file);
    png_set_IHDR(out.png, out.info, png_uint_32(bitmap.width), png_uint_32(bitmap.height), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const std::vector<std::uint8_t> icc = iccProfileBytes(bitmap.space);
    if (!icc.empty())
        png_set_iCCP(out.png, out.info, "Display P3", PNG_COMPRESSION_TYPE_BASE, icc.data(), png_uint_32(icc.size()));
    png_write_info(out.png, out.info);
    for (int y = 0; y < bitmap.height; ++y)
        png_write_row(out.png, straight.data() + std::size_t(y) * std::size_t(bitmap.width) * 4);
    png_write_end(out.png, out.info);
    return true;
}

int usage() {
    std::fprintf(stderr, "usage: vantrel-render SCAN RECIPE.json OUT.png [--proxy] [--no-crop]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> positional;
    bool proxy = false;
    Framing framing = Framing::cropped;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--proxy") proxy = true;
        else if (arg == "--no-crop") framing = Framing::uncropped;
        else if (arg.starts_with("--")) return usage();
        else positional.push_back(arg);
    }
    if (positional.size() != 3) return usage();

    EditParameters recipe;
    try {
        std::ifstream in(positional[1]);
        if (!in) {
            std::fprintf(stderr, "cannot open recipe %s\n", positional[1].c_str());
            return 1;
        }
        recipe = nlohmann::json::parse(in).get<EditParameters>();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "recipe %s is not readable: %s\n", positional[1].c_str(), e.what());
        return 1;
    }

    Image source;
    try {
        source = proxy ? ImageLoader::makeProxy(positional[0], ImageLoader::kProxyLongEdge)
                       : ImageLoader::decodeFullImage(positional[0]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "scan %s cannot be loaded: %s\n", positional[0].c_str(), e.what());
        return 1;
    }

    const DarkroomPipeline& pipeline = DarkroomPipeline::shared();
    const auto start = std::chrono::steady_clock::now();
    const auto bitmap = pipeline.makeBitmap(pipeline.render(source, recipe, std::nullopt, framing, DustView::withheld));
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (!bitmap) {
        std::fprintf(stderr, "render failed\n");
        return 1;
    }
    std::printf("%d x %d rendered in %.1f ms\n", bitmap->width, bitmap->height, ms);
    if (!writePng(*bitmap, positional[2])) {
        std::fprintf(stderr, "cannot write %s\n", positional[2].c_str());
        return 1;
    }
    return 0;
}
