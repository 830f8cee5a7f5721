#include "views/kit/PanelHeader.h"

#include <QHBoxLayout>

#include "views/kit/ElidedLabel.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/kit/Chip.h"
#include "views/kit/ToggleSwitch.h"

namespace vantrel {

namespace {

constexpr double kSymbolSize = 12;  // an 11-pixel symbol's ink fills about this square

ChipStyle resetStyle(PanelHeader::ResetLabel label) {
    const QColor accent = standardColor(StandardColor::Accent);
    return label == PanelHeader::ResetLabel::Small ? ChipStyle::textButton(9, QFont::Normal, accent)
                                                   : ChipStyle::textButton(10, QFont::Medium, accent);
}

}  // namespace

PanelHeader::PanelHeader(const QString& name, const QString& title, const Options& options, QWidget* parent)
    : QWidget(parent), options_(options) {
    if (!options_.activeColor.isValid()) options_.activeColor = standardColor(StandardColor::Accent);
    setObjectName(name + QStringLiteral(".header"));
    auto* row = flatRow(8, this);

    auto* group = flatRow(5);
    if (!options_.symbol.empty()) {
        symbol_ = new SymbolView(options_.symbol, kSymbolSize, standardColor(StandardColor::SecondaryText), this);
        symbol_->setObjectName(name + QStringLiteral(".symbol"));
        group->addWidget(symbol_);
    }
    title_ = elidedCaption(11, QFont::Bold, standardColor(StandardColor::SecondaryText));
    title_->setObjectName(name + QStringLiteral(".title"));
    title_->setText(title);
    group->addWidget(title_, 1);
    row->addLayout(group, 1);

    reset_ = new Chip(localized("common.reset"), resetStyle(options_.resetLabel), this);
    reset_->setObjectName(name + QStringLiteral(".reset"));
    reset_->setToolTip(localized("common.reset"));
    reset_->setVisible(false);
    row->addWidget(reset_);
    connect(reset_, &QAbstractButton::clicked, this, &PanelHeader::resetRequested);

    if (options_.hasSwitch) {
        switch_ = new ToggleSwitch(this);
        switch_->setObjectName(name + QStringLiteral(".switch"));
        switch_->setAccessibleName(title);
        row->addWidget(switch_);
        connect(switch_, &ToggleSwitch::switched, this, &PanelHeader::switchToggled);
    }
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void PanelHeader::refresh(bool active, bool switchOn) {
    active_ = active;
    if (symbol_) symbol_->setColor(active ? options_.activeColor : standardColor(StandardColor::SecondaryText));
    // Hidden, not removed: the row keeps its place in the layout.
    if (reset_->isVisibleTo(this) != active) reset_->setVisible(active);
    if (switch_ && switch_->isOn() != switchOn) switch_->setOn(switchOn);
}

void PanelHeader::setTitle(const QString& title) {
    title_->setText(title);
    if (switch_) switch_->setAccessibleName(title);
    reset_->setText(localized("common.reset"));
    reset_->setToolTip(localized("common.reset"));
}

}  // namespace vantrel
