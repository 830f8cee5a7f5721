#include "engine/analysis/FaceFinder.h"

// Faces are taken from the frontal cascade when a second, differently
// trained frontal cascade agrees on the spot, and from the profile cascade
// (both ways round) when its LBP twin agrees: one cascade alone fires on
// foliage, fabric and brickwork far too often for a photograph's subject.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>

namespace vantrel {
namespace {

// Smallest face looked for, as a fraction of the picture's shorter side.
constexpr double kMinFaceFraction = 0.04;
constexpr int kMinFacePixels = 20;
// Faces much smaller than the largest one are bystanders or mistakes.
constexpr double kMinRelativeWidth = 0.3;
constexpr int kDetectionLongSide = 800;
constexpr double kScaleStep = 1.15;
// A real face draws many overlapping hits; foliage and fabric draw a few.
constexpr int kFrontalNeighbours = 6, kProfileNeighbours = 5;

double overlap(const cv::Rect& a, const cv::Rect& b) {
    const double inter = (a & b).area();
    return inter / double(std::min(a.area(), b.area()));
}

std::vector<std::string> usualFolders() {
    std::vector<std::string> folders;
    if (const char* env = std::getenv("VANTREL_CASCADE_DIR"); env && *env) folders.emplace_back(env);
    for (const char* f : {"/usr/share/opencv4", "/usr/local/share/opencv4", "/usr/share/opencv"}) folders.emplace_back(f);
    return folders;
}

}  // namespace

struct CascadeFaceFinder::Cascades {
    std::string folder;
    std::mutex lock;  // a cascade keeps per-call scratch state
    cv::CascadeClassifier frontal, frontalCheck, profile, profileCheck;

    bool load(cv::CascadeClassifier& c, const std::string& file) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(std::filesystem::path(folder) / file, error)) return false;
        try {
            return c.load(folder + "/" + file);
        } catch (const cv::Exception&) {
            c = cv::CascadeClassifier();  // a damaged file: that cascade is left out
            return false;
        }
    }
};

CascadeFaceFinder::CascadeFaceFinder() : CascadeFaceFinder(usualFolders()) {}

CascadeFaceFinder::CascadeFaceFinder(const std::vector<std::string>& folders) : cascades_(std::make_unique<Cascades>()) {
    Cascades& c = *cascades_;
    // The first folder whose frontal cascade loads; the others only confirm or add.
    for (const std::string& folder : folders) {
        c.folder = folder;
        if (!c.load(c.frontal, "haarcascades/haarcascade_frontalface_alt2.xml")) continue;
        c.load(c.frontalCheck, "haarcascades/haarcascade_frontalface_default.xml");
        c.load(c.profile, "haarcascades/haarcascade_profileface.xml");
        c.load(c.profileCheck, "lbpcascades/lbpcascade_profileface.xml");
        return;
    }
    c.folder.clear();
}

CascadeFaceFinder::~CascadeFaceFinder() = default;

const std::string& CascadeFaceFinder::folder() const { return cascades_->folder; }

const CascadeFaceFinder& CascadeFaceFinder::shared() {
    static const CascadeFaceFinder finder;
    return finder;
}

namespace {

// Candidates of `finder` that `check` finds again around themselves.
std::vector<cv::Rect> confirmed(cv::CascadeClassifier& finder, cv::CascadeClassifier& check, const cv::Mat& grey,
                                cv::Size minSize, int neighbours) {
    std::vector<cv::Rect> found, kept;
    if (finder.empty()) return kept;
    finder.detectMultiScale(grey, found, kScaleStep, neighbours, 0, minSize);
    const cv::Rect frame({}, grey.size());
    for (const cv::Rect& face : found) {
        if (check.empty()) {
            kept.push_back(face);
            continue;
        }
        const int margin = face.width / 3;
        const cv::Rect around = cv::Rect(face.x - margin, face.y - margin, face.width + 2 * margin, face.height + 2 * margin) & frame;
        std::vector<cv::Rect> again;
        const cv::Size least(face.width * 2 / 3, face.height * 2 / 3), most(face.width * 3 / 2, face.height * 3 / 2);
        check.detectMultiScale(grey(around), again, 1.05, 2, 0, least, most);
        for (const cv::Rect& a : again)
            if (overlap(a + around.tl(), face) > 0.5) {
                kept.push_back(face);
                break;
            }
    }
    return kept;
}

}  // namespace

std::vector<cv::Rect> CascadeFaceFinder::find(const cv::Mat& grey) const {
    Cascades& c = *cascades_;
    if (c.folder.empty() || grey.empty()) return {};
    // The cascades look on a copy of fixed size: a face is found by its
    // share of the frame, and a larger copy only costs time.
    const double scale = std::min(1.0, double(kDetectionLongSide) / std::max(grey.cols, grey.rows));
    cv::Mat small, equalised;
    if (scale < 1.0)
        cv::resize(grey, small, cv::Size(std::max(1, int(grey.cols * scale)), std::max(1, int(grey.rows * scale))), 0, 0,
                   cv::INTER_AREA);
    else
        small = grey;
    cv::equalizeHist(small, equalised);
    const int least = std::max(kMinFacePixels, int(kMinFaceFraction * std::min(small.cols, small.rows)));
    const cv::Size minSize(least, least);

    std::vector<cv::Rect> faces;
    {
        const std::lock_guard<std::mutex> hold(c.lock);
        faces = confirmed(c.frontal, c.frontalCheck, equalised, minSize, kFrontalNeighbours);
        // Faces turned aside only where none looks at the camera: the profile
        // cascade knows faces turned one way, and the mirror finds the other.
        if (faces.empty()) {
            faces = confirmed(c.profile, c.profileCheck, equalised, minSize, kProfileNeighbours);
            cv::Mat mirrored;
            cv::flip(equalised, mirrored, 1);
            for (cv::Rect f : confirmed(c.profile, c.profileCheck, mirrored, minSize, kProfileNeighbours)) {
                f.x = small.cols - f.x - f.width;
                faces.push_back(f);
            }
        }
    }
    for (cv::Rect& f : faces)
        f = cv::Rect(int(f.x / scale), int(f.y / scale), int(f.width / scale), int(f.height / scale));
    // One box per face (the larger of two that overlap), bystanders dropped.
    std::sort(faces.begin(), faces.end(), [](const cv::Rect& a, const cv::Rect& b) { return a.area() > b.area(); });
    std::vector<cv::Rect> kept;
    for (const cv::Rect& f : faces) {
        const bool seen = std::any_of(kept.begin(), kept.end(), [&](const cv::Rect& k) { return overlap(k, f) > 0.3; });
        if (!seen && (kept.empty() || f.width >= kMinRelativeWidth * kept.front().width)) kept.push_back(f);
    }
    return kept;
}

}  // namespace vantrel
