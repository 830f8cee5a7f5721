#pragma once
// MenuButton: a borderless button that opens a menu of actions below it (a
// presets menu). Its label is a text with a small chevron after it; choosing
// an item emits triggered(id) once, also when the same item is chosen again.
// MenuPicker: the same button showing the chosen item of one choice (a style,
// a position); setSelected() marks the item without emitting, choosing another
// item emits selectionChanged(id) once, choosing the marked item emits nothing.
//
// The menu is named "<name>.menu" and its actions "<name>.<id>"; both are built
// once, so a test or a caller finds them with action().
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QColor>

#include "views/kit/FocusRing.h"

class QAction;
class QMenu;

namespace vantrel {

struct MenuItem {
    QString id;
    QString text;
    std::string symbol = {};       // shown before the text when not empty
    bool separatorBefore = false;  // a divider above the item
    bool destructive = false;      // drawn in red: an item that removes something
};

class MenuButton : public WithFocusRing<QAbstractButton> {
    Q_OBJECT

public:
    struct Style {
        double fontPixels = 10;
        QColor text;  // default: primary text
        QColor fill;  // default: none (a plain borderless label)
        double radius = 4;
        double paddingX = 0;
        double paddingY = 0;
        bool stretches = false;  // takes the row's free width instead of its natural width

        Style();
        // A labelled popup: the chosen text on white 0.06, padded, stretching.
        static Style popup(double fontPixels);
    };

    MenuButton(const QString& name, const QString& label, const std::vector<MenuItem>& items, const Style& style,
               QWidget* parent = nullptr);

    // Neither emits.
    void setLabel(const QString& label);
    virtual void setItemText(const QString& id, const QString& text);

    QString label() const { return text(); }
    QMenu* menu() const { return menu_; }
    QAction* action(const QString& id) const;
    // The label as drawn at the current width (shortened with an ellipsis when narrow).
    QString shownLabel() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void triggered(const QString& id);

protected:
    // Opens the menu under the button (on a click or the space key).
    void openMenu();
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    double chevronWidth() const;

    Style style_;
    QMenu* menu_;
    std::vector<std::pair<QString, QAction*>> actions_;
};

class MenuPicker final : public MenuButton {
    Q_OBJECT

public:
    MenuPicker(const QString& name, const std::vector<MenuItem>& items, const Style& style = Style::popup(10),
               QWidget* parent = nullptr);

    // Marks the item of `id` and shows its text; an unknown id changes nothing.
    void setSelected(const QString& id);
    QString selected() const { return selected_; }
    // A new text for an item; the label follows when the item is the chosen one.
    void setItemText(const QString& id, const QString& text) override;

Q_SIGNALS:
    void selectionChanged(const QString& id);

private:
    QString selected_;
};

}  // namespace vantrel
