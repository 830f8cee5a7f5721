#include "model/NormalizedRect.h"

#include "model/Clamp.h"
#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;

constexpr auto schema = strictRecord(field("x", &NormalizedRect::x), field("y", &NormalizedRect::y),
                                     field("width", &NormalizedRect::width), field("height", &NormalizedRect::height));

// At most `room`, at least 0.01; a NaN takes the whole room.
double clampExtent(double value, double room) {
    if (std::isnan(value)) value = room;
    return std::max(std::min(value, room), 0.01);
}

}  // namespace

NormalizedRect NormalizedRect::clamped() const {
    const double cx = clampNanHigh(x, 0, 1);
    const double cy = clampNanHigh(y, 0, 1);
    return {cx, cy, clampExtent(width, 1 - cx), clampExtent(height, 1 - cy)};
}

void to_json(nlohmann::json& j, const NormalizedRect& rect) { writeRecord(j, rect, schema); }
void from_json(const nlohmann::json& j, NormalizedRect& rect) { readRecord(j, rect, schema); }

}  // namespace vantrel
