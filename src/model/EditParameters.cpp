#include "model/EditParameters.h"

#include <algorithm>
#include <type_traits>

#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using E = EditParameters;

constexpr auto schema = lenientRecord(
    field("exposure", &E::exposure), field("contrast", &E::contrast), field("brightness", &E::brightness),
    field("highlights", &E::highlights), field("shadows", &E::shadows), field("temperature", &E::temperature),
    field("tint", &E::tint), field("saturation", &E::saturation), field("vibrance", &E::vibrance),
    field("hslAdjustments", &E::hslAdjustments), field("curvePoints", &E::curvePoints),
    field("noiseReduction", &E::noiseReduction), field("sharpening", &E::sharpening), field("vignette", &E::vignette),
    field("crop", &E::crop), field("spotHealing", &E::spotHealing), field("colorGrading", &E::colorGrading),
    field("masks", &E::masks), field("subjectMask", &E::subjectMask), field("halation", &E::halation),
    field("filmFrame", &E::filmFrame), field("filmGrain", &E::filmGrain), field("lightLeaks", &E::lightLeaks),
    field("dustAndScratches", &E::dustAndScratches), field("ultraHDR", &E::ultraHDR),
    field("negativeLab", &E::negativeLab));

static_assert(std::tuple_size_v<decltype(schema.fields)> == 26, "every recipe field is stored");

bool sameCurve(const std::vector<CurvePoint>& a, const std::vector<CurvePoint>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const CurvePoint& p, const CurvePoint& q) { return p.sameShape(q); });
}

// One field of two recipes alike in what it does to the picture.
template <class Field>
bool sameField(const EditParameters& a, const EditParameters& b, const Field& fieldOf) {
    const auto& x = a.*fieldOf.member;
    const auto& y = b.*fieldOf.member;
    if constexpr (std::is_same_v<std::decay_t<decltype(x)>, std::vector<CurvePoint>>) return sameCurve(x, y);
    else return x == y;
}

}  // namespace

const std::vector<CurvePoint>& EditParameters::defaultCurvePoints() {
    static const std::vector<CurvePoint> curve = [] {
        std::vector<CurvePoint> points;
        for (double t : {0.0, 0.25, 0.5, 0.75, 1.0}) points.push_back(CurvePoint{Uuid::random(), t, t});
        return points;
    }();
    return curve;
}

const EditParameters& EditParameters::defaultValue() {
    static const EditParameters value{};
    return value;
}

bool EditParameters::sameContent(const EditParameters& other) const {
    // Walks the same field table as the stored form, so a new field cannot be forgotten here.
    return std::apply([&](const auto&... f) { return (sameField(*this, other, f) && ...); }, schema.fields);
}

RecipeMerge mergeRecipes(const EditParameters& base, const EditParameters& ours, const EditParameters& theirs) {
    RecipeMerge result{ours, false};
    std::apply(
        [&](const auto&... f) {
            auto take = [&](const auto& fieldOf) {
                if (sameField(ours, base, fieldOf))
                    result.recipe.*fieldOf.member = theirs.*fieldOf.member;  // changed there, or nowhere
                else if (!sameField(theirs, base, fieldOf) && !sameField(theirs, ours, fieldOf))
                    result.conflict = true;  // changed both here and there: this one stands
            };
            (take(f), ...);
        },
        schema.fields);
    return result;
}

void to_json(nlohmann::json& j, const EditParameters& recipe) { writeRecord(j, recipe, schema); }
void from_json(const nlohmann::json& j, EditParameters& recipe) { readRecord(j, recipe, schema); }

}  // namespace vantrel
