// Scan loading speed: proxies of 24-megapixel scans, header-only loads and filmstrip
// thumbnails of a 36-frame roll of JPEG scans and of one of uncompressed 16-bit TIFF scans.
// Inputs are written to a temporary folder on first use.
#include <benchmark/benchmark.h>
#include <tbb/parallel_for.h>

#include <mutex>

#include "../tests/common/LoaderFixtures.h"
#include "engine/io/ImageLoader.h"

using namespace vantrel;
using namespace vantrel::testing;

namespace {

constexpr int kWidth = 6000, kHeight = 4000, kRoll = 36;

// Film-like content: soft gradients plus grain, so the files compress like real scans.
std::uint32_t scanSample(int x, int y, int c, std::uint32_t maxValue, std::uint32_t noise) {
    const double base = 0.2 + 0.6 * (c == 0 ? x / double(kWidth) : c == 1 ? y / double(kHeight)
                                                                          : 0.5 + 0.4 * std::sin(x * 0.002 + y * 0.003));
    const std::uint32_t grain = (static_cast<std::uint32_t>(x * 73856093u ^ y * 19349663u ^ c * 83492791u) >> 7) % noise;
    return std::min<std::uint32_t>(maxValue, static_cast<std::uint32_t>(base * maxValue) + grain);
}

struct Inputs {
    TempDir dir;
    std::filesystem::path jpeg, tiff, rawTiff;
    std::vector<std::filesystem::path> roll, rawRoll;

    Inputs() {
        jpeg = dir / "frame.jpg";
        JpegFixture fixture;
        fixture.width = kWidth;
        fixture.height = kHeight;
        fixture.quality = 92;
        fixture.sample = [](int x, int y, int c) { return static_cast<std::uint8_t>(scanSample(x, y, c, 255, 12)); };
        writeJpeg(jpeg, fixture);
        writeExif(jpeg, {{"Exif.Image.Make", Exiv2::asciiString, "Nikon"},
                         {"Exif.Image.Model", Exiv2::asciiString, "Z 7"},
                         {"Exif.Photo.ExposureTime", Exiv2::unsignedRational, "1/125"},
                         {"Exif.Photo.FNumber", Exiv2::unsignedRational, "56/10"}});
        for (int i = 0; i < kRoll; ++i) {
            roll.push_back(dir / ("roll_" + std::to_string(i) + ".jpg"));
            std::filesystem::create_hard_link(jpeg, roll.back());
        }
        tiff = dir / "frame16.tif";
        writeTiff16(tiff, COMPRESSION_LZW);
        rawTiff = dir / "raw16.tif";
        writeTiff16(rawTiff, COMPRESSION_NONE);
        for (int i = 0; i < kRoll; ++i) {
            rawRoll.push_back(dir / ("raw_" + std::to_string(i) + ".tif"));
            std::filesystem::create_hard_link(rawTiff, rawRoll.back());
        }
    }

    // 16-bit RGB, strips of libtiff's default size; LZW with horizontal differencing, or none.
    static void writeTiff16(const std::filesystem::path& path, int compression) {
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
        if (compression == COMPRESSION_LZW) TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
        std::vector<std::uint16_t> row(static_cast<std::size_t>(kWidth) * 3);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x)
                for (int c = 0; c < 3; ++c)
                    row[static_cast<std::size_t>(x) * 3 + c] = static_cast<std::uint16_t>(scanSample(x, y, c, 65535, 3000));
            TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0);
        }
        TIFFClose(tif);
    }
};

Inputs& inputs() {
    static Inputs shared;  // written once, removed at exit
    return shared;
}

void proxyOf(benchmark::State& state, const std::filesystem::path& path) {
    for (auto _ : state) {
        ImageLoader::proxyImageCache().remove(ImageLoader::cacheKey(path));
        Image proxy = ImageLoader::makeProxy(path, ImageLoader::kProxyLongEdge);
        if (proxy.extent().width != 2560) state.SkipWithError("wrong proxy size");
        benchmark::DoNotOptimize(proxy);
    }
}

void BM_ProxyJpeg24MP(benchmark::State& state) { proxyOf(state, inputs().jpeg); }
void BM_ProxyTiff24MP(benchmark::State& state) { proxyOf(state, inputs().tiff); }

void BM_HeaderLoad36(benchmark::State& state) {
    const auto& roll = inputs().roll;
    for (auto _ : state)
        for (const auto& path : roll) benchmark::DoNotOptimize(ImageLoader::loadPhoto(path));
}

void thumbnailsOf(benchmark::State& state, const std::vector<std::filesystem::path>& roll) {
    for (auto _ : state) {
        std::atomic<int> made{0};
        tbb::parallel_for(0, static_cast<int>(roll.size()), [&](int i) {
            if (ImageLoader::thumbnail(roll[static_cast<std::size_t>(i)], ImageLoader::kThumbnailSize)) ++made;
        });
        if (made != kRoll) state.SkipWithError("thumbnail failed");
    }
}

void BM_Thumbnails36(benchmark::State& state) { thumbnailsOf(state, inputs().roll); }
void BM_ThumbnailsRawTiff36(benchmark::State& state) { thumbnailsOf(state, inputs().rawRoll); }
void BM_ProxyRawTiff24MP(benchmark::State& state) { proxyOf(state, inputs().rawTiff); }

}  // namespace

BENCHMARK(BM_ProxyJpeg24MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProxyTiff24MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeaderLoad36)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Thumbnails36)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProxyRawTiff24MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ThumbnailsRawTiff36)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
