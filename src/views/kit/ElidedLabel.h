#pragma once
// ElidedLabel: one line of text that shortens itself with an ellipsis (in the
// middle by default, so a file name keeps its start and its number) when its
// space runs short, and then shows the whole text as its tooltip.
#include <QColor>
#include <QEvent>
#include <QFont>
#include <QStringList>
#include <QWidget>

namespace vantrel {

// Shows `tip` as the tooltip of a help event at the pointer; an empty tip hides any.
void showHelpTip(QWidget& control, QEvent* event, const QString& tip);

// Answers a tooltip event of a control that may draw its text shortened: the
// whole text while shortened() (asked only then: measuring is not free), no
// tip otherwise. False for any other event, and when the control's owner gave
// it a tooltip of its own.
template <typename Shortened>
bool showWholeTextTip(QWidget& control, QEvent* event, const QString& whole, Shortened shortened) {
    if (event->type() != QEvent::ToolTip || !control.toolTip().isEmpty()) return false;
    showHelpTip(control, event, shortened() ? whole : QString());
    return true;
}

class ElidedLabel final : public QWidget {
    Q_OBJECT

public:
    explicit ElidedLabel(const QString& text = {}, QWidget* parent = nullptr);

    // Sets the text; never emits, repaints only when it changed.
    void setText(const QString& text);
    QString text() const { return text_; }
    void setColor(const QColor& colour);
    void setElideMode(Qt::TextElideMode mode);
    void setAlignment(Qt::Alignment alignment);
    // Texts the label shows in turn: its size hint is the widest of them and
    // its own, so what stands after it keeps its place when the text changes.
    void setReservedTexts(const QStringList& texts);

    // The text as drawn at the current width, and whether it is shortened.
    QString shownText() const;
    bool isElided() const { return shownText() != text_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QString text_;
    QColor colour_;
    Qt::TextElideMode mode_ = Qt::ElideMiddle;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
    QStringList reserved_;
};

// A title or caption that keeps its start: shortened at the end, in the
// pixel font of that size and weight, in `colour`.
ElidedLabel* elidedCaption(double pixels, QFont::Weight weight, const QColor& colour);

}  // namespace vantrel
