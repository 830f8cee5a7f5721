#include "model/HalationParameters.h"

#include "model/Clamp.h"
#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using H = HalationParameters;

constexpr auto schema = strictRecord(
    field("isEnabled", &H::isEnabled), field("halationIntensity", &H::halationIntensity),
    field("halationRadius", &H::halationRadius), field("halationThreshold", &H::halationThreshold),
    field("bloomIntensity", &H::bloomIntensity), field("bloomRadius", &H::bloomRadius));

}  // namespace

const HalationParameters& HalationParameters::defaultValue() {
    static const HalationParameters value{};
    return value;
}

const HalationParameters& HalationParameters::enabledDefault() {
    static const HalationParameters value = HalationParameters{true, 0.55, 18, 0.7, 0, 30}.clamped();
    return value;
}

const HalationParameters& HalationParameters::cine800T() {
    static const HalationParameters value = HalationParameters{true, 0.85, 24, 0.65, 0.35, 38}.clamped();
    return value;
}

const HalationParameters& HalationParameters::vision500T() {
    static const HalationParameters value = HalationParameters{true, 0.55, 18, 0.7, 0.2, 28}.clamped();
    return value;
}

const HalationParameters& HalationParameters::blackMist() {
    static const HalationParameters value = HalationParameters{true, 0.25, 15, 0.6, 0.75, 55}.clamped();
    return value;
}

HalationParameters HalationParameters::clamped() const {
    return {isEnabled,
            clampNanHigh(halationIntensity, 0, 1),
            clampNanHigh(halationRadius, 2, 100),
            clampNanHigh(halationThreshold, 0.35, 0.99),
            clampNanHigh(bloomIntensity, 0, 1),
            clampNanHigh(bloomRadius, 5, 150)};
}

void to_json(nlohmann::json& j, const HalationParameters& halation) { writeRecord(j, halation, schema); }
void from_json(const nlohmann::json& j, HalationParameters& halation) { readRecord(j, halation, schema); }

}  // namespace vantrel
