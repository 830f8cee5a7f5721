#pragma once
// Texts that give way in a fixed width instead of widening their column: a
// label that elides its one line at the end (or wraps onto a few lines and
// elides the last), and a button that elides its label or falls back to its
// icon. Whatever is cut stands whole in the tooltip, after the help text if
// any. While hidden they show their whole text; they fit it when shown and
// resized. (ElidedLabel, a painted line elided in the middle, suits file
// names; FittingLabel is a QLabel, styled by style sheets, with a help text.)
#include <QEvent>
#include <QLabel>
#include <QPushButton>

namespace vantrel {

// The size a push button asks for with `text` instead of its own text (an
// empty text: its icon alone), and the same with another icon (none: null).
QSize buttonSizeFor(const QPushButton& button, const QString& text);
QSize buttonSizeFor(const QPushButton& button, const QString& text, const QIcon& icon);
// The room a push button of `size` leaves for its text beside its icon.
QSize buttonTextRoom(const QPushButton& button, QSize size);
// The tooltip of a control whose text `whole` may be cut: the help text, and
// the whole text on a line of its own when cut and not already the help.
QString tooltipFor(const QString& help, const QString& whole, bool cut);
// `text` with its long runs without a blank (a path, a file name) allowed to
// break after a separator ("/", "_", "-", ".") and, where a part still runs
// long, every few characters, by zero-width spaces: a wrapping label then
// folds them within its width instead of running past its edge.
QString breakableText(const QString& text);
// `text` on two lines, broken at the space that leaves the wider line narrowest
// (unchanged when it has no space).
QString balancedTwoLines(const QFontMetrics& metrics, const QString& text);
// The width of the widest line of `text`.
int widestLine(const QFontMetrics& metrics, const QString& text);
// While `owner` lives, text copied to the clipboard loses those invisible break
// hints, so a path copied from a label showing breakableText pastes whole.
void copiesWithoutBreakHints(QObject& owner);

// A control that fits its text to its width: refit() runs when it is shown or
// resized, and when its font or style changes (which changes the size it asks
// for too).
template <typename Control>
class Refitting : public Control {
public:
    using Control::Control;

protected:
    virtual void refit() = 0;

    void resizeEvent(QResizeEvent* event) override {
        Control::resizeEvent(event);
        refit();
    }
    void showEvent(QShowEvent* event) override {
        Control::showEvent(event);
        refit();
    }
    void changeEvent(QEvent* event) override {
        Control::changeEvent(event);
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
            refit();
            this->updateGeometry();
        }
    }
};

class FittingLabel : public Refitting<QLabel> {
    Q_OBJECT

public:
    explicit FittingLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return full_; }
    void setHelp(const QString& help);
    // Wraps onto up to `lines` lines; the last one shown is elided (1: one line).
    void setMaximumLines(int lines);
    // Wraps onto as many lines as its width needs and never elides (a text the
    // photographer must read where it stands); a long path or file name folds after
    // its separators, and copied it pastes as written.
    void setWrapsWhole();
    bool isElided() const { return elided_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return maxLines_ > 1 || wrapsWhole_; }
    int heightForWidth(int width) const override;

private:
    // The lines shown in a text width of `room`.
    QStringList linesFor(int room, bool* elided) const;
    int textRoom(int width) const;
    QSize textSize(const QStringList& lines) const;
    void refit() override;

    QString full_;
    QString help_;
    int maxLines_ = 1;
    bool wrapsWhole_ = false;
    bool elided_ = false;
};

// A label named `name`, styled by the style sheet `style`, wrapping onto up to
// `lines` lines.
FittingLabel* fittingLabel(const char* name, const QString& style, int lines = 1);
// Narrowed by its column, never widening it (a wrapping label keeps its
// height-for-width).
void narrowedByColumn(QWidget& widget);

class FittingButton : public Refitting<QPushButton> {
    Q_OBJECT

public:
    enum class Fit { elide, iconOnly };
    explicit FittingButton(Fit fit, const QIcon& icon = {}, QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return full_; }
    void setHelp(const QString& help);
    bool isCut() const { return text() != full_; }

    // Asks for room for the whole text; can shrink to the icon (or an ellipsis).
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    void refit() override;

    Fit fit_;
    QString full_;
    QString help_;
};

}  // namespace vantrel
