#include "engine/analysis/subject/SubjectChoice.h"

#include <algorithm>
#include <cmath>

namespace vantrel::subject {
namespace {

// A box smaller than this share of the frame is a detail of the scene, not its subject.
constexpr double kMinArea = 0.002;
// Others of the subject's kind join it when they stand out at least this much as it does.
constexpr double kNearly = 0.4;
// How much a box at a corner counts against one at the centre.
constexpr double kOffCentre = 0.5;
// A box of another kind over the same place (overlapping this much) and
// scored within this margin leaves the kind of the thing there open.
constexpr float kSamePlace = 0.5f, kKindMargin = 0.2f;

float overlap(const cv::Rect2f& a, const cv::Rect2f& b) {
    const float inter = (a & b).area();
    return inter / std::max(1e-6f, a.area() + b.area() - inter);
}

}  // namespace

double prominence(const Detection& d, cv::Size picture) {
    const double area = double(d.box.area()) / (double(picture.width) * picture.height);
    const double dx = (d.box.x + d.box.width / 2.0) / picture.width - 0.5;
    const double dy = (d.box.y + d.box.height / 2.0) / picture.height - 0.5;
    const double offCentre = std::hypot(dx, dy) / std::hypot(0.5, 0.5);
    return d.score * std::sqrt(std::max(area, 0.0)) * (1.0 - kOffCentre * offCentre);
}

std::optional<Choice> chooseSubject(const std::vector<Detection>& found, cv::Size picture) {
    if (picture.width <= 0 || picture.height <= 0) return std::nullopt;
    std::vector<std::pair<double, Detection>> clear;
    for (const Detection& d : found)
        if (kindOf(d.label) != Kind::other && d.score >= kClearScore &&
            d.box.area() >= kMinArea * double(picture.width) * picture.height)
            clear.emplace_back(prominence(d, picture), d);
    if (clear.empty()) return std::nullopt;
    std::sort(clear.begin(), clear.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    const Detection& best = clear.front().second;
    Choice choice{kindOf(best.label), {}, false};
    choice.kindOpen = std::any_of(found.begin(), found.end(), [&](const Detection& d) {
        return kindOf(d.label) != choice.kind && d.score >= best.score - kKindMargin && overlap(d.box, best.box) >= kSamePlace;
    });
    for (const auto& [p, d] : clear)
        if (kindOf(d.label) == choice.kind && p >= kNearly * clear.front().first) choice.boxes.push_back(d);
    return choice;
}

}  // namespace vantrel::subject
