#include "model/UltraHDRParameters.h"

#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using U = UltraHDRParameters;

constexpr auto schema =
    strictRecord(field("isEnabled", &U::isEnabled), field("highlightBoost", &U::highlightBoost),
                 field("clipThreshold", &U::clipThreshold), field("gainMapRadius", &U::gainMapRadius),
                 field("maxHeadroom", &U::maxHeadroom));

}  // namespace

const UltraHDRParameters& UltraHDRParameters::defaultValue() {
    static const UltraHDRParameters value{};
    return value;
}

const UltraHDRParameters& UltraHDRParameters::enabledDefault() {
    static const UltraHDRParameters value{.isEnabled = true};
    return value;
}

void to_json(nlohmann::json& j, const UltraHDRParameters& hdr) { writeRecord(j, hdr, schema); }
void from_json(const nlohmann::json& j, UltraHDRParameters& hdr) { readRecord(j, hdr, schema); }

}  // namespace vantrel
