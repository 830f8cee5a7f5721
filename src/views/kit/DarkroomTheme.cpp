#include "views/kit/DarkroomTheme.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

namespace vantrel {

namespace {

QColor grey(double level, double opacity = 1.0) { return QColor::fromRgbF(float(level), float(level), float(level), float(opacity)); }

// Fusion outlines a check box or radio button a shade darker than the window,
// which on the dark sheets leaves an unticked one all but invisible: the
// outline is drawn again in the theme's control outline, over the same path.
class DarkroomStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (element != PE_IndicatorCheckBox && element != PE_IndicatorRadioButton) return;
        // Fusion's own focus outline stays.
        if ((option->state & State_HasFocus) && (option->state & State_KeyboardFocusChange)) return;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(DarkroomTheme::controlOutline(), 1));
        const QRect r = option->rect;
        if (element == PE_IndicatorCheckBox) {
            painter->drawRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5));
        } else {
            // The circle Fusion draws for the mark.
            const QPointF centre = QRectF(r).center() + QPointF(0.5, 0.5);
            const double radius = (r.width() + (r.width() + 1) % 2) / 2.0 - 1;
            painter->drawEllipse(centre, radius, radius);
        }
        painter->restore();
    }
};

}  // namespace

// Function-local statics: created once, thread-safely, and never changed.
const QColor& DarkroomTheme::raisedBackground() {
    static const QColor colour = grey(0.165);
    return colour;
}
const QColor& DarkroomTheme::panelBackground() {
    static const QColor colour = grey(0.141);
    return colour;
}
const QColor& DarkroomTheme::windowBackground() {
    static const QColor colour = grey(0.13);
    return colour;
}
const QColor& DarkroomTheme::filmstripBackground() {
    static const QColor colour = grey(0.122);
    return colour;
}
const QColor& DarkroomTheme::floatingPanelFill() {
    static const QColor colour = grey(0.18, 0.95);
    return colour;
}
const QColor& DarkroomTheme::separator() {
    static const QColor colour = grey(1.0, 0.09);
    return colour;
}
const QColor& DarkroomTheme::floatingPanelBorder() {
    static const QColor colour = grey(1.0, 0.2);
    return colour;
}
const QColor& DarkroomTheme::controlOutline() {
    // 3.9:1 against the panels and sheets (grey 0.141), 3.5:1 against the floating fill.
    static const QColor colour = grey(0.5);
    return colour;
}
const QColor& DarkroomTheme::accent() {
    static const QColor colour(10, 132, 255);
    return colour;
}

void DarkroomTheme::apply(QApplication& application) {
    if (QStyle* fusion = QStyleFactory::create("Fusion")) application.setStyle(new DarkroomStyle(fusion));

    const QColor text(235, 235, 235);
    const QColor secondaryText(150, 150, 150);
    QPalette palette;
    palette.setColor(QPalette::Window, windowBackground());
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, panelBackground());
    palette.setColor(QPalette::AlternateBase, raisedBackground());
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::PlaceholderText, secondaryText);
    palette.setColor(QPalette::Button, grey(0.22));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, grey(0.2));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Highlight, accent());
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, accent());
    palette.setColor(QPalette::Light, grey(0.3));
    palette.setColor(QPalette::Midlight, grey(0.25));
    palette.setColor(QPalette::Mid, grey(0.18));
    palette.setColor(QPalette::Dark, grey(0.1));
    palette.setColor(QPalette::Shadow, Qt::black);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, secondaryText.darker(130));
    application.setPalette(palette);
}

}  // namespace vantrel
