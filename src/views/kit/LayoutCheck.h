#pragma once
// LayoutCheck: finds what a widget tree cuts off, so that every language fits
// the window. It walks every widget shown under a root (stopping at other
// windows and hidden subtrees) and reports
// - a text that is wider or taller than the room its label, button or combo
//   box gives it (the font's metrics against the widget's width; a painted
//   ElidedLabel shortens itself and needs only its height);
// - an elided text ("…") whose whole text is not in the tooltip;
// - a button that shows only its icon and has no tooltip;
// - a widget that extends past its parent, except along an axis in which the
//   parent is a scroll area's viewport that scrolls, or a parent marked with
//   allowOverflow();
// - a slider row whose read-out has no room for the value at either end of its
//   range;
// - a text marked with requireWholeText() that is shortened at all, its tooltip
//   notwithstanding.
// Tests call it over a whole window or one view at several sizes and expect
// an empty report; a new view placed in the window is checked with it.
#include <vector>

#include <QString>

class QWidget;

namespace vantrel {

struct LayoutIssue {
    QString widget;   // path of object names (or class names) from the root
    QString problem;  // what does not fit, with the measured widths
};

std::vector<LayoutIssue> findLayoutIssues(const QWidget& root);

// One line per issue; empty when everything fits.
QString describeLayoutIssues(const std::vector<LayoutIssue>& issues);

// Marks a widget whose children may lie partly outside it on purpose (a
// zoomed or panned picture that the widget clips).
void allowOverflow(QWidget& widget);

// Marks a text the photographer must read where it stands (a notice to act on,
// the name of what is being edited): shortened, it is reported even though its
// tooltip holds it whole.
void requireWholeText(QWidget& widget);

}  // namespace vantrel
