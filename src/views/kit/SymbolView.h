#pragma once
// SymbolView: a symbol (see Symbols) shown in a colour at a fixed size, for
// headers and rows that place a symbol beside a text.
#include <string>

#include <QColor>
#include <QWidget>

namespace vantrel {

class SymbolView final : public QWidget {
    Q_OBJECT

public:
    SymbolView(std::string symbol, double size, const QColor& colour, QWidget* parent = nullptr);

    // Neither emits; each repaints only on a change.
    void setSymbol(const std::string& symbol);
    void setColor(const QColor& colour);
    const std::string& symbol() const { return symbol_; }
    QColor color() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string symbol_;
    QColor colour_;
};

}  // namespace vantrel
