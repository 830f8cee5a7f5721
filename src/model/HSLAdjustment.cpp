#include "model/HSLAdjustment.h"

#include <algorithm>

#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;

constexpr auto schema = strictRecord(field("hue", &HSLAdjustment::hue), field("saturation", &HSLAdjustment::saturation),
                                     field("luminance", &HSLAdjustment::luminance));

}  // namespace

HSLAdjustment hslAdjustment(const HSLAdjustments& adjustments, HSLColorChannel channel) {
    const auto it = adjustments.find(std::string(rawValue(channel)));
    return it == adjustments.end() ? HSLAdjustment::zero() : it->second;
}

void setHSLAdjustment(HSLAdjustments& adjustments, const HSLAdjustment& adjustment, HSLColorChannel channel) {
    std::string key(rawValue(channel));
    if (adjustment.isNeutral()) adjustments.erase(key);
    else adjustments.insert_or_assign(std::move(key), adjustment);
}

bool hasHSLAdjustments(const HSLAdjustments& adjustments) {
    return std::any_of(adjustments.begin(), adjustments.end(),
                       [](const auto& entry) { return !entry.second.isNeutral(); });
}

void to_json(nlohmann::json& j, const HSLAdjustment& adjustment) { writeRecord(j, adjustment, schema); }
void from_json(const nlohmann::json& j, HSLAdjustment& adjustment) { readRecord(j, adjustment, schema); }

}  // namespace vantrel
