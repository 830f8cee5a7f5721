#include "model/LightLeakParameters.h"

#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using L = LightLeakParameters;

constexpr auto schema =
    strictRecord(field("style", &L::style), field("intensity", &L::intensity), field("position", &L::position));

}  // namespace

const LightLeakParameters& LightLeakParameters::defaultValue() {
    static const LightLeakParameters value{};
    return value;
}

void to_json(nlohmann::json& j, const LightLeakParameters& leak) { writeRecord(j, leak, schema); }
void from_json(const nlohmann::json& j, LightLeakParameters& leak) { readRecord(j, leak, schema); }

}  // namespace vantrel
