// vantrel-horizon: how well automatic levelling does on real photographs. Not installed;
// `make quality` feeds it a set of level photographs.
//
//   vantrel-horizon PHOTO[@ANGLE]... [--receding PHOTO[@ANGLE]...]
//
// Each photograph is loaded as the editor loads a scan and measured on its 2560-pixel proxy,
// once level and once turned by each of a set of known angles with the geometry stage's own
// straightening. ANGLE is the straightening that levels the photograph itself (measured by hand
// on its horizon; 0 when left out). A turned frame counts as found when the angle reported lies
// within 0.5 degrees of the straightening that undoes the turn; a level frame counts as level
// when the report is 0 or nothing. Also shown: how often the reading on a turned frame follows
// the turn from the level frame's reading, whatever that was (the detector's consistency, not
// its accuracy). Photographs after --receding hold long straight lines that are not level
// (receding boards, a bridge's deck, cloud streaks) under a soft horizon: "nothing" is a fair
// answer there, so they are tallied apart. A reading more than 1.5 degrees from the truth, on any
// frame, turns it visibly the wrong way and is counted as wrong. Prints one row per photograph
// and the shares; exits 1 when either of the first two shares is below 90 % or any reading is
// wrong, 2 when a photograph cannot be read.
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

#include "engine/analysis/HorizonDetector.h"
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
    Tally tallies[2];
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
        Tally& tally = *group;
        double correction = 0;
        if (const auto at = argument.rfind('@'); at != std::string::npos) {
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
        if (name.size() > 34) name.resize(34);

        CropParameters levelled;
        levelled.straightenAngle = correction;
        const std::optional<double> level = measure(applyGeometry(proxy, levelled, Framing::cropped), tally);
        const bool kept = !level || *level == 0.0;
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
            const bool found = angle && std::abs(*angle + turn) <= kTolerance + 1e-9;
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
    printShare("turned frames within 0.5 degrees", tally.turnedFound, tally.turned);
    printShare("level frames reported level", tally.levelKept, tally.level);
    printShare("turned frames following the turn", tally.followed, tally.turned);
    if (receding.level) {
        printShare("receding: turned within 0.5", receding.turnedFound, receding.turned);
        printShare("receding: level reported level", receding.levelKept, receding.level);
    }
    const int wrong = tally.wrong + receding.wrong, readings = tally.readings + receding.readings;
    printShare("readings more than 1.5 degrees off", wrong, readings);
    const int runs = tally.runs + receding.runs;
    std::printf("%-34s %.0f ms a frame\n", "mean detection time", runs ? 1000.0 * (tally.seconds + receding.seconds) / runs : 0.0);
    const bool met = tally.turnedFound >= kTarget * tally.turned && tally.levelKept >= kTarget * tally.level && wrong == 0;
    return met ? 0 : 1;
}
