#pragma once
// Small parts of the workflow views.
// SymbolButton: a plain (bezel-less) button that is one symbol on an optional
// fill, a circle or a rounded rectangle, as the culling bar's stars and flags
// and the sheets' close buttons are. Its look is set from outside without
// emitting; a click emits clicked() once. LabelDot: the culling bar's colour
// dot, a filled circle with a white ring while its label is chosen. Band: a
// row's background, a fill with a one-point line over its bottom edge.
#include <string>

#include <QAbstractButton>
#include <QColor>
#include <QFont>

class QCheckBox;

namespace vantrel {

class FittingLabel;

class SymbolButton final : public QAbstractButton {
    Q_OBJECT

public:
    enum class Shape { circle, roundedRect };

    // The symbol `symbolSize` points square, with `padX` and `padY` around it.
    SymbolButton(double symbolSize, double padX, double padY, Shape shape = Shape::circle, double radius = 4,
                 QWidget* parent = nullptr);

    // Repaints only on a change; never emits.
    void setLook(const std::string& symbol, const QColor& colour, const QColor& fill = Qt::transparent);
    const std::string& symbol() const { return symbol_; }
    QColor colour() const { return colour_; }
    QColor fill() const { return fill_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double symbolSize_;
    double padX_;
    double padY_;
    Shape shape_;
    double radius_;
    std::string symbol_;
    QColor colour_;
    QColor fill_ = Qt::transparent;
};

class LabelDot final : public QAbstractButton {
    Q_OBJECT

public:
    explicit LabelDot(const QColor& colour, QWidget* parent = nullptr);

    void setRinged(bool ringed);
    bool isRinged() const { return ringed_; }
    QColor colour() const { return colour_; }

    QSize sizeHint() const override { return {16, 16}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
    bool ringed_ = false;
};

// A check box whose label is a title over a smaller description, each
// wrapping onto a few lines; a click anywhere on the row toggles it. setOn()
// never emits; a user's toggle emits switched() once.
class OptionRow final : public QWidget {
    Q_OBJECT

public:
    struct Look {
        int titlePixels = 12;
        int descriptionPixels = 10;
        QFont::Weight titleWeight = QFont::Medium;
        QColor titleColour;  // default: primary text
    };
    OptionRow(const Look& look, QWidget* parent = nullptr);

    void setTexts(const QString& title, const QString& description);
    void setOn(bool on);
    bool isOn() const;
    QCheckBox* checkBox() const { return box_; }
    FittingLabel* titleLabel() const { return title_; }
    FittingLabel* descriptionLabel() const { return description_; }

Q_SIGNALS:
    void switched(bool on);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QCheckBox* box_;
    FittingLabel* title_;
    FittingLabel* description_;
};

class Band final : public QWidget {
    Q_OBJECT

public:
    Band(const QColor& fill, const QColor& bottomLine, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
    QColor line_;
};

// A button's label with "&" shown as it is rather than as a shortcut marker.
QString buttonLabel(QString text);

}  // namespace vantrel
