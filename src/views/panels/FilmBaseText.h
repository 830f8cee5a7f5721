#pragma once
// How the negative-conversion panel shows a film base colour (the record's
// list of sRGB components): its swatch colour and its hex text. Pure helpers,
// tested without a window.
#include <vector>

#include <QColor>
#include <QString>

namespace vantrel {

// What a base that is not exactly three components shows.
inline constexpr const char* kMalformedFilmBaseHex = "#D87240";

// "#RRGGBB": each component times 255, truncated toward zero (0.85 gives D8).
// A component outside 0...1 is shown at the nearer end and NaN as 0; the
// record keeps what it holds. Not three components: kMalformedFilmBaseHex.
QString filmBaseHex(const std::vector<double>& base);

// The swatch's colour: the three components (limited to 0...1 as above), or
// orange for a base that is not three components.
QColor filmBaseSwatchColor(const std::vector<double>& base);

}  // namespace vantrel
