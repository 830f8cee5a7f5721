// vantrel-inspect SCAN...: prints one JSON object per scan with what the loader makes of it
// (the photo's fields, its metadata, the decoded full and proxy sizes) or the error it reports.
// Exits 0 when every scan loaded and decoded, 1 otherwise.
#include <nlohmann/json.hpp>

#include <iostream>

#include "engine/io/ImageLoader.h"
#include "engine/io/LoadError.h"

using nlohmann::json;
using namespace vantrel;

namespace {

json optionalText(const std::optional<std::string>& text) { return text ? json(*text) : json(nullptr); }

json metadataJson(const ImageMetadataInfo& m) {
    return {{"cameraMake", optionalText(m.cameraMake)},
            {"cameraModel", optionalText(m.cameraModel)},
            {"lensModel", optionalText(m.lensModel)},
            {"focalLength", optionalText(m.focalLength)},
            {"aperture", optionalText(m.aperture)},
            {"shutterSpeed", optionalText(m.shutterSpeed)},
            {"iso", optionalText(m.iso)},
            {"exposureBias", optionalText(m.exposureBias)},
            {"pixelWidth", m.pixelWidth},
            {"pixelHeight", m.pixelHeight},
            {"bitDepth", m.bitDepth},
            {"colorProfile", m.colorProfile},
            {"fileSizeFormatted", optionalText(m.fileSizeFormatted)},
            {"captureDate", optionalText(m.captureDate)},
            {"fileType", optionalText(m.fileType)}};
}

json errorJson(const LoadError& e) {
    return {{"domain", e.domain()}, {"code", e.code()}, {"description", e.description()}};
}

json sizeJson(const Image& image) { return {{"width", image.extent().width}, {"height", image.extent().height}}; }

// Runs one decode; its size, or the error it raised (then `ok` turns false).
template <typename F>
json decoded(F&& decode, bool& ok) {
    try {
        return sizeJson(decode());
    } catch (const LoadError& e) {
        ok = false;
        return {{"error", errorJson(e)}};
    } catch (const std::exception& e) {
        ok = false;
        return {{"error", errorJson(LoadError(LoadError::kUndecodable, e.what()))}};
    }
}

bool inspect(const std::filesystem::path& path) {
    json out = {{"file", path.string()}};
    bool ok = true;
    try {
        const LoadedPhoto photo = ImageLoader::loadPhoto(path);
        out["title"] = photo.title();
        out["dimensions"] = {{"width", photo.dimensions().width}, {"height", photo.dimensions().height}};
        out["is16Bit"] = photo.is16Bit();
        out["colorSpaceName"] = photo.colorSpaceName();
        out["metadata"] = metadataJson(photo.metadata());
        out["full"] = decoded([&] { return ImageLoader::decodeFullImage(path); }, ok);
        out["proxy"] = decoded([&] { return ImageLoader::makeProxy(path, ImageLoader::kProxyLongEdge); }, ok);
    } catch (const LoadError& e) {
        ok = false;
        out["error"] = errorJson(e);
    } catch (const std::exception& e) {
        ok = false;
        out["error"] = errorJson(LoadError(LoadError::kUnreadable, e.what()));
    }
    out["loaded"] = ok;
    std::cout << out.dump() << '\n';
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: vantrel-inspect SCAN...\n";
        return 1;
    }
    bool all = true;
    for (int i = 1; i < argc; ++i) all = inspect(argv[i]) && all;
    return all ? 0 : 1;
}
