#include "views/workflow/WorkflowSheet.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QEvent>
#include <QLayout>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/FittingText.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

WorkflowSheet::WorkflowSheet(QWidget* parent) : QDialog(parent) {
    setAutoFillBackground(true);
    setPaletteColour(*this, QPalette::Window, DarkroomTheme::panelBackground());
    setSizeGripEnabled(false);
}

QDialogButtonBox* WorkflowSheet::addButtons(QBoxLayout* layout, const char* confirmName) {
    auto* box = new QDialogButtonBox;
    box->setObjectName(QStringLiteral("sheet.buttons"));
    // Cancel first, the confirming button last, on every desktop.
    box->setStyleSheet(QStringLiteral("QDialogButtonBox { button-layout: 3; }"));
    cancel_ = new FittingButton(FittingButton::Fit::elide);
    cancel_->setObjectName(QStringLiteral("sheet.cancel"));
    cancel_->setAutoDefault(false);
    confirm_ = new FittingButton(FittingButton::Fit::elide);
    confirm_->setObjectName(QString::fromUtf8(confirmName));
    confirm_->setAutoDefault(false);
    confirm_->setDefault(true);
    confirm_->setStyleSheet(DarkroomTheme::prominentButtonStyle(DarkroomTheme::TextSize::control, QFont::DemiBold, 5,
                                                                QStringLiteral("4px 12px")));
    box->addButton(cancel_, QDialogButtonBox::RejectRole);
    box->addButton(confirm_, QDialogButtonBox::AcceptRole);
    connect(box, &QDialogButtonBox::rejected, this, &WorkflowSheet::reject);
    connect(box, &QDialogButtonBox::accepted, this, &WorkflowSheet::accept);
    layout->addWidget(box);
    return box;
}

bool WorkflowSheet::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show) fitHeight();
    return handled;
}

void WorkflowSheet::fitHeight() {
    QLayout* column = layout();
    if (!column) return;
    // A window's layout asks for its plain minimum only: texts that wrap need
    // the height their lines take at this width.
    const int wanted = column->hasHeightForWidth() ? column->totalHeightForWidth(width())
                                                   : column->totalSizeHint().height();
    if (wanted > 0 && (minimumHeight() != wanted || maximumHeight() != wanted)) setFixedHeight(wanted);
}

void WorkflowSheet::reject() { Q_EMIT cancelled(); }

void WorkflowSheet::accept() {
    if (confirm_ && !confirm_->isEnabled()) return;
    Q_EMIT confirmed();
}

}  // namespace vantrel
