#include "views/kit/SymbolView.h"

#include <cmath>

#include <QPainter>

#include "views/kit/Symbols.h"

namespace vantrel {

SymbolView::SymbolView(std::string symbol, double size, const QColor& colour, QWidget* parent)
    : QWidget(parent), symbol_(std::move(symbol)), colour_(colour) {
    const int side = int(std::ceil(size));
    setFixedSize(side, side);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SymbolView::setSymbol(const std::string& symbol) {
    if (symbol == symbol_) return;
    symbol_ = symbol;
    update();
}

void SymbolView::setColor(const QColor& colour) {
    if (colour == colour_) return;
    colour_ = colour;
    update();
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Symbols::paint(painter, rect(), symbol_, colour_);
}

}  // namespace vantrel
