#pragma once
// Inversion of negative scans: film kind, film base colour and the controls
// that shape the inverted density range.
#include <array>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "model/EnumTable.h"
#include "model/ScalarParameter.h"

namespace vantrel {

enum class NegativeFilmType { colorNegative, bwNegative };

template <>
struct EnumTable<NegativeFilmType> {
    static constexpr bool unknownIsFirstCase = false;
    static constexpr std::array<EnumCase<NegativeFilmType>, 2> cases{{
        {NegativeFilmType::colorNegative, "colorNegative", "negativeLab.colorNeg"},
        {NegativeFilmType::bwNegative, "bwNegative", "negativeLab.bwNeg"},
    }};
};

struct NegativeLabParameters {
    static constexpr std::array<double, 3> standardFilmBase{0.85, 0.45, 0.25};

    bool isEnabled = false;
    NegativeFilmType filmType = NegativeFilmType::colorNegative;
    std::vector<double> filmBaseColor{standardFilmBase.begin(), standardFilmBase.end()};  // red, green, blue
    double densityStretch = 1;
    double gamma = 1;
    double colorBalance = 0;
    double highlightRecovery = 0;
    double shadowDensity = 0;

    static const NegativeLabParameters& defaultValue();    // conversion off
    static const NegativeLabParameters& enabledDefault();  // the same, switched on

    // The clamping initialiser: a base colour of other than three elements
    // becomes the standard one; densityStretch and gamma into 0.2...3,
    // colorBalance into -1...1, highlightRecovery and shadowDensity into 0...1
    // (NaN gives the upper bound).
    NegativeLabParameters clamped() const;

    // Only the switch matters: an inactive conversion leaves the scan as it is.
    bool isNeutral() const { return !isEnabled; }

    bool operator==(const NegativeLabParameters&) const = default;
};

template <>
struct ParameterTable<NegativeLabParameters> {
    using N = NegativeLabParameters;
    static constexpr std::array<ScalarParameter<N>, 5> rows{{
        {.key = "densityStretch", .member = &N::densityStretch, .lower = 0.2, .upper = 2.5, .neutral = 1,
         .step = 0.02, .label = "negativeLab.densityStretch"},
        {.key = "gamma", .member = &N::gamma, .lower = 0.4, .upper = 2, .neutral = 1, .step = 0.02,
         .label = "negativeLab.gamma"},
        {.key = "colorBalance", .member = &N::colorBalance, .lower = -1, .upper = 1, .neutral = 0, .step = 0.02,
         .label = "negativeLab.colorBalance"},
        {.key = "highlightRecovery", .member = &N::highlightRecovery, .neutral = 0, .step = 0.02,
         .label = "negativeLab.highlightRecovery"},
        {.key = "shadowDensity", .member = &N::shadowDensity, .neutral = 0, .step = 0.02,
         .label = "negativeLab.shadowDensity"},
    }};
};

void to_json(nlohmann::json& j, const NegativeLabParameters& negative);
void from_json(const nlohmann::json& j, NegativeLabParameters& negative);

}  // namespace vantrel
