// vantrel-subject: how well subject detection does on real photographs. Not installed;
// `make quality` feeds it an annotated table of photographs.
//
//   vantrel-subject TABLE ROOT [--draw DIR]
//
// TABLE has one photograph a line: its path under ROOT, "person", "animal", "object" or "none", the
// rectangles that lie wholly inside the subject and those wholly in the background, each
// "x0,y0,x1,y1" in fractions of the width and height from the top left, several joined by spaces
// ("-" for no subject rectangle); the four fields are separated by tabs, and lines starting with #
// are comments. Each photograph is loaded as the editor loads a scan and analysed on its proxy. It
// passes when the mean mask is at least 0.6 inside its subject rectangles and at most 0.25 inside
// its background rectangles; a photograph of kind "none" holds no subject that stands out (a
// landscape), and passes when the detection says so (nothing, or the attention map the editor
// reports as its fallback) and its mask stays at most 0.25 inside the background rectangles.
// Prints one row per photograph and the shares for each kind; exits 1 when any share is
// below 90 % (the frames without a subject apart), 2 when the table or a photograph cannot be read. With --draw, writes for each
// photograph a PNG of the picture and, beside it, the mask, both with the rectangles drawn
// (subject green, background red).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <opencv2/imgproc.hpp>

#include "engine/analysis/subject/SubjectSegmentationEngine.h"
#include "engine/io/ImageLoader.h"
#include "services/ExportFile.h"
#include "services/ImageEncoder.h"

namespace {

using namespace vantrel;

constexpr double kSubjectFloor = 0.6, kBackgroundCeiling = 0.25, kTarget = 0.9;

const char* const kKinds[] = {"person", "animal", "object", "none"};
constexpr int kNone = 3;

struct Entry {
    std::string path;
    int kind = 0;  // index into kKinds
    std::vector<cv::Rect2d> subject, background;
};

std::optional<std::vector<cv::Rect2d>> parseRects(const std::string& field) {
    std::vector<cv::Rect2d> rects;
    std::istringstream words(field);
    std::string word;
    while (words >> word) {
        if (word == "-") continue;
        double x0, y0, x1, y1;
        char c1, c2, c3;
        std::istringstream in(word);
        if (!(in >> x0 >> c1 >> y0 >> c2 >> x1 >> c3 >> y1) || c1 != ',' || c2 != ',' || c3 != ',' || x1 <= x0 || y1 <= y0)
            return std::nullopt;
        rects.emplace_back(x0, y0, x1 - x0, y1 - y0);
    }
    return rects;
}

std::optional<std::vector<Entry>> readTable(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) return std::nullopt;
    std::vector<Entry> entries;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
        if (fields.size() != 4) return std::nullopt;
        const auto kind = std::find(std::begin(kKinds), std::end(kKinds), fields[1]);
        const auto subject = parseRects(fields[2]), background = parseRects(fields[3]);
        if (kind == std::end(kKinds) || !subject || !background || background->empty()) return std::nullopt;
        if (subject->empty() != (kind - std::begin(kKinds) == kNone)) return std::nullopt;
        entries.push_back({fields[0], int(kind - std::begin(kKinds)), *subject, *background});
    }
    return entries;
}

cv::Rect pixels(const cv::Rect2d& r, cv::Size size) {
    const cv::Rect p(int(r.x * size.width), int(r.y * size.height), int(r.width * size.width), int(r.height * size.height));
    return p & cv::Rect({}, size);
}

// Mean of the mask over the union of the rectangles.
double meanInside(const cv::Mat& mask, const std::vector<cv::Rect2d>& rects) {
    cv::Mat where = cv::Mat::zeros(mask.size(), CV_8U);
    for (const cv::Rect2d& r : rects) where(pixels(r, mask.size())).setTo(255);
    return cv::countNonZero(where) ? cv::mean(mask, where)[0] : 0.0;
}

void drawCheck(const cv::Mat& rgb, const cv::Mat& mask, const Entry& entry, const std::filesystem::path& file) {
    // The picture with the rectangles on the left, the mask itself on the right.
    cv::Mat shown(rgb.rows, 2 * rgb.cols, CV_8UC4);
    for (int y = 0; y < rgb.rows; ++y)
        for (int x = 0; x < rgb.cols; ++x) {
            const cv::Vec3b p = rgb.at<cv::Vec3b>(y, x);
            const auto m = std::uint8_t(std::lround(255.0f * std::clamp(mask.at<float>(y, x), 0.0f, 1.0f)));
            shown.at<cv::Vec4b>(y, x) = {p[0], p[1], p[2], 255};
            shown.at<cv::Vec4b>(y, rgb.cols + x) = {m, m, m, 255};
        }
    for (int half : {0, rgb.cols}) {
        cv::Mat side = shown(cv::Rect(half, 0, rgb.cols, rgb.rows));
        for (const cv::Rect2d& r : entry.subject) cv::rectangle(side, pixels(r, rgb.size()), cv::Scalar(40, 255, 40, 255), 2);
        for (const cv::Rect2d& r : entry.background) cv::rectangle(side, pixels(r, rgb.size()), cv::Scalar(255, 40, 40, 255), 2);
    }
    ExportFile out(file);
    const auto encoder = makePngEncoder();
    encoder->start(out, {shown.cols, shown.rows, nullptr, {}});
    encoder->writeRows(shown.data, shown.step[0], shown.rows);
    encoder->finish();
    out.commit();
}

const char* foundName(SubjectSegmentationEngine::Found found) {
    switch (found) {
        case SubjectSegmentationEngine::Found::person: return "person";
        case SubjectSegmentationEngine::Found::animal: return "animal";
        case SubjectSegmentationEngine::Found::object: return "object";
        case SubjectSegmentationEngine::Found::attention: return "attention";
    }
    return "?";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 5 && std::string(argv[3]) == "--draw")) {
        std::fprintf(stderr, "usage: vantrel-subject TABLE ROOT [--draw DIR]\n");
        return 2;
    }
    const auto entries = readTable(argv[1]);
    if (!entries) {
        std::fprintf(stderr, "%s: cannot be read as a table of annotated photographs\n", argv[1]);
        return 2;
    }
    const std::filesystem::path root = argv[2];
    const std::optional<std::filesystem::path> drawTo = argc == 5 ? std::optional<std::filesystem::path>(argv[4]) : std::nullopt;
    if (drawTo) std::filesystem::create_directories(*drawTo);

    int all[4] = {0, 0, 0, 0}, passes[4] = {0, 0, 0, 0};
    double seconds = 0;
    std::printf("%-28s %-7s %-9s %8s %11s  %s\n", "photograph", "kind", "found", "subject", "background", "result");
    for (const Entry& entry : *entries) {
        const std::filesystem::path path = root / entry.path;
        Image proxy;
        try {
            proxy = ImageLoader::loadPhoto(path).proxyImage();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), e.what());
            return 2;
        }
        // The working copy the engine renders from the proxy, as the editor asks for a mask.
        const auto working = SubjectSegmentationEngine::workingCopy(proxy);
        if (!working) {
            std::fprintf(stderr, "%s: cannot be decoded\n", path.c_str());
            return 2;
        }
        const auto start = std::chrono::steady_clock::now();
        const auto mask = SubjectSegmentationEngine::shared().segmentWorking(*working);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        cv::Mat values = cv::Mat::zeros(SubjectSegmentationEngine::kMaskLongSide, SubjectSegmentationEngine::kMaskLongSide, CV_32F);
        if (mask) values = cv::Mat(mask->height, mask->width, CV_32F, const_cast<float*>(mask->values.data())).clone();
        const double inside = meanInside(values, entry.subject), outside = meanInside(values, entry.background);
        const bool distinct = mask && mask->found != SubjectSegmentationEngine::Found::attention;
        const bool passed = entry.kind == kNone ? !distinct && outside <= kBackgroundCeiling
                                                : mask && inside >= kSubjectFloor && outside <= kBackgroundCeiling;
        all[entry.kind] += 1;
        passes[entry.kind] += passed;
        // The folder too: two packages may hold a "flower".
        std::string name = (path.parent_path().filename() / path.stem()).string();
        if (name.size() > 28) name.erase(0, name.size() - 28);
        std::printf("%-28s %-7s %-9s %8.2f %11.2f  %s\n", name.c_str(), kKinds[entry.kind],
                    mask ? foundName(mask->found) : "nothing", inside, outside, passed ? "pass" : "FAIL");
        std::fflush(stdout);

        if (drawTo) {
            cv::Mat small;
            cv::resize(*working, small, values.size(), 0, 0, cv::INTER_AREA);
            try {
                drawCheck(small, values, entry, *drawTo / (path.parent_path().filename().string() + "-" + path.stem().string() + ".png"));
            } catch (const std::exception& error) {
                std::fprintf(stderr, "%s\n", error.what());
            }
        }
    }
    const auto share = [](int good, int all) { return all ? double(good) / all : 1.0; };
    std::printf("\n");
    const char* const plural[] = {"people", "animals", "objects", "none"};
    bool met = true;
    for (int k = 0; k < 4; ++k) {
        if (k == kNone && all[k] == 0) continue;
        std::printf("%-8s %3d / %-3d %5.1f %%\n", plural[k], passes[k], all[k], 100.0 * share(passes[k], all[k]));
        // Frames without a subject are tallied apart: the share of them reported as such.
        if (k != kNone) met = met && share(passes[k], all[k]) >= kTarget;
    }
    const int passed = passes[0] + passes[1] + passes[2] + passes[3], total = all[0] + all[1] + all[2] + all[3];
    std::printf("all      %3d / %-3d %5.1f %%   (target %.0f %% of each kind; %.2f s a photograph)\n", passed, total,
                100.0 * share(passed, total), 100.0 * kTarget, entries->empty() ? 0.0 : seconds / double(entries->size()));
    return met ? 0 : 1;
}
