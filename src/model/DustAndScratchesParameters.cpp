#include "model/DustAndScratchesParameters.h"

#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using D = DustAndScratchesParameters;

constexpr auto schema = strictRecord(field("amount", &D::amount), field("scratchesDensity", &D::scratchesDensity),
                                     field("dustSize", &D::dustSize));

}  // namespace

const DustAndScratchesParameters& DustAndScratchesParameters::defaultValue() {
    static const DustAndScratchesParameters value{};
    return value;
}

void to_json(nlohmann::json& j, const DustAndScratchesParameters& dust) { writeRecord(j, dust, schema); }
void from_json(const nlohmann::json& j, DustAndScratchesParameters& dust) { readRecord(j, dust, schema); }

}  // namespace vantrel
