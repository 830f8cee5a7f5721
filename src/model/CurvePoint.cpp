#include "model/CurvePoint.h"

#include "model/Clamp.h"
#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;

constexpr auto schema = strictRecord(field("id", &CurvePoint::id, Presence::optional), field("x", &CurvePoint::x),
                                     field("y", &CurvePoint::y));

}  // namespace

CurvePoint CurvePoint::clamped() const { return {id, clampNanHigh(x, 0, 1), clampNanHigh(y, 0, 1)}; }

void to_json(nlohmann::json& j, const CurvePoint& point) { writeRecord(j, point, schema); }

void from_json(const nlohmann::json& j, CurvePoint& point) {
    CurvePoint read;
    readRecord(j, read, schema);
    point = read.clamped();
}

}  // namespace vantrel
