#include "views/panels/FilmBaseText.h"

#include <algorithm>
#include <cmath>

#include "views/kit/StandardColors.h"

namespace vantrel {

namespace {

double shown(double component) { return std::isnan(component) ? 0.0 : std::clamp(component, 0.0, 1.0); }

}  // namespace

QString filmBaseHex(const std::vector<double>& base) {
    if (base.size() != 3) return QString::fromLatin1(kMalformedFilmBaseHex);
    QString text = QStringLiteral("#");
    for (double component : base)
        text += QStringLiteral("%1").arg(int(shown(component) * 255.0), 2, 16, QLatin1Char('0')).toUpper();
    return text;
}

QColor filmBaseSwatchColor(const std::vector<double>& base) {
    if (base.size() != 3) return standardColor(StandardColor::Orange);
    return QColor::fromRgbF(float(shown(base[0])), float(shown(base[1])), float(shown(base[2])));
}

}  // namespace vantrel
