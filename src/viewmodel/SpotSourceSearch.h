#pragma once
// Where a new healing spot takes its patch from, searched on the picture the
// retouch overlay shows (the rendered preview), on the calling thread. The
// picture's pixels are read in place; only a picture in another pixel format
// than the renderer's is converted first.
#include <vector>

#include <QImage>

#include "model/Point.h"
#include "model/SpotHealingParameters.h"

namespace vantrel {

// The source offset (spot units) for a new spot at `center` with `radius`,
// given the spots already placed. A null picture leaves the choice to the
// geometric rule.
Point findSpotSource(const QImage& picture, const Point& center, double radius, const std::vector<SpotItem>& spots);

// Whether the picture shows a speck within `reach` (a fraction of its shorter
// side) of `centre` (spot units). A null picture shows none.
bool showsSpeck(const QImage& picture, const Point& centre, double reach);

}  // namespace vantrel
