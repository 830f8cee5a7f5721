// vantrel-horizon: how well automatic levelling does on real photographs. Not installed;
// `make quality` feeds it a set of level photographs.
//
//   vantrel-horizon PHOTO[@ANGLE]... [--shore PHOTO[@ANGLE]...] [--receding PHOTO[@ANGLE]...] [--none PHOTO...]
//                   [--floor PHOTO[@ANGLE[:HORIZON:VANISH]]...]
//
// Each photograph is loaded as the editor loads a scan and measured on its 2560-pixel proxy,
// once level and once turned by each of a set of known angles with the geometry stage's own
// straightening. ANGLE is the straightening that levels the photograph itself (measured by hand
// on its horizon; 0 when left out). A turned frame counts as found when the angle reported lies
// within 0.5 degrees of the straightening that undoes the turn; a level frame counts as level
// when the report looks level (under half a degree, which the window calls level) or is nothing. Also shown: how often the reading on a turned frame follows
// the turn from the level frame's reading, whatever that was (the detector's consistency, not
// its accuracy). Photographs after --receding hold long straight lines that are not level
// (receding boards, a bridge's deck, cloud streaks) under a soft horizon: "nothing" is a fair
// answer there, so they are tallied apart. A reading more than 1.5 degrees from the truth, on any
// frame, turns it visibly the wrong way and is counted as wrong. Photographs after --none hold no
// horizon and no verticals to level on (a wood's leaning trunks): any reading there, level or
// turned, levels the frame on something that is not level, and is counted apart. Prints one row
// per photograph and the shares; exits 1 when either of the first two shares is below 90 %, any
// reading is wrong or a frame without a horizon is read, 2 when a photograph cannot be read.
//
// Photographs after --shore hold a shoreline and its reflection in still water: measured as the
// first group is and tallied apart; their shares are shown, and only a wrong reading among them
// fails the run. An argument there may be PHOTO@ANGLE:SHORE, a frame composed
// from a photograph without water: turned by ANGLE (its level), its part below SHORE of the
// height from the top replaced by a lake mirroring the part above, darker and rippled. The
// water's level is the frame's, whatever the photograph's own lines say.
//
// Photographs after --floor hold a floor, a road or rails receding under a soft horizon; there a
// reading must lie within 1.5 degrees and half the turned frames within 0.5. An argument there may
// be PHOTO@ANGLE:HORIZON:VANISH, a frame composed from a level photograph: turned by ANGLE, its
// far part softened, a sharp plank floor laid in perspective over its lower part, the boards
// receding to a point on the horizon (which crosses the centre column HORIZON of the height from
// the top) VANISH of the width from the left.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <opencv2/imgproc.hpp>

#include "engine/analysis/AnalysisRaster.h"
#include "engine/analysis/horizon/HorizonDetector.h"
#include "engine/io/ImageLoader.h"
#include "engine/stages/GeometryStage.h"

namespace {

using namespace vantrel;

// Known turns, counter-clockwise positive as the straighten angle counts them; both signs,
// small and large, none a whole number of degrees.
constexpr double kTurns[] = {-4.6, -3.3, -1.8, -0.7, 0.6, 1.9, 3.2, 4.7};
constexpr double kTolerance = 0.5;
// A reading this far from the truth turns the frame visibly the wrong way:
// worse than no reading at all.
constexpr double kWrong = 1.5;
constexpr double kTarget = 0.9;

struct Tally {
    int turned = 0, turnedFound = 0, level = 0, levelKept = 0, followed = 0, readings = 0, wrong = 0;
    double seconds = 0;
    int runs = 0;
};

std::optional<double> measure(const Image& frame, Tally& tally) {
    const auto start = std::chrono::steady_clock::now();
    const std::optional<double> angle = HorizonDetector::detectHorizonAngle(frame).get();
    tally.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++tally.runs;
    return angle;
}

// A frame of the floor group: `level`, a photograph levelled by hand whose soft horizon crosses
// the centre column `horizon` of the height from the top, softened as a lens focused near draws
// the far shore, under a sharp plank floor in perspective laid over its lower part. The boards
// run away to a vanishing point on the horizon `vanish` of the width from the left; the deck ends
// in a line receding to the ground's other vanishing point, so no edge of the floor is level.
Image composeDeck(const Image& level, double horizon, double vanish) {
    const Rect e = level.extent();
    const cv::Size size(int(e.width), int(e.height));
    const std::optional<cv::Mat> photo = analysis::renderReduced(level, size, OutputSpace::sRGB);
    if (!photo) return Image();
    cv::Mat frame;
    cv::GaussianBlur(*photo, frame, cv::Size(0, 0), size.width / 600.0);
    // Camera one unit above the ground, focal length the frame's width; boards 0.15 units wide.
    const double w = size.width, h = size.height, cx = w / 2, yh = horizon * h, f = w, board = 0.15;
    const double yaw = std::atan2(vanish * w - cx, f), c = std::cos(yaw), s = std::sin(yaw);
    const double end = c * f / (0.35 * (h - yh));  // the deck's end crosses the centre column there
    for (int y = int(yh + 0.35 * (h - yh)) - 2; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            cv::Vec3d sum(0, 0, 0);
            int on = 0;
            for (int k = 0; k < 4; ++k) {  // 2 x 2 samples: seams and the deck's end antialiased
                const double z = f / (y + 0.25 + 0.5 * (k / 2) - yh), gx = (x + 0.25 + 0.5 * (k % 2) - cx) * z / f;
                const double along = gx * s + z * c, across = (gx * c - z * s) / board;
                if (along > end) continue;
                const double n = std::floor(across), t = across - n;
                const double hash = std::abs(std::sin(n * 12.9898) * 43758.5453), shade = 0.8 + 0.4 * (hash - std::floor(hash));
                const double grain = 1.0 + 0.12 * std::sin(2 * CV_PI * (9 * t + hash) + 0.8 * std::sin(along * 0.9 + n));
                const double tone = (t < 0.06 ? 0.25 : shade * grain) * (0.75 + 0.25 * std::min(1.0, z / 8));
                sum += cv::Vec3d(180, 128, 84) * tone;
                ++on;
            }
            if (on == 0) continue;
            cv::Vec4f& p = frame.at<cv::Vec4f>(y, x);
            for (int i = 0; i < 3; ++i) p[i] = float(p[i] * (4 - on) / 4 + sum[i] / 4);
        }
    SourcePixels pixels = SourcePixels::allocate(size.width, size.height, 4, SampleType::uint8);
    for (int y = 0; y < size.height; ++y) {
        const cv::Mat row(1, size.width, CV_8UC4, pixels.mutableRow(y));
        frame.row(y).convertTo(row, CV_8UC4);
    }
    return Image::fromPixels(std::move(pixels));
}

// A frame of the shore group: `level`, a photograph levelled by hand, its part below `shore` of
// the height from the top replaced by still water mirroring the part above it, darker, with
// ripples that break the reflection into streaks, growing towards the camera.
Image composeLake(const Image& level, double shore) {
    const Rect e = level.extent();
    const cv::Size size(int(e.width), int(e.height));
    const std::optional<cv::Mat> photo = analysis::renderReduced(level, size, OutputSpace::sRGB);
    if (!photo) return Image();
    cv::Mat frame = photo->clone();
    const double w = size.width, line = shore * size.height;
    for (int y = int(std::ceil(line)); y < size.height; ++y) {
        const double depth = y + 0.5 - line;
        for (int x = 0; x < size.width; ++x) {
            const double u = x / w * 1000.0, d = depth / w * 1000.0;  // in thousandths of the width
            const double wave = std::sin(u * 0.045 + 2.5 * std::sin(d * 0.31)) * std::sin(d * 0.57 + 0.011 * u);
            const double from = std::clamp(line - depth - (0.4 + 0.03 * d) * wave * w / 1000.0, 0.0, size.height - 1.001);
            const int r = int(from);
            const double f = from - r;
            const cv::Vec4f a = photo->at<cv::Vec4f>(r, x), b = photo->at<cv::Vec4f>(r + 1, x);
            cv::Vec4f& p = frame.at<cv::Vec4f>(y, x);
            for (int i = 0; i < 3; ++i) p[i] = float(0.7 * (a[i] * (1 - f) + b[i] * f) + 12.0);
        }
    }
    SourcePixels pixels = SourcePixels::allocate(size.width, size.height, 4, SampleType::uint8);
    for (int y = 0; y < size.height; ++y) {
        const cv::Mat row(1, size.width, CV_8UC4, pixels.mutableRow(y));
        frame.row(y).convertTo(row, CV_8UC4);
    }
    return Image::fromPixels(std::move(pixels));
}

std::string shown(const std::optional<double>& angle) {
    if (!angle) return "-";
    char text[16];
    std::snprintf(text, sizeof text, "%+.1f", *angle);
    return text;
}

void printShare(const char* what, int good, int all) {
    std::printf("%-34s %4d / %-4d %5.1f %%\n", what, good, all, all ? 100.0 * good / all : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vantrel-horizon PHOTO...\n");
        return 2;
    }
    Tally tallies[5];
    Tally* group = &tallies[0];
    std::printf("%-34s %6s", "photograph", "level");
    for (double turn : kTurns) std::printf(" %6.1f", turn);
    std::printf("   (angle reported; * = off by more than %.1f)\n", kTolerance);
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--receding") {
            group = &tallies[1];
            std::printf("%s\n", "receding lines under a soft horizon:");
            continue;
        }
        if (argument == "--none") {
            group = &tallies[2];
            std::printf("%s\n", "no horizon (a frame counts when read nothing):");
            continue;
        }
        if (argument == "--shore") {
            group = &tallies[4];
            std::printf("%s\n", "shorelines and their reflections:");
            continue;
        }
        if (argument == "--floor") {
            group = &tallies[3];
            std::printf("%s\n", "floors receding under a soft horizon:");
            continue;
        }
        Tally& tally = *group;
        double correction = 0, horizon = 0, vanish = 0;
        bool deck = false, lake = false;
        if (const auto at = argument.rfind('@'); at != std::string::npos) {
            const int numbers = std::sscanf(argument.c_str() + at + 1, "%lf:%lf:%lf", &correction, &horizon, &vanish);
            deck = numbers == 3 && group == &tallies[3];
            lake = numbers == 2 && group == &tallies[4];
            correction = std::atof(argument.c_str() + at + 1);
            argument.resize(at);
        }
        const std::filesystem::path path = argument;
        Image proxy;
        try {
            proxy = ImageLoader::loadPhoto(path).proxyImage();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), e.what());
            return 2;
        }
        if (proxy.extent().isEmpty()) {
            std::fprintf(stderr, "%s: cannot be decoded\n", path.c_str());
            return 2;
        }
        std::string name = path.stem().string();
        if (deck) {
            CropParameters levelled;
            levelled.straightenAngle = correction;
            proxy = composeDeck(applyGeometry(proxy, levelled, Framing::cropped), horizon, vanish);
            if (proxy.extent().isEmpty()) {
                std::fprintf(stderr, "%s: cannot be composed\n", path.c_str());
                return 2;
            }
            correction = 0;
            char where[16];
            std::snprintf(where, sizeof where, " + deck %+.1f", vanish);
            name += where;
        }
        if (lake) {
            CropParameters levelled;
            levelled.straightenAngle = correction;
            proxy = composeLake(applyGeometry(proxy, levelled, Framing::cropped), horizon);
            if (proxy.extent().isEmpty()) {
                std::fprintf(stderr, "%s: cannot be composed\n", path.c_str());
                return 2;
            }
            correction = 0;
            name += " + lake";
        }
        if (name.size() > 34) name.resize(34);

        CropParameters levelled;
        levelled.straightenAngle = correction;
        std::optional<double> level = measure(applyGeometry(proxy, levelled, Framing::cropped), tally);
        // As the window takes it: a reading that looks level turns nothing.
        if (level && HorizonDetector::looksLevel(*level)) level = 0.0;
        // Without a horizon only "nothing" is right.
        const bool open = group == &tallies[2];
        const bool kept = !level || (*level == 0.0 && !open);
        tally.readings += level.has_value();
        tally.wrong += level && std::abs(*level) > kWrong + 1e-9;
        ++tally.level;
        tally.levelKept += kept;
        std::printf("%-34s %5s%s", name.c_str(), shown(level).c_str(), kept ? " " : "*");

        for (double turn : kTurns) {
            CropParameters crop;
            crop.straightenAngle = correction + turn;
            const std::optional<double> angle = measure(applyGeometry(proxy, crop, Framing::cropped), tally);
            // Straightening by the reported angle must undo the turn.
            const bool found = open ? !angle : angle && std::abs(*angle + turn) <= kTolerance + 1e-9;
            tally.readings += angle.has_value();
            tally.wrong += angle && std::abs(*angle + turn) > kWrong + 1e-9;
            ++tally.turned;
            tally.turnedFound += found;
            tally.followed += angle && std::abs(*angle + turn - level.value_or(0.0)) <= kTolerance + 1e-9;
            std::printf(" %5s%s", shown(angle).c_str(), found ? " " : "*");
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    std::printf("\n");
    const Tally& tally = tallies[0];
    const Tally& receding = tallies[1];
    const Tally& none = tallies[2];
    const Tally& floor = tallies[3];
    const Tally& shore = tallies[4];
    printShare("turned frames within 0.5 degrees", tally.turnedFound, tally.turned);
    printShare("level frames reported level", tally.levelKept, tally.level);
    printShare("turned frames following the turn", tally.followed, tally.turned);
    if (shore.level) {
        printShare("shores: turned within 0.5", shore.turnedFound, shore.turned);
        printShare("shores: level reported level", shore.levelKept, shore.level);
    }
    if (receding.level) {
        printShare("receding: turned within 0.5", receding.turnedFound, receding.turned);
        printShare("receding: level reported level", receding.levelKept, receding.level);
    }
    if (floor.level) {
        printShare("floors: turned within 0.5", floor.turnedFound, floor.turned);
        printShare("floors: readings more than 1.5 off", floor.wrong, floor.readings);
    }
    const int wrong = tally.wrong + receding.wrong + floor.wrong + shore.wrong;
    const int readings = tally.readings + receding.readings + floor.readings + shore.readings;
    printShare("readings more than 1.5 degrees off", wrong, readings);
    if (none.level) printShare("no horizon: frames read nothing", none.level + none.turned - none.readings, none.level + none.turned);
    int runs = 0;
    double seconds = 0;
    for (const Tally& t : tallies) {
        runs += t.runs;
        seconds += t.seconds;
    }
    std::printf("%-34s %.0f ms a frame\n", "mean detection time", runs ? 1000.0 * seconds / runs : 0.0);
    const bool met = tally.turnedFound >= kTarget * tally.turned && tally.levelKept >= kTarget * tally.level && wrong == 0 && none.readings == 0 &&
                     2 * floor.turnedFound >= floor.turned;
    return met ? 0 : 1;
}
