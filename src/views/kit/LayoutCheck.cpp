#include "views/kit/LayoutCheck.h"

#include <algorithm>

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTextDocumentFragment>
#include <QToolButton>

#include "views/kit/ElidedLabel.h"
#include "views/kit/FittingText.h"
#include "views/kit/ProSlider.h"

namespace vantrel {

namespace {

constexpr char kOverflowProperty[] = "vantrelOverflowAllowed";
constexpr char kWholeProperty[] = "vantrelWholeTextRequired";
const QChar kEllipsis(0x2026);

class Checker {
public:
    explicit Checker(const QWidget& root) : root_(root) {}

    void walk(const QWidget& widget) {
        for (QObject* object : widget.children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (!child || child->isWindow() || child->isHidden()) continue;
            child->ensurePolished();
            checkPlace(*child);
            checkText(*child);
            if (child->property(kWholeProperty).toBool()) checkWhole(*child);
            if (auto* slider = qobject_cast<ProSlider*>(child)) checkReadout(*slider);
            walk(*child);
        }
    }

    std::vector<LayoutIssue> issues;

private:
    void report(const QWidget& widget, QString problem) {
        QStringList names;
        for (const QWidget* w = &widget; w && w != &root_; w = w->parentWidget())
            names.prepend(w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName());
        issues.push_back({names.join(QLatin1Char('/')), std::move(problem)});
    }

    // Inside the parent, but for the axes along which a scroll area scrolls it.
    void checkPlace(const QWidget& widget) {
        const QWidget* parent = widget.parentWidget();
        if (parent->property(kOverflowProperty).toBool()) return;
        bool scrollsX = false, scrollsY = false;
        if (auto* area = qobject_cast<const QAbstractScrollArea*>(parent->parentWidget());
            area && area->viewport() == parent) {
            scrollsX = area->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
            scrollsY = area->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
        }
        const QRect place = widget.geometry();
        if (!scrollsX && (place.left() < 0 || place.right() >= parent->width()))
            report(widget, QStringLiteral("spans x %1…%2 outside its parent's width %3")
                               .arg(place.left()).arg(place.right() + 1).arg(parent->width()));
        if (!scrollsY && (place.top() < 0 || place.bottom() >= parent->height()))
            report(widget, QStringLiteral("spans y %1…%2 outside its parent's height %3")
                               .arg(place.top()).arg(place.bottom() + 1).arg(parent->height()));
    }

    // An elided text keeps its whole text in the tooltip: every piece around
    // the ellipsis appears there, in order (line breaks and spaces aside, as a
    // wrapped text breaks its lines where the tooltip has spaces or nothing).
    void checkElision(const QWidget& widget, const QString& text) {
        if (!text.contains(kEllipsis)) return;
        auto bare = [](QString s) {
            s.remove(QRegularExpression(QStringLiteral("\\s")));
            return s;
        };
        const QString tip = bare(QTextDocumentFragment::fromHtml(widget.toolTip()).toPlainText());
        qsizetype from = 0;
        for (const QString& piece : text.split(kEllipsis)) {
            const QString part = bare(piece);
            if (part.isEmpty()) continue;
            from = tip.indexOf(part, from);
            if (from < 0) {
                report(widget, QStringLiteral("\"%1\" is elided but its tooltip \"%2\" does not hold the whole text")
                                   .arg(text, widget.toolTip()));
                return;
            }
            from += part.size();
        }
    }

    // A line may lose a pixel of its descent unseen; a glyph or a line may not.
    void needs(const QWidget& widget, const QString& text, QSize needed, QSize room) {
        const int slack = std::max(1, widget.fontMetrics().descent() / 2);
        if (needed.width() > room.width() || needed.height() > room.height() + slack)
            report(widget, QStringLiteral("\"%1\" needs %2 × %3 but has %4 × %5")
                               .arg(text)
                               .arg(needed.width())
                               .arg(needed.height())
                               .arg(room.width())
                               .arg(room.height()));
    }

    void checkWhole(const QWidget& widget) {
        bool shortened = false;
        QString text;
        if (auto* fitting = qobject_cast<const FittingLabel*>(&widget)) {
            shortened = fitting->isElided(), text = fitting->fullText();
        } else if (auto* line = qobject_cast<const ElidedLabel*>(&widget)) {
            shortened = line->isElided(), text = line->text();
        } else if (auto* label = qobject_cast<const QLabel*>(&widget)) {
            shortened = label->text().contains(kEllipsis), text = label->text();
        }
        if (shortened) report(widget, QStringLiteral("\"%1\" must stand whole but is shortened").arg(text));
    }

    void checkText(const QWidget& widget) {
        if (auto* label = qobject_cast<const QLabel*>(&widget)) return checkLabel(*label);
        // A painted line that elides itself (its whole text its tooltip) needs only its height.
        if (auto* line = qobject_cast<const ElidedLabel*>(&widget)) {
            if (!line->text().isEmpty())
                needs(*line, line->text(), QSize(0, line->fontMetrics().height()), QSize(0, line->height()));
            return;
        }
        if (auto* button = qobject_cast<const QAbstractButton*>(&widget)) return checkButton(*button);
        if (auto* combo = qobject_cast<const QComboBox*>(&widget)) return checkCombo(*combo);
    }

    void checkLabel(const QLabel& label) {
        if (label.text().isEmpty()) return;
        const bool rich = label.textFormat() == Qt::RichText ||
                          (label.textFormat() == Qt::AutoText && Qt::mightBeRichText(label.text()));
        const QString text = rich ? QTextDocumentFragment::fromHtml(label.text()).toPlainText() : label.text();
        checkElision(label, text);
        const int margin = label.margin();
        const QRect room = label.contentsRect().adjusted(margin, margin, -margin, -margin);
        int flags = int(label.alignment()) | Qt::TextExpandTabs;
        if (label.wordWrap()) flags |= Qt::TextWordWrap;
        // As the label lays its own text out: within its width, however tall.
        const QRect used = label.fontMetrics().boundingRect(QRect(0, 0, room.width(), 100000), flags, text);
        needs(label, text, used.size(), room.size());
    }

    void checkButton(const QAbstractButton& button) {
        const QString text = button.text();
        auto* tool = qobject_cast<const QToolButton*>(&button);
        const bool iconOnly = text.isEmpty() || (tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly);
        if (iconOnly) {
            if (!button.icon().isNull() && button.toolTip().isEmpty())
                report(button, QStringLiteral("shows only its icon and has no tooltip"));
            return;
        }
        checkElision(button, text);
        if (auto* push = qobject_cast<const QPushButton*>(&button)) {
            needs(button, text, button.fontMetrics().size(Qt::TextShowMnemonic, text), buttonTextRoom(*push, push->size()));
            return;
        }
        // A button that wraps its text needs its height at its width.
        if (button.hasHeightForWidth()) {
            const int needed = button.heightForWidth(button.width());
            if (needed > button.height() || button.minimumSizeHint().width() > button.width())
                report(button, QStringLiteral("\"%1\" needs %2 × %3 but has %4 × %5")
                                   .arg(text).arg(button.minimumSizeHint().width()).arg(needed)
                                   .arg(button.width()).arg(button.height()));
            return;
        }
        // Tool buttons, check boxes and radio buttons measure their own content.
        const QSize hint = button.sizeHint();
        if (hint.width() > button.width())
            report(button, QStringLiteral("\"%1\" needs a width of %2 but has %3").arg(text).arg(hint.width()).arg(button.width()));
    }

    void checkCombo(const QComboBox& combo) {
        const QString text = combo.currentText();
        if (text.isEmpty() || combo.isEditable()) return;
        QStyleOptionComboBox option;
        option.initFrom(&combo);
        option.currentText = text;
        option.currentIcon = combo.itemIcon(combo.currentIndex());
        option.iconSize = combo.iconSize();
        QRect room = combo.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &combo);
        if (!option.currentIcon.isNull()) room.setWidth(room.width() - option.iconSize.width() - 4);
        checkElision(combo, text);
        needs(combo, text, QSize(combo.fontMetrics().horizontalAdvance(text), 0), QSize(room.width(), 0));
    }

    // The read-out has room for the value at either end of the range, not
    // only for the value shown now.
    void checkReadout(const ProSlider& slider) {
        QPushButton* readout = slider.readout();
        if (!readout || readout->isHidden()) return;
        const int room = buttonTextRoom(*readout, readout->size()).width();
        for (double end : {slider.range().lower, slider.range().upper}) {
            const QString text = slider.formattedValue(end);
            const int width = readout->fontMetrics().horizontalAdvance(text);
            if (width > room)
                report(*readout, QStringLiteral("the read-out needs %1 for \"%2\" but has %3").arg(width).arg(text).arg(room));
        }
    }

    const QWidget& root_;
};

}  // namespace

std::vector<LayoutIssue> findLayoutIssues(const QWidget& root) {
    Checker checker(root);
    checker.walk(root);
    return std::move(checker.issues);
}

QString describeLayoutIssues(const std::vector<LayoutIssue>& issues) {
    QString text;
    for (const LayoutIssue& issue : issues) text += issue.widget + QStringLiteral(": ") + issue.problem + QLatin1Char('\n');
    return text;
}

void allowOverflow(QWidget& widget) { widget.setProperty(kOverflowProperty, true); }

void requireWholeText(QWidget& widget) { widget.setProperty(kWholeProperty, true); }

}  // namespace vantrel
