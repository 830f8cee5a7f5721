#include "model/MaskGroupParameters.h"

#include <algorithm>

#include "model/Clamp.h"
#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using L = LinearMask;
using R = RadialMask;
using G = MaskGroupParameters;

constexpr auto linearSchema = lenientRecord(
    field("id", &L::id), field("name", &L::name), field("isEnabled", &L::isEnabled),
    field("startPoint", &L::startPoint), field("endPoint", &L::endPoint), field("exposure", &L::exposure),
    field("contrast", &L::contrast), field("highlights", &L::highlights), field("shadows", &L::shadows),
    field("temperature", &L::temperature), field("tint", &L::tint), field("saturation", &L::saturation),
    field("isInverted", &L::isInverted));

constexpr auto radialSchema = lenientRecord(
    field("id", &R::id), field("name", &R::name), field("isEnabled", &R::isEnabled), field("center", &R::center),
    field("radiusX", &R::radiusX), field("radiusY", &R::radiusY), field("feather", &R::feather),
    field("isInverted", &R::isInverted), field("exposure", &R::exposure), field("contrast", &R::contrast),
    field("highlights", &R::highlights), field("shadows", &R::shadows), field("temperature", &R::temperature),
    field("tint", &R::tint), field("saturation", &R::saturation));

constexpr auto groupSchema = strictRecord(field("linearMasks", &G::linearMasks), field("radialMasks", &G::radialMasks));

template <class Mask>
bool changesSomething(const Mask& m) {
    return m.isEnabled && !m.isNeutral();
}

}  // namespace

RadialMask RadialMask::clamped() const {
    RadialMask out = *this;
    out.radiusX = clampNanHigh(radiusX, 0.02, 1);
    out.radiusY = clampNanHigh(radiusY, 0.02, 1);
    out.feather = clampNanHigh(feather, 0.05, 1);
    return out;
}

const MaskGroupParameters& MaskGroupParameters::defaultValue() {
    static const MaskGroupParameters value{};
    return value;
}

bool MaskGroupParameters::isIdentity() const {
    return !anyMaskKind([&](const auto& kind) {
        const auto& list = this->*kind.member;
        return std::any_of(list.begin(), list.end(), [](const auto& m) { return changesSomething(m); });
    });
}

int MaskGroupParameters::count() const {
    std::size_t n = 0;
    forEachMaskKind([&](const auto& kind) { n += (this->*kind.member).size(); });
    return int(n);
}

void to_json(nlohmann::json& j, const LinearMask& mask) { writeRecord(j, mask, linearSchema); }
void from_json(const nlohmann::json& j, LinearMask& mask) { readRecord(j, mask, linearSchema); }
void to_json(nlohmann::json& j, const RadialMask& mask) { writeRecord(j, mask, radialSchema); }
void from_json(const nlohmann::json& j, RadialMask& mask) { readRecord(j, mask, radialSchema); }
void to_json(nlohmann::json& j, const MaskGroupParameters& masks) { writeRecord(j, masks, groupSchema); }
void from_json(const nlohmann::json& j, MaskGroupParameters& masks) { readRecord(j, masks, groupSchema); }

}  // namespace vantrel
