#include "model/ColorGradingParameters.h"

#include "model/Clamp.h"
#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using W = ColorWheelAdjustment;
using G = ColorGradingParameters;

constexpr auto wheelSchema =
    strictRecord(field("hue", &W::hue), field("saturation", &W::saturation), field("luminance", &W::luminance));

constexpr auto gradingSchema = strictRecord(field("shadows", &G::shadows), field("midtones", &G::midtones),
                                            field("highlights", &G::highlights), field("balance", &G::balance));

}  // namespace

ColorWheelAdjustment ColorWheelAdjustment::clamped() const {
    return {std::isnan(hue) ? 0.0 : hue, clampNanHigh(saturation, 0, 1), clampNanHigh(luminance, -1, 1)};
}

const ColorGradingParameters& ColorGradingParameters::defaultValue() {
    static const ColorGradingParameters value{};
    return value;
}

ColorGradingParameters ColorGradingParameters::clamped() const {
    return {shadows, midtones, highlights, clampNanHigh(balance, -1, 1)};
}

void to_json(nlohmann::json& j, const ColorWheelAdjustment& wheel) { writeRecord(j, wheel, wheelSchema); }
void from_json(const nlohmann::json& j, ColorWheelAdjustment& wheel) { readRecord(j, wheel, wheelSchema); }
void to_json(nlohmann::json& j, const ColorGradingParameters& grading) { writeRecord(j, grading, gradingSchema); }
void from_json(const nlohmann::json& j, ColorGradingParameters& grading) { readRecord(j, grading, gradingSchema); }

}  // namespace vantrel
