#pragma once
// Inversion of negative scans: film kind, film base colour and the controls
// that shape the inverted density range.
#include <array>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "model/EnumTable.h"

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

void to_json(nlohmann::json& j, const NegativeLabParameters& negative);
void from_json(const nlohmann::json& j, NegativeLabParameters& negative);

}  // namespace vantrel
