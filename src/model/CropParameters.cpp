#include "model/CropParameters.h"

#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using C = CropParameters;

constexpr auto schema = strictRecord(field("rect", &C::rect), field("straightenAngle", &C::straightenAngle),
                                     field("quarterTurns", &C::quarterTurns), field("isFlippedH", &C::isFlippedH),
                                     field("isFlippedV", &C::isFlippedV), field("aspectRatio", &C::aspectRatio));

}  // namespace

const CropParameters& CropParameters::defaultValue() {
    static const CropParameters value{};
    return value;
}

void to_json(nlohmann::json& j, const CropParameters& crop) { writeRecord(j, crop, schema); }
void from_json(const nlohmann::json& j, CropParameters& crop) { readRecord(j, crop, schema); }

}  // namespace vantrel
