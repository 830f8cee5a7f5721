#pragma once
// Where the people (or animals) of a frame are likely to be, from their
// faces: head, neck, shoulders and torso below each face (an animal's body
// wider and lower), scaled by the face's size, as seed labels for GrabCut,
// and the figures cut out from them. Private to the engine.

#include <vector>

#include <opencv2/core.hpp>

namespace vantrel::subject {

struct PersonSeeds {
    cv::Mat labels;     // cv::GC_BGD ... cv::GC_PR_FGD per pixel
    cv::Mat faceCores;  // 255 on the middle of each face
    cv::Mat learnFrom;  // 255 where the colour models learn: the upper figures and what lies away from them
};

enum class Figure { person, animal };

// The seeds for a frame of `size` holding the faces `faces` (in its pixels):
// the face cores and chests sure foreground, the figures probable
// foreground, the border bands and everything far from every figure sure
// background, the rest probable background.
PersonSeeds personPrior(cv::Size size, const std::vector<cv::Rect2d>& faces, Figure figure = Figure::person);

// The people of `rgb` (8-bit RGB, the seeds' size): GrabCut from the seeds,
// keeping only regions that hold a face; 255 on the people.
cv::Mat refinePeople(const cv::Mat& rgb, const PersonSeeds& seeds);

}  // namespace vantrel::subject
