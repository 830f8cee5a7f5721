#pragma once
// Finds faces in a frame for the subject segmentation. Behind a small
// interface so a test can say where the faces are.

#include <memory>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

namespace vantrel {

class FaceFinder {
public:
    virtual ~FaceFinder() = default;
    // The faces in an 8-bit RGB picture, as boxes in its pixels (brows to
    // chin, cheek to cheek). Safe to call from several threads at once.
    virtual std::vector<cv::Rect> find(const cv::Mat& rgb) const = 0;
    // The faces of animals (cats, as the cascades know them) in the same
    // terms; none unless a finder knows them.
    virtual std::vector<cv::Rect> findAnimals(const cv::Mat&) const { return {}; }
    // Whether an eye shows in the upper part of `face` (a box in `rgb`'s pixels);
    // never, unless a finder knows eyes.
    virtual bool hasEyes(const cv::Mat&, const cv::Rect&) const { return false; }
};

// OpenCV's trained face cascades (frontal and profile, and cats' frontal)
// from the opencv-data package. Without them (not installed, unreadable) it finds no faces, and
// the subject is then looked for as an object.
class CascadeFaceFinder final : public FaceFinder {
public:
    // Looks in $VANTREL_CASCADE_DIR, then where the package and a local
    // OpenCV install put them.
    CascadeFaceFinder();
    // Looks in `folders` (each holding haarcascades/ and lbpcascades/), in order.
    explicit CascadeFaceFinder(const std::vector<std::string>& folders);
    ~CascadeFaceFinder() override;
    std::vector<cv::Rect> find(const cv::Mat& rgb) const override;
    std::vector<cv::Rect> findAnimals(const cv::Mat& rgb) const override;
    bool hasEyes(const cv::Mat& rgb, const cv::Rect& face) const override;
    // The faces of a frame from the finds of each tier (in the same pixels): the
    // frontal faces confirmed by both cascades, else those of the sensitive
    // cascade, and beside either the faces turned aside, so a group is whole
    // when some of it looks at the camera and the rest in profile; the heads
    // bent or half in shade that only the lenient profile search finds count
    // only beside those, as the rest of a group.
    static std::vector<cv::Rect> gathered(std::vector<cv::Rect> frontal, const std::vector<cv::Rect>& sensitive,
                                          const std::vector<cv::Rect>& profile, const std::vector<cv::Rect>& bent = {});
    // The folder the cascades were read from, empty when none was found.
    const std::string& folder() const;

    static const CascadeFaceFinder& shared();

private:
    struct Cascades;
    std::unique_ptr<Cascades> cascades_;
};

}  // namespace vantrel
