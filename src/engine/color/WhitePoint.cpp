#include "engine/color/WhitePoint.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vantrel {
namespace {

// Robertson's isotherms (Wyszecki & Stiles): reciprocal megakelvin, CIE 1960
// u, v of the black body and the isotherm slope. The u of the 325 row is the
// corrected 0.24792 (the often-copied 0.24702 is a transcription slip).
struct Isotherm {
    double r, u, v, t;
};
constexpr std::array<Isotherm, 31> kIsotherms{{
    {0, 0.18006, 0.26352, -0.24341},   {10, 0.18066, 0.26589, -0.25479},  {20, 0.18133, 0.26846, -0.26876},
    {30, 0.18208, 0.27119, -0.28539},  {40, 0.18293, 0.27407, -0.30470},  {50, 0.18388, 0.27709, -0.32675},
    {60, 0.18494, 0.28021, -0.35156},  {70, 0.18611, 0.28342, -0.37915},  {80, 0.18740, 0.28668, -0.40955},
    {90, 0.18880, 0.28997, -0.44278},  {100, 0.19032, 0.29326, -0.47888}, {125, 0.19462, 0.30141, -0.58204},
    {150, 0.19962, 0.30921, -0.70471}, {175, 0.20525, 0.31647, -0.84901}, {200, 0.21142, 0.32312, -1.0182},
    {225, 0.21807, 0.32909, -1.2168},  {250, 0.22511, 0.33439, -1.4512},  {275, 0.23247, 0.33904, -1.7298},
    {300, 0.24010, 0.34308, -2.0637},  {325, 0.24792, 0.34655, -2.4681},  {350, 0.25591, 0.34951, -2.9641},
    {375, 0.26400, 0.35200, -3.5814},  {400, 0.27218, 0.35407, -4.3633},  {425, 0.28039, 0.35577, -5.3762},
    {450, 0.28863, 0.35714, -6.7262},  {475, 0.29685, 0.35823, -8.5955},  {500, 0.30505, 0.35907, -11.324},
    {525, 0.31320, 0.35968, -15.628},  {550, 0.32129, 0.36011, -23.325},  {575, 0.32931, 0.36038, -40.770},
    {600, 0.33724, 0.36051, -116.45},
}};

// One unit of tint moves the white this far in uv along the isotherm.
constexpr double kTintScale = -3000.0;

const color::Matrix3 kBradford{{0.8951, 0.2664, -0.1614, -0.7502, 1.7135, 0.0367, 0.0389, -0.0685, 1.0296}};

std::array<double, 3> xyzOfWhite(Chromaticity c) { return {c.x / c.y, 1.0, (1.0 - c.x - c.y) / c.y}; }

}  // namespace

Chromaticity chromaticity(WhitePoint white) {
    const double temperature = std::isfinite(white.temperature) ? std::clamp(white.temperature, 1700.0, 50000.0)
                                                                : kReferenceTemperature;
    const double tint = std::isfinite(white.tint) ? white.tint : 0.0;
    const double r = 1.0e6 / temperature;

    // Isotherm pair that brackets r; the last pair also covers anything beyond.
    size_t i = 0;
    while (i + 2 < kIsotherms.size() && r >= kIsotherms[i + 1].r) ++i;
    const Isotherm& lo = kIsotherms[i];
    const Isotherm& hi = kIsotherms[i + 1];
    const double f = (hi.r - r) / (hi.r - lo.r);  // weight of the lower row

    double u = lo.u * f + hi.u * (1.0 - f);
    double v = lo.v * f + hi.v * (1.0 - f);

    // Unit directions of both isotherms, blended and renormalised.
    const double len1 = std::sqrt(1.0 + lo.t * lo.t);
    const double len2 = std::sqrt(1.0 + hi.t * hi.t);
    double du = f / len1 + (1.0 - f) / len2;
    double dv = f * lo.t / len1 + (1.0 - f) * hi.t / len2;
    const double len3 = std::hypot(du, dv);
    du /= len3;
    dv /= len3;

    const double offset = tint / kTintScale;
    u += du * offset;
    v += dv * offset;

    const double d = u - 4.0 * v + 2.0;
    return {1.5 * u / d, v / d};
}

color::Matrix3 whiteAdaptationMatrix(WhitePoint neutral, WhitePoint target) {
    if (neutral == target) return {};
    const auto wn = xyzOfWhite(chromaticity(neutral));
    const auto wt = xyzOfWhite(chromaticity(target));
    const auto coneNeutral = kBradford.apply(wn[0], wn[1], wn[2]);
    const auto coneTarget = kBradford.apply(wt[0], wt[1], wt[2]);
    const color::Matrix3 gain{{coneTarget[0] / coneNeutral[0], 0, 0, 0, coneTarget[1] / coneNeutral[1], 0, 0, 0,
                               coneTarget[2] / coneNeutral[2]}};
    const color::Matrix3 toCone = kBradford * color::linearP3ToXYZ();
    return toCone.inverted() * gain * toCone;
}

}  // namespace vantrel
