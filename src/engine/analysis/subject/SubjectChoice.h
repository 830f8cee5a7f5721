#pragma once
// Which of a detector's boxes are the subject of a frame: the most prominent
// person, animal or vehicle (by score, size and nearness to the centre), with
// the others of its kind that stand out nearly as well (a group, a herd).
// Private to the engine.

#include <optional>
#include <vector>

#include <opencv2/core.hpp>

#include "engine/analysis/subject/SubjectModels.h"

namespace vantrel::subject {

// A detection more likely than not is one; below it the frame's subject is left to
// what finds subjects without the detector.
inline constexpr float kClearScore = 0.5f;

struct Choice {
    Kind kind = Kind::other;
    std::vector<Detection> boxes;  // most prominent first
    bool kindOpen = false;         // the detector nearly as surely sees another kind there
};

// How much a detection stands out in a picture of `picture`.
double prominence(const Detection& d, cv::Size picture);

// The subject's boxes, or nothing when no person, animal or vehicle is clearly found.
std::optional<Choice> chooseSubject(const std::vector<Detection>& found, cv::Size picture);

}  // namespace vantrel::subject
