#pragma once
// FloatingToolBar: the look the tool bars floating over the frame share (the
// mask, spot-healing and crop bars): groups of controls in a row inset 16
// points left and right and 8 top and bottom, divided by 20-point dividers, on
// a rounded fill with a soft shadow and a thin outline; the done button last.
//
// The bar keeps to the width its parent offers: when its groups do not fit in
// one row, it breaks the row between groups into as many lines as needed
// (a divider never starts or ends a line), so no control and no text is cut.
// Also the button styles these bars use.
#include <vector>

#include <QWidget>

#include "views/kit/Chip.h"

class QHBoxLayout;
class QVBoxLayout;

namespace vantrel {

class FloatingToolBar : public QWidget {
    Q_OBJECT

public:
    // `name` becomes the object name; `spacing` separates the groups and dividers.
    FloatingToolBar(const QString& name, int spacing, QWidget* parent = nullptr);

    // A new group at the end of the bar, divided from the one before it: its
    // row, `spacing` points between its items, to fill. The group widget is
    // the row's parent widget, named `name`. A group that `givesWay` narrows its
    // sliders (flexibleWidth) before the bar breaks a line; its texts shorten only
    // where it has a line of its own and no room for them.
    QHBoxLayout* addGroup(const QString& name, int spacing, bool givesWay = false);
    // Shows or hides a group together with its divider.
    void setGroupVisible(QWidget* group, bool visible);
    // A group that comes and goes without moving the others: hidden, it keeps
    // its room (and its divider's) in its line, empty.
    void keepPlaceOf(QWidget* group);
    // Packs the shown groups into lines for the parent's width; nothing
    // changes when the packing is the same. Call after a group's content
    // changed its size (a new text, a row shown).
    void updateLines();
    int lineCount() const { return int(lines_.size()); }

    // A bordered button: a label on a faint rounded fill.
    static ChipStyle bordered(double fontPixels, QFont::Weight weight, const QColor& text);
    // The prominent done button: white text on the accent colour.
    static ChipStyle prominent(double fontPixels, double paddingX);
    // A borderless text button.
    static ChipStyle borderless(double fontPixels, QFont::Weight weight, const QColor& text);
    // `child` in a box that asks for `preferred` points of width and gives
    // way down to `minimum` when a line is short of room (a slider).
    static QWidget* flexibleWidth(QWidget* child, int preferred, int minimum);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Group {
        QWidget* widget;
        QWidget* divider;  // before the group; none for the first
        bool givesWay;
        bool keepsPlace = false;
    };
    int roomForLines() const;
    // Each divider shows where its group starts no line and is itself shown.
    void showDividers();

    int spacing_;
    QVBoxLayout* column_;
    std::vector<Group> groups_;
    std::vector<QHBoxLayout*> lines_;
    std::vector<int> packing_;  // the line of each group, -1 when hidden
    QWidget* watchedParent_ = nullptr;
};

}  // namespace vantrel
