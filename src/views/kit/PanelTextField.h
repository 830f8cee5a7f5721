#pragma once
// PanelTextField: the single-line text field of the panels: a borderless line
// edit on a rounded translucent fill, with a placeholder. setText() changes the
// text only when it differs (the cursor survives a refresh while typing) and
// never emits; each edit by the user emits edited() once with the new text.
// The field is named "<name>", its line edit "<name>.edit".
#include <QWidget>

#include "views/kit/Painting.h"

class QLineEdit;

namespace vantrel {

class PanelTextField final : public QWidget {
    Q_OBJECT

public:
    struct Style {
        double fontPixels = 10;
        FontDesign design = FontDesign::Default;
        int padding = 5;
        double fillOpacity = 0.06;
        double radius = 4;
    };

    PanelTextField(const QString& name, const Style& style, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    void setPlaceholder(const QString& placeholder);
    QLineEdit* lineEdit() const { return edit_; }

Q_SIGNALS:
    void edited(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Style style_;
    QLineEdit* edit_;
};

}  // namespace vantrel
