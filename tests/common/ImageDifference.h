#pragma once
// How far two pictures of the window or the view model lie apart.
#include <algorithm>
#include <cstdlib>

#include <QImage>

namespace vantrel {

// The largest difference of any channel of any pixel; images of other sizes differ wholly.
inline int largestDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 256;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            largest = std::max({largest, std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                                std::abs(p.blue() - q.blue())});
        }
    return largest;
}

}  // namespace vantrel
