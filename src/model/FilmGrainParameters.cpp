#include "model/FilmGrainParameters.h"

#include "model/Clamp.h"
#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using G = FilmGrainParameters;

constexpr auto schema = strictRecord(field("amount", &G::amount), field("size", &G::size),
                                     field("roughness", &G::roughness), field("colorDyeClouds", &G::colorDyeClouds));

}  // namespace

const FilmGrainParameters& FilmGrainParameters::defaultValue() {
    static const FilmGrainParameters value{};
    return value;
}

FilmGrainParameters FilmGrainParameters::clamped() const {
    return {clampNanHigh(amount, 0, 1), clampNanHigh(size, 1, 3.5), clampNanHigh(roughness, 0, 1),
            clampNanHigh(colorDyeClouds, 0, 1)};
}

void to_json(nlohmann::json& j, const FilmGrainParameters& grain) { writeRecord(j, grain, schema); }
void from_json(const nlohmann::json& j, FilmGrainParameters& grain) { readRecord(j, grain, schema); }

}  // namespace vantrel
