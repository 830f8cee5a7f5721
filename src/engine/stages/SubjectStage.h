#pragma once
// The subject stage: the detected subject and its background get their own adjustments, both
// made from the same input, and are recombined through the subject mask (a grey image, white
// on the subject). Background blur and subject clarity are the only neighbourhood work.
#include <optional>

#include "engine/core/Image.h"
#include "model/SubjectMaskParameters.h"

namespace vantrel {

// The input with the subject side and the background side composed through the mask. The
// input itself unless the record is enabled with a detected subject, a mask with pixels is
// given and the input has a finite area. A mask made for another size is stretched onto the
// input's extent.
Image applySubjectMask(const Image& input, const SubjectMaskParameters& params, const std::optional<Image>& mask);

// The two sides alone, as the stage builds them.
Image subjectSide(const Image& input, const SubjectAdjustment& subject);
Image backgroundSide(const Image& input, const BackgroundAdjustment& background);

}  // namespace vantrel
