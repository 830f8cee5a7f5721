#include "engine/analysis/subject/FaceFinder.h"

// Faces are searched in three tiers, each taken only when the one before
// finds nothing, since one cascade alone fires on foliage, fabric and
// brickwork far too often for a photograph's subject:
// 1. the fast LBP frontal cascade, each find confirmed on the spot by both
//    Haar frontal cascades (trained differently);
// 2. the more sensitive Haar frontal cascade, confirmed by the other Haar
//    one, where the face's middle has skin's colour (in a colour picture);
// 3. faces turned aside, both ways round: the Haar profile cascade's finds,
//    confirmed by skin's colour in a colour picture, else by the LBP profile
//    cascade on the spot; looked for whatever the first two found, since in
//    a group some look at the camera and others at each other;
// 4. beside faces found so, the rest of the group: the LBP profile cascade
//    in finer steps catches heads bent over or half in shade that the Haar
//    one misses; alone it answers to fur and wood as often, so its finds
//    count only where the picture holds people already.
// The box is a Haar cascade's, which draws brows to chin.
// Cats' faces are found by the extended cat cascade and confirmed on the spot
// by the plain one; its box draws the face from the ears' roots to the chin.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>

#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>

namespace vantrel {
namespace {

// Smallest face looked for, as a fraction of the picture's shorter side.
constexpr double kMinFaceFraction = 0.04;
constexpr int kMinFacePixels = 20;
constexpr double kMinAnimalFaceFraction = 0.1;
// Faces much smaller than the largest one are bystanders or mistakes.
constexpr double kMinRelativeWidth = 0.3;
constexpr int kDetectionLongSide = 800;
constexpr double kScaleStep = 1.15;
// The LBP profile cascade answers only close to a face's own scale: it
// searches in finer steps (it is cheap enough for that).
constexpr double kFineScaleStep = 1.05;
// A real face draws several overlapping hits; foliage and fabric draw one or two.
constexpr int kSearchNeighbours = 3, kCheckNeighbours = 2;
// The sensitive Haar frontal cascade's finds need only one hit of the other
// Haar cascade on the spot (with skin's colour); the LBP profile cascade is
// strict, and one hit on the spot confirms.
constexpr int kSensitiveCheckNeighbours = 1;
constexpr int kProfileCheckNeighbours = 1;
// Skin's chroma (8-bit YCrCb, a broad range covering light to dark skin
// under warm or cool light) and the share of a face's middle that must have it.
constexpr int kSkinCrLow = 135, kSkinCrHigh = 180, kSkinCbLow = 80, kSkinCbHigh = 127;
constexpr double kMinSkinShare = 0.5;
// An eye is looked for from an eighth of the face's width, and not in a face
// whose eyes would be smaller than the eye cascade's window.
constexpr int kEyesPerFaceWidth = 8, kMinEyePixels = 12;
// A picture whose chroma varies less than this (8-bit) is grey or toned, and
// skin's colour says nothing there.
constexpr double kMinChromaSpread = 4.0;

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
    cv::CascadeClassifier frontal, frontalCheck, frontalBox, profile, profileBox, cat, catCheck, eye;

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
        if (!c.load(c.frontal, "lbpcascades/lbpcascade_frontalface_improved.xml") ||
            !c.load(c.frontalBox, "haarcascades/haarcascade_frontalface_alt2.xml"))
            continue;
        c.load(c.frontalCheck, "haarcascades/haarcascade_frontalface_default.xml");
        c.load(c.profile, "lbpcascades/lbpcascade_profileface.xml");
        c.load(c.profileBox, "haarcascades/haarcascade_profileface.xml");
        c.load(c.cat, "haarcascades/haarcascade_frontalcatface_extended.xml");
        c.load(c.catCheck, "haarcascades/haarcascade_frontalcatface.xml");
        c.load(c.eye, "haarcascades/haarcascade_eye.xml");
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

// The box of `check` that finds a face again around `face`, if any.
std::optional<cv::Rect> foundAgain(cv::CascadeClassifier& check, const cv::Mat& grey, const cv::Rect& face,
                                   int neighbours = kCheckNeighbours) {
    const int margin = face.width / 2;
    const cv::Rect around =
        cv::Rect(face.x - margin, face.y - margin, face.width + 2 * margin, face.height + 2 * margin) & cv::Rect({}, grey.size());
    std::vector<cv::Rect> again;
    const cv::Size least(face.width * 2 / 3, face.height * 2 / 3), most(face.width * 2, face.height * 2);
    check.detectMultiScale(grey(around), again, 1.05, neighbours, 0, least, most);
    for (const cv::Rect& a : again)
        if (overlap(a + around.tl(), face) > 0.5) return a + around.tl();
    return std::nullopt;
}

// Whether the middle of `face` has skin's colour; always so in a grey or toned picture.
bool skinColoured(const cv::Mat& ycrcb, bool colourful, const cv::Rect& face) {
    if (!colourful) return true;
    const cv::Rect middle =
        cv::Rect(face.x + face.width / 4, face.y + face.height / 4, face.width / 2, face.height / 2) & cv::Rect({}, ycrcb.size());
    if (middle.empty()) return false;
    cv::Mat skin;
    cv::inRange(ycrcb(middle), cv::Scalar(0, kSkinCrLow, kSkinCbLow), cv::Scalar(255, kSkinCrHigh, kSkinCbHigh), skin);
    return cv::countNonZero(skin) >= kMinSkinShare * double(middle.area());
}

struct Search {
    const cv::Mat& grey;    // equalised
    const cv::Mat& ycrcb;   // same size
    bool colourful;
    cv::Size minSize;
};

// Candidates of `finder` that `box` (and `check`, when given) find again
// around themselves, as `box` draws them; with `skin`, only those whose
// middle has skin's colour.
std::vector<cv::Rect> confirmed(cv::CascadeClassifier& finder, cv::CascadeClassifier& box, cv::CascadeClassifier* check,
                                const Search& search, bool skin, int boxNeighbours = kCheckNeighbours) {
    std::vector<cv::Rect> found, kept;
    if (finder.empty() || box.empty()) return kept;
    finder.detectMultiScale(search.grey, found, kScaleStep, kSearchNeighbours, 0, search.minSize);
    for (const cv::Rect& face : found) {
        const auto drawn = foundAgain(box, search.grey, face, boxNeighbours);
        if (!drawn || (check && !check->empty() && !foundAgain(*check, search.grey, face))) continue;
        if (!skin || skinColoured(search.ycrcb, search.colourful, *drawn)) kept.push_back(*drawn);
    }
    return kept;
}

// Faces turned aside (the way the profile cascade knows), as it draws them.
std::vector<cv::Rect> profiles(cv::CascadeClassifier& finder, cv::CascadeClassifier& check, const Search& search,
                               double scaleStep = kScaleStep) {
    std::vector<cv::Rect> found, kept;
    if (finder.empty()) return kept;
    finder.detectMultiScale(search.grey, found, scaleStep, kSearchNeighbours, 0, search.minSize);
    for (const cv::Rect& face : found) {
        const bool sure = search.colourful ? skinColoured(search.ycrcb, true, face)
                                           : !check.empty() && foundAgain(check, search.grey, face, kProfileCheckNeighbours);
        if (sure) kept.push_back(face);
    }
    return kept;
}

}  // namespace

namespace {

// The picture as the cascades look at it: a copy of fixed size (a face is
// found by its share of the frame, and a larger copy only costs time),
// equalised grey and YCrCb.
struct Prepared {
    double scale = 1.0;
    int width = 0;
    cv::Mat grey, ycrcb;
    Search search() const {
        cv::Scalar mean, spread;
        cv::meanStdDev(ycrcb, mean, spread);
        const int least = std::max(kMinFacePixels, int(kMinFaceFraction * std::min(grey.cols, grey.rows)));
        return {grey, ycrcb, std::max(spread[1], spread[2]) >= kMinChromaSpread, cv::Size(least, least)};
    }
};

Prepared prepare(const cv::Mat& rgb) {
    Prepared p;
    p.scale = std::min(1.0, double(kDetectionLongSide) / std::max(rgb.cols, rgb.rows));
    cv::Mat small, grey;
    if (p.scale < 1.0)
        cv::resize(rgb, small, cv::Size(std::max(1, int(rgb.cols * p.scale)), std::max(1, int(rgb.rows * p.scale))), 0, 0,
                   cv::INTER_AREA);
    else
        small = rgb;
    p.width = small.cols;
    cv::cvtColor(small, grey, cv::COLOR_RGB2GRAY);
    cv::equalizeHist(grey, p.grey);
    cv::cvtColor(small, p.ycrcb, cv::COLOR_RGB2YCrCb);
    return p;
}

// `faces` (in the copy's pixels) in the picture's, one box per face (the
// larger of two that overlap), bystanders dropped.
std::vector<cv::Rect> inPicture(std::vector<cv::Rect> faces, double scale) {
    for (cv::Rect& f : faces)
        f = cv::Rect(int(f.x / scale), int(f.y / scale), int(f.width / scale), int(f.height / scale));
    std::sort(faces.begin(), faces.end(), [](const cv::Rect& a, const cv::Rect& b) { return a.area() > b.area(); });
    std::vector<cv::Rect> kept;
    for (const cv::Rect& f : faces) {
        const bool seen = std::any_of(kept.begin(), kept.end(), [&](const cv::Rect& k) { return overlap(k, f) > 0.3; });
        if (!seen && (kept.empty() || f.width >= kMinRelativeWidth * kept.front().width)) kept.push_back(f);
    }
    return kept;
}

}  // namespace

std::vector<cv::Rect> CascadeFaceFinder::find(const cv::Mat& rgb) const {
    Cascades& c = *cascades_;
    if (c.folder.empty() || rgb.empty()) return {};
    const Prepared prepared = prepare(rgb);
    const Search search = prepared.search();

    std::vector<cv::Rect> frontal, sensitive, turned, bent;
    {
        const std::lock_guard<std::mutex> hold(c.lock);
        frontal = confirmed(c.frontal, c.frontalBox, &c.frontalCheck, search, false);
        if (frontal.empty()) sensitive = confirmed(c.frontalCheck, c.frontalBox, nullptr, search, true, kSensitiveCheckNeighbours);
        // The profile cascades know faces turned one way; the mirror finds the other.
        cv::Mat mirroredGrey, mirroredColour;
        cv::flip(prepared.grey, mirroredGrey, 1);
        cv::flip(prepared.ycrcb, mirroredColour, 1);
        const Search mirrored{mirroredGrey, mirroredColour, search.colourful, search.minSize};
        const auto inPlace = [&](const Search* way, cv::Rect f) {
            if (way == &mirrored) f.x = prepared.width - f.x - f.width;
            return f;
        };
        for (const Search* way : {&search, &mirrored})
            for (const cv::Rect& f : profiles(c.profileBox, c.profile, *way)) turned.push_back(inPlace(way, f));
        if (!frontal.empty() || !sensitive.empty() || !turned.empty())
            for (const Search* way : {&search, &mirrored})
                for (const cv::Rect& f : profiles(c.profile, c.profileBox, *way, kFineScaleStep)) bent.push_back(inPlace(way, f));
    }
    return inPicture(gathered(std::move(frontal), sensitive, turned, bent), prepared.scale);
}

std::vector<cv::Rect> CascadeFaceFinder::gathered(std::vector<cv::Rect> frontal, const std::vector<cv::Rect>& sensitive,
                                                  const std::vector<cv::Rect>& profile, const std::vector<cv::Rect>& bent) {
    std::vector<cv::Rect> faces = frontal.empty() ? sensitive : std::move(frontal);
    // A face turned aside that overlaps one seen from the front is that face.
    const auto add = [&](const std::vector<cv::Rect>& more) {
        for (const cv::Rect& p : more)
            if (std::none_of(faces.begin(), faces.end(), [&](const cv::Rect& f) { return overlap(f, p) > 0.3; })) faces.push_back(p);
    };
    add(profile);
    if (!faces.empty()) add(bent);
    return faces;
}

bool CascadeFaceFinder::hasEyes(const cv::Mat& rgb, const cv::Rect& face) const {
    Cascades& c = *cascades_;
    if (c.eye.empty() || rgb.empty()) return false;
    // The eyes lie in the upper part of the box, each about a fifth of its width.
    const cv::Rect upper = cv::Rect(face.x, face.y, face.width, face.height * 6 / 10) & cv::Rect({}, rgb.size());
    const int least = face.width / kEyesPerFaceWidth;
    if (upper.empty() || least < kMinEyePixels) return false;
    cv::Mat grey;
    cv::cvtColor(rgb(upper), grey, cv::COLOR_RGB2GRAY);
    cv::equalizeHist(grey, grey);
    std::vector<cv::Rect> eyes;
    const std::lock_guard<std::mutex> hold(c.lock);
    c.eye.detectMultiScale(grey, eyes, 1.05, kCheckNeighbours, 0, cv::Size(least, least), cv::Size(face.width / 2, face.width / 2));
    return !eyes.empty();
}

std::vector<cv::Rect> CascadeFaceFinder::findAnimals(const cv::Mat& rgb) const {
    Cascades& c = *cascades_;
    if (c.folder.empty() || c.catCheck.empty() || rgb.empty()) return {};
    const Prepared prepared = prepare(rgb);
    std::vector<cv::Rect> faces;
    {
        const std::lock_guard<std::mutex> hold(c.lock);
        // A cat's face small in the frame is as often fur, grass or foliage:
        // only those of a subject's size are looked for.
        Search search = prepared.search();
        const int least = int(kMinAnimalFaceFraction * std::min(prepared.grey.cols, prepared.grey.rows));
        search.minSize = cv::Size(std::max(search.minSize.width, least), std::max(search.minSize.height, least));
        faces = confirmed(c.cat, c.cat, &c.catCheck, search, false);
    }
    return inPicture(std::move(faces), prepared.scale);
}

}  // namespace vantrel
