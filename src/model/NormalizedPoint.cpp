#include "model/NormalizedPoint.h"

#include "model/Clamp.h"
#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;

constexpr auto schema = strictRecord(field("x", &NormalizedPoint::x), field("y", &NormalizedPoint::y));

}  // namespace

NormalizedPoint NormalizedPoint::clamped() const { return {clampNanHigh(x, 0, 1), clampNanHigh(y, 0, 1)}; }

void to_json(nlohmann::json& j, const NormalizedPoint& point) { writeRecord(j, point, schema); }
void from_json(const nlohmann::json& j, NormalizedPoint& point) { readRecord(j, point, schema); }

}  // namespace vantrel
