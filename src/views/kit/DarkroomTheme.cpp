#include "views/kit/DarkroomTheme.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

namespace vantrel {

namespace {

QColor grey(double level, double opacity = 1.0) { return QColor::fromRgbF(float(level), float(level), float(level), float(opacity)); }

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
const QColor& DarkroomTheme::accent() {
    static const QColor colour(10, 132, 255);
    return colour;
}

void DarkroomTheme::apply(QApplication& application) {
    if (QStyle* fusion = QStyleFactory::create("Fusion")) application.setStyle(fusion);

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
