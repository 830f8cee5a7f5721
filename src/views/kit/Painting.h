#pragma once
// Small painting helpers that turn the designs' point sizes into Qt terms:
// dashed pens measured in points, fonts sized in pixels, and soft shadows of
// single shapes (a blurred copy, made once per shape, size and colour).
#include <initializer_list>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QPen>

class QPainter;
class QWidget;

namespace vantrel {

// A pen `width` points wide whose dashes and gaps are given in points (Qt
// measures them in pen widths). Flat caps and miter joins; a width of 0 or
// less draws a one-point line.
QPen dashedPen(const QColor& colour, double width, std::initializer_list<double> dashesAndGaps,
               double dashOffset = 0);
QPen solidPen(const QColor& colour, double width);

enum class FontDesign { Default, Monospaced };

// The interface font at `pixels` logical pixels (fractional sizes too), with a
// weight; the monospaced design for read-outs and hex texts.
QFont pixelFont(double pixels, QFont::Weight weight = QFont::Normal, FontDesign design = FontDesign::Default);

// A rectangle with continuous-looking corners (a rounded rectangle whose radius
// is clamped to half the shorter side), as every box and chip uses.
QPainterPath roundedRect(const QRectF& rect, double radius);

// The soft shadow of `shape` (painter coordinates) in `colour`, blurred by
// `radius` points (a Gaussian of that standard deviation) and moved by
// `offset`, painted under whatever comes next.
// The blurred image is cached per shape, radius, colour and device pixel ratio.
void paintSoftShadow(QPainter& painter, const QPainterPath& shape, const QColor& colour, double radius,
                     const QPointF& offset = {});

// The blurred image itself (premultiplied, in device pixels at `devicePixelRatio`),
// with the shape's top left at ceil(3 × radius) points from its top left.
QImage softShadowImage(const QPainterPath& shape, const QColor& colour, double radius, double devicePixelRatio = 1.0);

// Gives a floating widget (a bar, a panel over the frame) a drop shadow in
// `colour`, blurred by `blurRadius` and moved by `offset`, drawn around it.
void setDropShadow(QWidget& widget, const QColor& colour, double blurRadius, const QPointF& offset);

}  // namespace vantrel
