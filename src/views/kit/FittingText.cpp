#include "views/kit/FittingText.h"

#include <algorithm>

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextLayout>

namespace vantrel {

namespace {

const QChar kEllipsis(0x2026);

// What QPushButton::initStyleOption fills in, which is protected.
QStyleOptionButton buttonOption(const QPushButton& button, const QString& text) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.features = QStyleOptionButton::None;
    if (button.isFlat()) option.features |= QStyleOptionButton::Flat;
    if (button.menu()) option.features |= QStyleOptionButton::HasMenu;
    if (button.autoDefault()) option.features |= QStyleOptionButton::AutoDefaultButton;
    if (button.isDefault()) option.features |= QStyleOptionButton::DefaultButton;
    option.text = text;
    option.icon = button.icon();
    option.iconSize = button.iconSize();
    return option;
}

}  // namespace

QString breakableText(const QString& text) {
    // Runs up to this long fit any label that wraps; pieces of this length fold unseen.
    constexpr qsizetype kLongRun = 24, kPiece = 12;
    const QChar zeroWidthSpace(0x200B);
    QString out;
    out.reserve(text.size() + text.size() / 4);
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !text[i].isSpace()) continue;
        const QStringView run = QStringView(text).mid(runStart, i - runStart);
        qsizetype piece = 0;
        for (qsizetype j = 0; j < run.size(); ++j) {
            out += run[j];
            ++piece;
            // Never inside a character's surrogate pair or before a combining mark.
            const bool splits = j + 1 == run.size() || run[j].isHighSurrogate() || run[j + 1].isMark();
            const bool separator = QStringView(u"/\\_-.").contains(run[j]);
            if (run.size() > kLongRun && !splits && (separator || piece >= kPiece)) {
                out += zeroWidthSpace;
                piece = 0;
            }
        }
        if (i < text.size()) out += text[i];
        runStart = i + 1;
    }
    return out;
}

QString balancedTwoLines(const QFontMetrics& metrics, const QString& text) {
    QString best = text;
    int narrowest = metrics.horizontalAdvance(text);
    for (qsizetype at = text.indexOf(QLatin1Char(' ')); at >= 0; at = text.indexOf(QLatin1Char(' '), at + 1)) {
        const QString split = text.left(at) + QLatin1Char('\n') + text.mid(at + 1);
        if (const int width = widestLine(metrics, split); width < narrowest) narrowest = width, best = split;
    }
    return best;
}

int widestLine(const QFontMetrics& metrics, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

QSize buttonSizeFor(const QPushButton& button, const QString& text) { return buttonSizeFor(button, text, button.icon()); }

QSize buttonSizeFor(const QPushButton& button, const QString& text, const QIcon& icon) {
    button.ensurePolished();
    QStyleOptionButton option = buttonOption(button, text);
    option.icon = icon;
    // As QPushButton::sizeHint measures its own text.
    int w = 0, h = 0;
    if (!icon.isNull()) {
        w += option.iconSize.width() + 4;
        h = std::max(h, option.iconSize.height());
    }
    const bool empty = text.isEmpty();
    const QSize textSize = button.fontMetrics().size(Qt::TextShowMnemonic, empty ? QStringLiteral("XXXX") : text);
    if (!empty || !w) w += textSize.width();
    if (!empty || !h) h = std::max(h, textSize.height());
    option.rect.setSize(QSize(w, h));
    if (button.menu()) w += button.style()->pixelMetric(QStyle::PM_MenuButtonIndicator, &option, &button);
    return button.style()->sizeFromContents(QStyle::CT_PushButton, &option, QSize(w, h), &button);
}

void copiesWithoutBreakHints(QObject& owner) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    QObject::connect(clipboard, &QClipboard::dataChanged, &owner, [clipboard] {
        const QChar hint(0x200B);
        if (const QString text = clipboard->text(); text.contains(hint)) clipboard->setText(QString(text).remove(hint));
    });
}

QSize buttonTextRoom(const QPushButton& button, QSize size) {
    button.ensurePolished();
    QStyleOptionButton option = buttonOption(button, button.text());
    option.rect = QRect(QPoint(0, 0), size);
    QSize room = button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button).size();
    if (!button.icon().isNull()) room.rwidth() -= button.iconSize().width() + 4;
    return room;
}

QString tooltipFor(const QString& help, const QString& whole, bool cut) {
    if (!cut || help.contains(whole)) return help;
    if (help.isEmpty()) return whole;
    return help + QLatin1Char('\n') + whole;
}

// ---------------------------------------------------------------- label

FittingLabel::FittingLabel(QWidget* parent) : Refitting(parent) {}

void FittingLabel::setFullText(const QString& text) {
    if (text == full_) return;
    full_ = text;
    refit();
    updateGeometry();
}

void FittingLabel::setHelp(const QString& help) {
    help_ = help;
    refit();
}

void FittingLabel::setMaximumLines(int lines) {
    maxLines_ = std::max(1, lines);
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(maxLines_ > 1);
    setSizePolicy(policy);
    refit();
    updateGeometry();
}

void FittingLabel::setWrapsWhole() {
    wrapsWhole_ = true;
    setWordWrap(true);
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    copiesWithoutBreakHints(*this);
    refit();
    updateGeometry();
}

QStringList FittingLabel::linesFor(int room, bool* elided) const {
    const QFontMetrics metrics = fontMetrics();
    *elided = false;
    if (maxLines_ == 1) {
        const QString one = QString(full_).replace(QLatin1Char('\n'), QLatin1Char(' '));
        const QString shown = metrics.elidedText(one, Qt::ElideRight, room);
        *elided = shown != one;
        return {shown};
    }
    QStringList lines;
    const QStringList paragraphs = full_.split(QLatin1Char('\n'));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (qsizetype p = 0; p < paragraphs.size(); ++p) {
        QTextLayout layout(paragraphs[p], font());
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(room);
            if (lines.size() == maxLines_ - 1) {
                // The last line takes the rest of its paragraph, elided when it
                // does not fit or when more paragraphs follow.
                const QString rest = paragraphs[p].mid(line.textStart());
                const bool more = p + 1 < paragraphs.size();
                const QString shown = metrics.elidedText(more ? rest + kEllipsis : rest, Qt::ElideRight, room);
                *elided = more || shown != rest;
                lines << shown;
                layout.endLayout();
                return lines;
            }
            lines << paragraphs[p].mid(line.textStart(), line.textLength()).trimmed();
        }
        layout.endLayout();
    }
    return lines;
}

int FittingLabel::textRoom(int width) const { return width - (this->width() - contentsRect().width()) - 2 * margin(); }

QSize FittingLabel::textSize(const QStringList& lines) const {
    const QSize text = fontMetrics().boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft, lines.join(QLatin1Char('\n'))).size();
    return text + QSize(width() - contentsRect().width() + 2 * margin(), height() - contentsRect().height() + 2 * margin());
}

QSize FittingLabel::sizeHint() const {
    ensurePolished();
    bool elided = false;
    return textSize(linesFor(QWIDGETSIZE_MAX, &elided));
}

QSize FittingLabel::minimumSizeHint() const {
    ensurePolished();
    const QString least = full_.isEmpty() ? QString() : full_.left(1) + kEllipsis;
    const QSize hint = sizeHint();
    return {std::min(hint.width(), textSize({least}).width()), textSize({least}).height()};
}

int FittingLabel::heightForWidth(int width) const {
    if (wrapsWhole_) return QLabel::heightForWidth(width);
    bool elided = false;
    return textSize(linesFor(std::max(1, textRoom(width)), &elided)).height();
}

void FittingLabel::refit() {
    if (wrapsWhole_) {
        elided_ = false;
        if (const QString shown = breakableText(full_); text() != shown) QLabel::setText(shown);
        if (toolTip() != help_) setToolTip(help_);
        return;
    }
    bool elided = false;
    // Hidden, it keeps the whole text; shown, it fits its width.
    const QString shown = linesFor(isVisible() ? std::max(1, textRoom(width())) : QWIDGETSIZE_MAX, &elided).join(QLatin1Char('\n'));
    elided_ = elided;
    if (text() != shown) QLabel::setText(shown);
    const QString tip = tooltipFor(help_, full_, elided);
    if (toolTip() != tip) setToolTip(tip);
}

FittingLabel* fittingLabel(const char* name, const QString& style, int lines) {
    auto* label = new FittingLabel;
    label->setObjectName(QString::fromUtf8(name));
    label->setMaximumLines(lines);
    label->setStyleSheet(style);
    return label;
}

void narrowedByColumn(QWidget& widget) {
    QSizePolicy policy = widget.sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Ignored);
    widget.setSizePolicy(policy);
}

// ---------------------------------------------------------------- button

FittingButton::FittingButton(Fit fit, const QIcon& icon, QWidget* parent)
    : Refitting(icon, QString(), parent), fit_(fit) {}

void FittingButton::setFullText(const QString& text) {
    if (text == full_) return;
    full_ = text;
    refit();
    updateGeometry();
}

void FittingButton::setHelp(const QString& help) {
    help_ = help;
    refit();
}

QSize FittingButton::sizeHint() const { return buttonSizeFor(*this, full_); }

QSize FittingButton::minimumSizeHint() const {
    if (fit_ == Fit::iconOnly && !icon().isNull()) return buttonSizeFor(*this, {});
    return buttonSizeFor(*this, full_.isEmpty() ? QString() : full_.left(1) + kEllipsis).boundedTo(sizeHint());
}

void FittingButton::refit() {
    QString shown = full_;
    if (isVisible()) {
        const int room = buttonTextRoom(*this, size()).width();
        if (fontMetrics().size(Qt::TextShowMnemonic, full_).width() > room)
            shown = fit_ == Fit::iconOnly && !icon().isNull() ? QString()
                                                               : fontMetrics().elidedText(full_, Qt::ElideRight, room);
    }
    if (text() != shown) QPushButton::setText(shown);
    const QString tip = tooltipFor(help_, full_, shown != full_);
    if (toolTip() != tip) setToolTip(tip);
}

}  // namespace vantrel
