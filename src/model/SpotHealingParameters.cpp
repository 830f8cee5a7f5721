#include "model/SpotHealingParameters.h"

#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using S = SpotItem;
using H = SpotHealingParameters;

constexpr auto spotSchema = strictRecord(field("id", &S::id), field("center", &S::center), field("radius", &S::radius),
                                         field("sourceOffset", &S::sourceOffset), field("opacity", &S::opacity));

constexpr auto healingSchema =
    strictRecord(field("spots", &H::spots), field("isEnabled", &H::isEnabled),
                 field("isVisualizeDustMode", &H::isVisualizeDustMode),
                 field("visualizeDustIntensity", &H::visualizeDustIntensity));

}  // namespace

const SpotHealingParameters& SpotHealingParameters::defaultValue() {
    static const SpotHealingParameters value{};
    return value;
}

void to_json(nlohmann::json& j, const SpotItem& spot) { writeRecord(j, spot, spotSchema); }
void from_json(const nlohmann::json& j, SpotItem& spot) { readRecord(j, spot, spotSchema); }
void to_json(nlohmann::json& j, const SpotHealingParameters& healing) { writeRecord(j, healing, healingSchema); }
void from_json(const nlohmann::json& j, SpotHealingParameters& healing) { readRecord(j, healing, healingSchema); }

}  // namespace vantrel
