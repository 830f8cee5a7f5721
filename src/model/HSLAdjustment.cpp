#include "model/HSLAdjustment.h"

#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;

constexpr auto schema = strictRecord(field("hue", &HSLAdjustment::hue), field("saturation", &HSLAdjustment::saturation),
                                     field("luminance", &HSLAdjustment::luminance));

}  // namespace

void to_json(nlohmann::json& j, const HSLAdjustment& adjustment) { writeRecord(j, adjustment, schema); }
void from_json(const nlohmann::json& j, HSLAdjustment& adjustment) { readRecord(j, adjustment, schema); }

}  // namespace vantrel
