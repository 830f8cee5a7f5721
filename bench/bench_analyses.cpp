// Speed of the image analyses on a 2560-pixel proxy: horizon levelling,
// subject segmentation (both including the render of their reduced copy) and
// the spot-source search behind a healing click; and subject detection on a
// full 24-megapixel frame with a person in it, as an export asks for it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <numbers>
#include <random>
#include <vector>

#include <unistd.h>

#include <opencv2/imgproc.hpp>

#include "engine/core/Context.h"
#include "engine/analysis/horizon/HorizonDetector.h"
#include "engine/core/Image.h"
#include "engine/analysis/SpotSamplingEngine.h"
#include "engine/analysis/subject/FaceFinder.h"
#include "engine/analysis/subject/SubjectModels.h"
#include "engine/analysis/subject/SubjectSegmentationEngine.h"

#include "../tests/common/PortraitScene.h"
#include "ProcessCpu.h"

namespace {

using namespace vantrel;

constexpr int kProxyWidth = 2560, kProxyHeight = 1707;

// A proxy-sized scene: a horizon tilted by 2 degrees over a mottled ground,
// with a warm disc standing out as the subject.
cv::Mat proxyScene() {
    cv::Mat coarse(kProxyHeight / 40, kProxyWidth / 40, CV_32FC3);
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    for (int y = 0; y < coarse.rows; ++y)
        for (int x = 0; x < coarse.cols; ++x) {
            const float t = u(rng), l = 0.6f + 0.6f * u(rng);
            coarse.at<cv::Vec3f>(y, x) = cv::Vec3f((60 + 50 * t) * l, (90 + 20 * t) * l, (40 + 20 * t) * l);
        }
    cv::Mat ground;
    cv::resize(coarse, ground, cv::Size(kProxyWidth, kProxyHeight), 0, 0, cv::INTER_CUBIC);
    const double t = 2.0 * std::numbers::pi / 180.0;
    cv::Mat rgba(kProxyHeight, kProxyWidth, CV_8UC4);
    for (int y = 0; y < kProxyHeight; ++y)
        for (int x = 0; x < kProxyWidth; ++x) {
            const double px = x + 0.5 - kProxyWidth / 2.0, py = kProxyHeight / 2.0 - (y + 0.5);
            const double v = -std::sin(t) * px + std::cos(t) * py;
            const double sky = std::clamp(0.5 + v, 0.0, 1.0);
            const cv::Vec3f g = ground.at<cv::Vec3f>(y, x);
            const cv::Vec3f c = g * float(1.0 - sky) + cv::Vec3f(170, 190, 225) * float(sky);
            rgba.at<cv::Vec4b>(y, x) = cv::Vec4b(cv::saturate_cast<std::uint8_t>(c[0]), cv::saturate_cast<std::uint8_t>(c[1]),
                                                 cv::saturate_cast<std::uint8_t>(c[2]), 255);
        }
    cv::circle(rgba, {1500, 1200}, 350, cv::Scalar(235, 150, 40, 255), cv::FILLED, cv::LINE_AA);
    return rgba;
}

const cv::Mat& scene() {
    static const cv::Mat s = proxyScene();
    return s;
}

Image imageOf(const cv::Mat& s) {
    SourcePixels p = SourcePixels::allocate(s.cols, s.rows, 4, SampleType::uint8);
    for (int y = 0; y < s.rows; ++y) std::memcpy(p.mutableRow(y), s.ptr(y), std::size_t(s.cols) * 4);
    return Image::fromPixels(std::move(p));
}

Image sceneImage() { return imageOf(scene()); }

void BM_HorizonProxy(benchmark::State& state) {
    const Image frame = sceneImage();
    for (auto _ : state) {
        auto angle = HorizonDetector::detectHorizonAngle(frame).get();
        if (!angle) state.SkipWithError("no horizon found");
        benchmark::DoNotOptimize(angle);
    }
}
BENCHMARK(BM_HorizonProxy)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SegmentationProxy(benchmark::State& state) {
    const Image frame = sceneImage();
    for (auto _ : state) {
        auto mask = SubjectSegmentationEngine::shared().generateMask(frame).get();
        if (!mask) state.SkipWithError("no subject found");
        benchmark::DoNotOptimize(mask);
    }
}
BENCHMARK(BM_SegmentationProxy)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 6000 x 4000 portrait: one person in a white shirt before sunlit leaves.
double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    double pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void BM_SubjectDetect(benchmark::State& state) {
    const cv::Size size(6000, 4000);
    cv::Mat pixels = testing::mottledGround(size, 5, true);
    testing::drawPerson(pixels, {2900, 1500}, 800, {235, 235, 230, 255});
    cv::Mat rgb;
    cv::cvtColor(pixels, rgb, cv::COLOR_RGBA2RGB);
    cv::resize(rgb, rgb, SubjectSegmentationEngine::workingSize(size.width, size.height), 0, 0, cv::INTER_AREA);
    if (CascadeFaceFinder::shared().find(rgb).size() != 1) {
        state.SkipWithError("the face cascades do not find the one face");
        return;
    }
    const Image frame = imageOf(pixels);
    pixels.release();
    // What loading the trained networks (on first use) and a first pass of each adds to the
    // process's resident memory.
    const double before = residentMegabytes();
    if (!subject::SubjectModels::shared().available()) {
        state.SkipWithError("the subject models are missing");
        return;
    }
    state.counters["models_MB"] = residentMegabytes() - before;
    // CPU time of all threads too: it says what the wall time would be on a quiet machine.
    const bench::ProcessCpuCounter cpu(state);
    for (auto _ : state) {
        auto mask = SubjectSegmentationEngine::shared().generateMask(frame).get();
        if (!mask) state.SkipWithError("no subject found");
        benchmark::DoNotOptimize(mask);
    }
}
BENCHMARK(BM_SubjectDetect)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(3);

void BM_SpotSearch(benchmark::State& state) {
    const cv::Mat& s = scene();
    Bitmap bitmap{s.cols, s.rows, OutputSpace::sRGB, OutputPixels<std::uint8_t>(s.datastart, s.dataend)};
    const std::vector<SpotSamplingEngine::Spot> spots = {{{0.3, 0.6}, 0.01}, {{0.52, 0.48}, 0.02}};
    // A small dust spot and a large blemish (whose region is reduced to 256 pixels).
    const double radius = state.range(0) / 1000.0;
    for (auto _ : state) {
        auto offset = SpotSamplingEngine::findBestSource(0.5, 0.5, radius, &bitmap, spots);
        benchmark::DoNotOptimize(offset);
    }
}
BENCHMARK(BM_SpotSearch)->Arg(8)->Arg(150)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
