#pragma once
// Finds the subject of a frame and returns a soft grey mask (1 on the subject,
// 0 elsewhere) for the subject stage. First the trained detector: the most
// prominent person, animal or vehicle with the others of its kind that stand
// out nearly as well, people cut by the person segmentation, animals and
// vehicles by GrabCut inside their boxes. Where it finds none clearly (or its
// models are missing), without it: people from the faces a face finder sees
// (a figure drawn below each face, refined by GrabCut) unless the detector
// looked and saw none; else animals the same way, from their faces; else the
// main object (an attention map refined by GrabCut); else the attention map.

#include <future>
#include <optional>
#include <vector>

#include <opencv2/core.hpp>

#include "engine/analysis/AnalysisRaster.h"
#include "engine/core/Image.h"
#include "engine/core/Rect.h"

namespace vantrel {

class FaceFinder;
namespace subject {
class SubjectModels;
struct Choice;
}  // namespace subject

class SubjectSegmentationEngine {
public:
    // Frames longer than this are analysed on a copy reduced to it.
    static constexpr int kWorkingLongSide = 2048;
    // The mask is cut at this size, whatever the frame's, so a proxy and the
    // full image give the same mask.
    static constexpr int kMaskLongSide = 512;

    enum class Found { person, animal, object, attention };

    // A mask at the mask size, top row first, values 0 ... 1.
    struct Mask {
        int width = 0;
        int height = 0;
        std::vector<float> values;
        Found found = Found::object;
    };

    // With OpenCV's face cascades and the models beside the program.
    SubjectSegmentationEngine();
    // With `faces`, and `models` unless none (then without the detector).
    explicit SubjectSegmentationEngine(const FaceFinder& faces, const subject::SubjectModels* models = nullptr)
        : faces_(&faces), models_(models) {}

    static const SubjectSegmentationEngine& shared();

    // The size a frame is analysed at: the frame's own below the working
    // size, else reduced uniformly to it.
    static cv::Size workingSize(int width, int height);

    // The working copy of an image: 8-bit sRGB (RGB), reduced to the working
    // size; nothing when it cannot be rendered.
    static std::optional<cv::Mat> workingCopy(const Image& frame);

    // The subject mask of a display-encoded frame, or nothing when the frame
    // is too small or nothing stands out. Deterministic; safe to call from
    // several threads at once.
    std::optional<Mask> segment(const RgbaView& frame) const;

    // The subject mask of `frame` as a grey image (m, m, m, 1) whose extent is
    // the frame's, or nothing. Runs on a worker thread, never the caller's;
    // the future never holds an exception.
    std::future<std::optional<Image>> generateMask(Image frame) const;

    // The same mask, and whether it holds a distinct subject (a person, an
    // animal or an object) or only what draws the eye in a frame where
    // nothing stands out clearly (the attention map, a fallback).
    struct Subject {
        Image mask;
        bool distinct = true;
    };
    std::future<std::optional<Subject>> generateSubject(Image frame) const;

    // `mask` stretched onto `target` (each axis on its own) and cropped to it;
    // edge pixels are repeated rather than faded. An empty mask is returned
    // unchanged.
    static Image fitMask(const Image& mask, const Rect& target);

    // The subject mask of a working copy (8-bit RGB).
    std::optional<Mask> segmentWorking(const cv::Mat& rgb) const;

private:
    std::optional<Mask> fromDetections(const cv::Mat& rgb, const cv::Mat& small, const subject::Choice& choice) const;
    std::optional<Mask> withoutDetector(const cv::Mat& rgb, const cv::Mat& small, bool detectorLooked) const;

    const FaceFinder* faces_;
    const subject::SubjectModels* models_;
};

}  // namespace vantrel
