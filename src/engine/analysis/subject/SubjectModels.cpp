#include "engine/analysis/subject/SubjectModels.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <system_error>

#include <opencv2/dnn.hpp>
#include <opencv2/imgproc.hpp>

namespace vantrel::subject {
namespace {

// NanoDet's training normalisation (BGR order).
const cv::Scalar kDetectorMean(103.53, 116.28, 123.675), kDetectorScale(1 / 57.375, 1 / 57.12, 1 / 58.395);
constexpr float kOverlap = 0.5f;  // boxes of one class overlapping more than this are one thing
// The converter names the detector's outputs so, one per stride.
const std::vector<cv::String> kHeads = {"head_0", "head_1", "head_2"};

float sigmoid(float x) { return 1.0f / (1.0f + std::exp(-x)); }

// The expected distance (in bins) of one box side's distribution over `bins`
// logits, `step` floats apart.
float expectedBin(const float* logits, int bins, std::size_t step) {
    float top = logits[0];
    for (int b = 1; b < bins; ++b) top = std::max(top, logits[b * step]);
    float sum = 0, weighted = 0;
    for (int b = 0; b < bins; ++b) {
        const float e = std::exp(logits[b * step] - top);
        sum += e;
        weighted += e * float(b);
    }
    return weighted / sum;
}

}  // namespace

Kind kindOf(int label) {
    if (label == 0) return Kind::person;
    if (label >= 1 && label <= 8) return Kind::vehicle;  // bicycle ... boat
    if (label >= 14 && label <= 23) return Kind::animal;  // bird ... giraffe
    return Kind::other;
}

std::vector<Detection> decodeDetections(const std::vector<cv::Mat>& heads, cv::Size picture, float minScore) {
    std::vector<Detection> found;
    const float sx = float(picture.width) / kDetectorSide, sy = float(picture.height) / kDetectorSide;
    for (const cv::Mat& head : heads) {
        if (head.dims != 4 || head.type() != CV_32F || head.size[0] != 1 || head.size[2] <= 0) continue;
        const int channels = head.size[1], h = head.size[2], w = head.size[3];
        const int bins = (channels - kDetectorClasses) / 4;
        if (bins < 1 || channels != kDetectorClasses + 4 * bins) continue;
        const float stride = float(kDetectorSide) / float(h);
        const std::size_t plane = std::size_t(h) * std::size_t(w);
        const float* data = head.ptr<float>();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float* cell = data + std::size_t(y) * std::size_t(w) + std::size_t(x);
                int label = 0;
                for (int c = 1; c < kDetectorClasses; ++c)
                    if (cell[c * plane] > cell[label * plane]) label = c;
                const float score = sigmoid(cell[label * plane]);
                if (score < minScore) continue;
                float side[4];
                for (int k = 0; k < 4; ++k)
                    side[k] = expectedBin(cell + (kDetectorClasses + k * bins) * plane, bins, plane) * stride;
                const float cx = (float(x) + 0.5f) * stride, cy = (float(y) + 0.5f) * stride;
                const float left = std::max(0.0f, cx - side[0]), top = std::max(0.0f, cy - side[1]);
                const float right = std::min(float(kDetectorSide), cx + side[2]);
                const float bottom = std::min(float(kDetectorSide), cy + side[3]);
                if (right <= left || bottom <= top) continue;
                found.push_back({{left * sx, top * sy, (right - left) * sx, (bottom - top) * sy}, label, score});
            }
    }
    // The strongest of overlapping boxes of one class stands for them.
    std::sort(found.begin(), found.end(), [](const Detection& a, const Detection& b) { return a.score > b.score; });
    std::vector<Detection> kept;
    for (const Detection& d : found) {
        const bool covered = std::any_of(kept.begin(), kept.end(), [&](const Detection& k) {
            const float inter = (k.box & d.box).area();
            return k.label == d.label && inter > kOverlap * (k.box.area() + d.box.area() - inter);
        });
        if (!covered) kept.push_back(d);
    }
    return kept;
}

cv::Mat detectorInput(const cv::Mat& rgb) {
    cv::Mat resized, bgr;
    cv::resize(rgb, resized, {kDetectorSide, kDetectorSide}, 0, 0, cv::INTER_AREA);
    cv::cvtColor(resized, bgr, cv::COLOR_RGB2BGR);
    bgr.convertTo(bgr, CV_32FC3);
    cv::subtract(bgr, kDetectorMean, bgr);
    cv::multiply(bgr, kDetectorScale, bgr);
    return cv::dnn::blobFromImage(bgr);
}

cv::Mat personInput(const cv::Mat& rgb) {
    cv::Mat resized;
    cv::resize(rgb, resized, {kPersonSide, kPersonSide}, 0, 0, cv::INTER_AREA);
    return cv::dnn::blobFromImage(resized, 1.0 / 255.0);
}

// One network each; OpenCV's nets are not safe to run from two threads at once.
struct SubjectModels::Nets {
    cv::dnn::Net detector, person;
    std::mutex detectorLock, personLock;
};

SubjectModels::SubjectModels(std::filesystem::path folder) : folder_(std::move(folder)) {}
SubjectModels::~SubjectModels() = default;

std::filesystem::path SubjectModels::besideProgram() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    std::filesystem::path dir = program.parent_path();
    const std::filesystem::path installed = dir.parent_path() / "share" / "vantrel" / "models";
    for (int up = 0; up <= 2 && !dir.empty(); ++up, dir = dir.parent_path())
        if (std::filesystem::exists(dir / "models" / "nanodet.pb", error)) return dir / "models";
    return installed;
}

const SubjectModels& SubjectModels::shared() {
    static const SubjectModels instance(besideProgram());
    return instance;
}

SubjectModels::Nets* SubjectModels::nets() const {
    std::call_once(loaded_, [this] {
        try {
            auto loaded = std::make_unique<Nets>();
            loaded->detector = cv::dnn::readNetFromTensorflow((folder_ / "nanodet.pb").string());
            loaded->person = cv::dnn::readNetFromTensorflow((folder_ / "selfie.pb").string());
            if (loaded->detector.empty() || loaded->person.empty()) throw std::runtime_error("empty network");
            // A first pass each, so a graph OpenCV reads but cannot run counts as damaged.
            loaded->detector.setInput(detectorInput(cv::Mat(kDetectorSide, kDetectorSide, CV_8UC3, cv::Scalar::all(128))));
            std::vector<cv::Mat> heads;
            loaded->detector.forward(heads, kHeads);
            loaded->person.setInput(personInput(cv::Mat(kPersonSide, kPersonSide, CV_8UC3, cv::Scalar::all(128))));
            loaded->person.forward();
            nets_ = std::move(loaded);
        } catch (const std::exception& e) {
            std::clog << "vantrel: subject models in " << folder_.string() << " unavailable ("
                      << std::string(e.what()).substr(0, 160) << "); subjects are found without them\n";
        }
    });
    return nets_.get();
}

bool SubjectModels::available() const { return nets() != nullptr; }

std::optional<std::vector<cv::Mat>> SubjectModels::detectorHeads(const cv::Mat& rgb) const {
    Nets* n = nets();
    if (!n || rgb.empty()) return std::nullopt;
    const cv::Mat input = detectorInput(rgb);
    std::vector<cv::Mat> heads;
    try {
        const std::lock_guard lock(n->detectorLock);
        n->detector.setInput(input);
        n->detector.forward(heads, kHeads);
    } catch (const cv::Exception&) {
        return std::nullopt;
    }
    for (cv::Mat& h : heads) h = h.clone();
    return heads;
}

std::optional<std::vector<Detection>> SubjectModels::detect(const cv::Mat& rgb) const {
    constexpr float kMinScore = 0.25f;  // weaker ones are noise for any purpose here
    auto heads = detectorHeads(rgb);
    if (!heads) return std::nullopt;
    return decodeDetections(*heads, rgb.size(), kMinScore);
}

cv::Mat SubjectModels::personMap(const cv::Mat& rgb) const {
    Nets* n = nets();
    if (!n || rgb.empty()) return {};
    const cv::Mat input = personInput(rgb);
    cv::Mat out;
    try {
        const std::lock_guard lock(n->personLock);
        n->person.setInput(input);
        out = n->person.forward().clone();
    } catch (const cv::Exception&) {
        return {};
    }
    if (out.total() != std::size_t(kPersonSide) * kPersonSide) return {};
    return out.reshape(1, kPersonSide);
}

}  // namespace vantrel::subject
