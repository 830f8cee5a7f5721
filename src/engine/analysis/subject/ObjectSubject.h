#pragma once
// The main object of a frame without people: an attention map from colour
// contrast against the frame's borders and the spectral residual, and the
// object GrabCut cuts out of it. Private to the engine.

#include <opencv2/core.hpp>

namespace vantrel::subject {

struct Attention {
    cv::Mat map;     // how much each pixel draws the eye, 0 ... 1
    cv::Mat unlike;  // 255 where a pixel differs from the ground the border shows, in colour or focus
};

// The attention of `rgb` (8-bit RGB).
Attention attentionMap(const cv::Mat& rgb);

// Whether a part of plausible size stands out in the attention map.
bool standsOut(const cv::Mat& attention);

// The main object (255), GrabCut seeded from the attention map, keeping the
// connected region that holds most of the salient mass (and any holding
// nearly as much, but not a stretch of ground running out of the frame
// beside one that stays inside it), grown over what differs from the ground
// around it, less what runs on to the frame's edge where the object's core
// does not; empty when no region of plausible size is found.
cv::Mat mainObject(const cv::Mat& rgb, const Attention& attention);

// `subject` (255) less the ground that came with it: what runs on to the
// frame's edge along a side that `extent` (255 where the subject surely
// reaches) does not reach, and parts hanging on the body around `core` (its
// sure middle) by a narrow neck; each unless its colours are the subject's.
// Shared by every way of finding a subject.
cv::Mat withoutGround(const cv::Mat& rgb, const cv::Mat& subject, const cv::Mat& extent, const cv::Mat& core);

// Whether `object` (255) is a band of the scene rather than a thing in it: a
// shore, a ridge, a range of hills or the sea, running out of the frame on
// both sides.
bool runsAcrossTheFrame(const cv::Mat& object);

// Whether `object` (255) stands apart from what surrounds it as a thing does:
// a clear step of colour along most of its outline, or small enough that a
// pale part of it says nothing. A broad region whose outline fades into the
// scene (haze, a lit slope, a glow in the sky) does not.
bool standsApart(const cv::Mat& rgb, const cv::Mat& object);

// Whether a clear step of colour parts `object` (255) from what surrounds it
// along most of its outline inside the frame, whatever its size.
bool outlineStandsApart(const cv::Mat& rgb, const cv::Mat& object);

// What stands out of the attention map alone, 0 ... 1: the parts a viewer's
// eye is drawn to when no subject stands out clearly.
cv::Mat standingOut(const cv::Mat& attention);

}  // namespace vantrel::subject
