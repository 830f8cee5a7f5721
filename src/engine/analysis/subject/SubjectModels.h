#pragma once
// The trained networks of subject detection: an object detector (NanoDet,
// the 80 COCO classes) and a person segmentation (MediaPipe's selfie model),
// both TensorFlow graphs the build converts and places beside the program.
// Loaded once, on first use; when a file is missing or damaged every call
// answers "not available" and subjects are found without them.

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <opencv2/core.hpp>

namespace vantrel::subject {

// What a detection is, as far as choosing a subject goes.
enum class Kind { person, animal, vehicle, other };

struct Detection {
    cv::Rect2f box;  // in the picture's pixels
    int label = 0;   // COCO class, 0 = person
    float score = 0;
};

Kind kindOf(int label);

// The detector's input side and classes, the person segmentation's side.
inline constexpr int kDetectorSide = 416;
inline constexpr int kDetectorClasses = 80;
inline constexpr int kPersonSide = 256;

// The detections in the detector's head outputs (one per stride, each
// [1, classes + 4 x bins, h, w]: class logits, then per box side left, top,
// right, bottom a distribution over the bins, in strides), scaled onto a
// picture of `picture`, above `minScore`, overlaps suppressed per class.
std::vector<Detection> decodeDetections(const std::vector<cv::Mat>& heads, cv::Size picture, float minScore);

// The detector's input blob of an 8-bit RGB picture (BGR, normalised, 416 x 416).
cv::Mat detectorInput(const cv::Mat& rgb);
// The person segmentation's input blob of an 8-bit RGB picture (RGB / 255, 256 x 256).
cv::Mat personInput(const cv::Mat& rgb);

class SubjectModels {
public:
    // The models in `folder` (nanodet.pb, selfie.pb).
    explicit SubjectModels(std::filesystem::path folder);
    ~SubjectModels();

    // The models beside the program: <program dir>/models, up to two folders
    // above it (the build tree), or ../share/vantrel/models (installed).
    static const SubjectModels& shared();
    static std::filesystem::path besideProgram();

    // Whether both networks load (loads them on the first call).
    bool available() const;

    // Head outputs of the detector on an 8-bit RGB picture, or nothing when unavailable.
    std::optional<std::vector<cv::Mat>> detectorHeads(const cv::Mat& rgb) const;
    // The detections on an 8-bit RGB picture, or nothing when unavailable.
    std::optional<std::vector<Detection>> detect(const cv::Mat& rgb) const;
    // How likely each pixel of an 8-bit RGB picture shows a person, 0 ... 1
    // at 256 x 256, or empty when unavailable.
    cv::Mat personMap(const cv::Mat& rgb) const;

private:
    struct Nets;
    Nets* nets() const;

    std::filesystem::path folder_;
    mutable std::once_flag loaded_;
    mutable std::unique_ptr<Nets> nets_;
};

}  // namespace vantrel::subject
