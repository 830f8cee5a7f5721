#include "model/NegativeLabParameters.h"

#include "model/Clamp.h"
#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using N = NegativeLabParameters;

constexpr auto schema = strictRecord(
    field("isEnabled", &N::isEnabled), field("filmType", &N::filmType), field("filmBaseColor", &N::filmBaseColor),
    field("densityStretch", &N::densityStretch), field("gamma", &N::gamma), field("colorBalance", &N::colorBalance),
    field("highlightRecovery", &N::highlightRecovery), field("shadowDensity", &N::shadowDensity));

}  // namespace

const NegativeLabParameters& NegativeLabParameters::defaultValue() {
    static const NegativeLabParameters value{};
    return value;
}

const NegativeLabParameters& NegativeLabParameters::enabledDefault() {
    static const NegativeLabParameters value{.isEnabled = true};
    return value;
}

NegativeLabParameters NegativeLabParameters::clamped() const {
    NegativeLabParameters out = *this;
    if (out.filmBaseColor.size() != 3) out.filmBaseColor.assign(standardFilmBase.begin(), standardFilmBase.end());
    out.densityStretch = clampNanHigh(densityStretch, 0.2, 3);
    out.gamma = clampNanHigh(gamma, 0.2, 3);
    out.colorBalance = clampNanHigh(colorBalance, -1, 1);
    out.highlightRecovery = clampNanHigh(highlightRecovery, 0, 1);
    out.shadowDensity = clampNanHigh(shadowDensity, 0, 1);
    return out;
}

void to_json(nlohmann::json& j, const NegativeLabParameters& negative) { writeRecord(j, negative, schema); }
void from_json(const nlohmann::json& j, NegativeLabParameters& negative) { readRecord(j, negative, schema); }

}  // namespace vantrel
