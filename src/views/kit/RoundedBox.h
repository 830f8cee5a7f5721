#pragma once
// RoundedBox: a column of rows on a rounded, translucent fill with an optional
// outline: the boxes that group a panel's controls. Add rows to content().
#include <QColor>
#include <QWidget>

class QVBoxLayout;

namespace vantrel {

class RoundedBox final : public QWidget {
    Q_OBJECT

public:
    struct Style {
        QColor fill;
        QColor stroke = Qt::transparent;
        double strokeWidth = 1;
        double radius = 6;
        int padding = 8;
        int spacing = 6;

        // White 0.03, radius 6, padding 8, spacing 6: a group inside a panel.
        static Style group();
        // White 0.02 outlined in white 0.06, radius 8, padding 10, spacing 10: a whole panel.
        static Style card();
        // Black 0.25 outlined in white 0.08, radius 6, padding 10, spacing 6: an editor box.
        static Style editor();
    };

    explicit RoundedBox(const Style& style, QWidget* parent = nullptr);

    QVBoxLayout* content() const { return column_; }
    const Style& boxStyle() const { return style_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Style style_;
    QVBoxLayout* column_;
};

// A whole panel's card (Style::card()) named `name`, filling `panel`.
RoundedBox* panelCard(QWidget& panel, const QString& name);

}  // namespace vantrel
