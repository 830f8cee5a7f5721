// The type sizes, fills and style sheets block of DarkroomTheme.
#include "views/kit/DarkroomTheme.h"

#include "views/kit/StandardColors.h"

namespace vantrel {

const QColor& DarkroomTheme::faintLine() {
    static const QColor colour = whiteAt(0.08);
    return colour;
}
const QColor& DarkroomTheme::restingFill() {
    static const QColor colour = whiteAt(0.04);
    return colour;
}

QString DarkroomTheme::css(const QColor& colour) {
    if (colour.alpha() == 255) return colour.name();
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(colour.red()).arg(colour.green()).arg(colour.blue()).arg(colour.alpha());
}

QString DarkroomTheme::textStyle(int pixels, int weight, const QColor& colour) {
    QString style = QStringLiteral("font-size: %1px; font-weight: %2;").arg(pixels).arg(weight);
    if (colour.isValid()) style += QStringLiteral(" color: %1;").arg(css(colour));
    return style;
}

QString DarkroomTheme::secondaryTextStyle(int pixels, int weight) {
    return textStyle(pixels, weight, standardColor(StandardColor::SecondaryText));
}

QString DarkroomTheme::colorStyle(const QColor& colour) { return QStringLiteral("color: %1;").arg(css(colour)); }

QString DarkroomTheme::fillStyle(const QColor& colour) { return QStringLiteral("background: %1;").arg(css(colour)); }

QString DarkroomTheme::linkStyle(int pixels) {
    return QStringLiteral("QPushButton { border: none; color: %1; font-size: %2px; }"
                          "QPushButton:disabled { color: %3; }")
        .arg(css(standardColor(StandardColor::SecondaryText)))
        .arg(pixels)
        .arg(css(standardColor(StandardColor::TertiaryText)));
}

QString DarkroomTheme::resetLinkStyle() {
    return QStringLiteral("QPushButton { color: %1; font-size: %2px; font-weight: %3; border: none; }")
        .arg(css(accent()))
        .arg(TextSize::small)
        .arg(int(QFont::Medium));
}

QString DarkroomTheme::borderedButtonStyle(int pixels, int weight) {
    return QStringLiteral("QPushButton { font-size: %1px; font-weight: %2; padding: 3px; }").arg(pixels).arg(weight);
}

QString DarkroomTheme::prominentButtonStyle(int pixels, int weight, int cornerRadius, const QString& padding) {
    return QStringLiteral("QPushButton { font-size: %1px; font-weight: %2; background: %3; color: white;"
                          " border-radius: %4px; padding: %5; }"
                          "QPushButton:disabled { background: %6; color: #777; }")
        .arg(pixels)
        .arg(weight)
        .arg(css(accent()))
        .arg(cornerRadius)
        .arg(padding, css(whiteAt(0.1)));
}

QString DarkroomTheme::modeButtonStyle(bool active) {
    if (!active) return QStringLiteral("QPushButton { font-size: %1px; padding: 3px 8px; }").arg(TextSize::control);
    return QStringLiteral("QPushButton { color: %1; font-size: %2px; font-weight: bold; border-radius: 6px;"
                          " background: %3; padding: 3px 8px; }")
        .arg(css(accent()))
        .arg(TextSize::control)
        .arg(css(standardColor(StandardColor::Accent, 0.15)));
}

QString DarkroomTheme::segmentStyle() {
    return QStringLiteral("QPushButton { font-size: %1px; padding: 3px; border: 1px solid %2; }"
                          "QPushButton:checked { background: %3; }")
        .arg(TextSize::label)
        .arg(css(whiteAt(0.12)), css(whiteAt(0.16)));
}

QString DarkroomTheme::badgeStyle() {
    return secondaryTextStyle(TextSize::caption, QFont::DemiBold) +
           QStringLiteral(" padding: 1px 5px; background: %1; border-radius: 4px;").arg(css(faintLine()));
}

QString DarkroomTheme::cardStyle(const QString& objectName, bool active) {
    return QStringLiteral("#%1 { background: %2; border: 1px solid %3; border-radius: 6px; }")
        .arg(objectName, css(active ? standardColor(StandardColor::Accent, 0.3) : restingFill()),
             active ? css(accent()) : QStringLiteral("transparent"));
}

QString DarkroomTheme::readoutStyle(const QColor& tint, bool changed) {
    QColor fill = changed ? tint : QColor(Qt::white);
    fill.setAlphaF(changed ? 0.14f : 0.04f);
    return QStringLiteral("QPushButton { color: %1; background: %2; border: none; border-radius: 3px;"
                          " padding: 0.5px 4px; }")
        .arg(css(changed ? tint : standardColor(StandardColor::SecondaryText)), css(fill));
}

}  // namespace vantrel
