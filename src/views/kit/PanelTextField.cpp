#include "views/kit/PanelTextField.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>

#include "views/kit/StandardColors.h"

namespace vantrel {

PanelTextField::PanelTextField(const QString& name, const Style& style, QWidget* parent)
    : QWidget(parent), style_(style), edit_(new QLineEdit(this)) {
    setObjectName(name);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(style.padding, style.padding, style.padding, style.padding);
    row->addWidget(edit_);
    edit_->setObjectName(name + QStringLiteral(".edit"));
    edit_->setFrame(false);
    edit_->setFont(pixelFont(style.fontPixels, QFont::Normal, style.design));
    edit_->setTextMargins(0, 0, 0, 0);
    // The fill behind it is ours: the line edit draws its text only.
    QPalette palette = edit_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, standardColor(StandardColor::PrimaryText));
    palette.setColor(QPalette::PlaceholderText, standardColor(StandardColor::TertiaryText));
    edit_->setPalette(palette);
    edit_->setAutoFillBackground(false);
    connect(edit_, &QLineEdit::textEdited, this, &PanelTextField::edited);
    edit_->installEventFilter(this);  // the outline follows the focus
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PanelTextField::setText(const QString& text) {
    if (edit_->text() == text) return;
    // A text put in from outside shows from its start.
    edit_->setText(text);
    edit_->setCursorPosition(0);
}

QString PanelTextField::text() const { return edit_->text(); }

void PanelTextField::setPlaceholder(const QString& placeholder) { edit_->setPlaceholderText(placeholder); }

bool PanelTextField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) update();
    return QWidget::eventFilter(watched, event);
}

void PanelTextField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedRect(QRectF(rect()), style_.radius), whiteAt(style_.fillOpacity));
    if (edit_->hasFocus())
        painter.strokePath(roundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), style_.radius),
                           solidPen(standardColor(StandardColor::Accent, 0.7), 1));
}

}  // namespace vantrel
