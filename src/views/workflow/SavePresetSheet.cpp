#include "views/workflow/SavePresetSheet.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "services/L10n.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/FittingText.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/kit/RoundedBox.h"
#include "views/kit/Marks.h"
#include "views/workflow/WorkflowParts.h"

namespace vantrel {

namespace {

// What a recipe carries, in the order listed.
constexpr std::array<const char*, 9> kModuleKeys{
    "presetSheet.modTone",    "presetSheet.modCurve", "presetSheet.modHsl",      "presetSheet.modWheels",
    "presetSheet.modHalation", "presetSheet.modGrain", "presetSheet.modLeaks", "presetSheet.modUltraHDR",
    "presetSheet.modOptics"};

FittingLabel* caption(const char* name) {
    return fittingLabel(name, DarkroomTheme::secondaryTextStyle(DarkroomTheme::TextSize::label, QFont::Bold));
}

// A label that wraps within its column instead of widening it.
FittingLabel* wrapping(int lines) {
    auto* label = fittingLabel("", {}, lines);
    narrowedByColumn(*label);
    return label;
}

}  // namespace

SavePresetSheet::SavePresetSheet(Binding<bool> isPresented, EditParameters currentParameters, SaveAction onSave,
                                 QWidget* parent)
    : WorkflowSheet(parent), isPresented_(std::move(isPresented)), parameters_(std::move(currentParameters)),
      onSave_(std::move(onSave)) {
    setObjectName(QStringLiteral("SavePresetSheet"));
    setFixedWidth(kWidth);
    auto* column = flatColumn(0, this);

    auto* header = new Band(DarkroomTheme::windowBackground(), DarkroomTheme::separator());
    header->setObjectName(QStringLiteral("preset.header"));
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(20, 14, 20, 14);
    headerRow->setSpacing(6);
    headerRow->addWidget(new SymbolView("sparkles.rectangle.stack", 14, Qt::white));
    title_ = fittingLabel("preset.title", DarkroomTheme::textStyle(DarkroomTheme::TextSize::title, QFont::Bold, Qt::white));
    headerRow->addWidget(title_, 1);
    close_ = new SymbolButton(14, 2, 2);
    close_->setObjectName(QStringLiteral("preset.close"));
    close_->setLook("xmark.circle.fill", standardColor(StandardColor::SecondaryText));
    connect(close_, &QAbstractButton::clicked, this, [this] { isPresented_.set(false); });
    headerRow->addWidget(close_);
    column->addWidget(header);

    auto* form = new QWidget;
    form->setObjectName(QStringLiteral("preset.form"));
    auto* fields = new QVBoxLayout(form);
    fields->setContentsMargins(20, 20, 20, 20);
    fields->setSpacing(16);

    auto* nameGroup = flatColumn(6);
    nameCaption_ = caption("preset.nameCaption");
    name_ = new QLineEdit;
    name_->setObjectName(QStringLiteral("preset.name"));
    name_->setStyleSheet(DarkroomTheme::textStyle(DarkroomTheme::TextSize::control));
    connect(name_, &QLineEdit::textChanged, this, &SavePresetSheet::updateSaveButton);
    nameGroup->addWidget(nameCaption_);
    nameGroup->addWidget(name_);
    fields->addLayout(nameGroup);

    auto* subtitleGroup = flatColumn(6);
    subtitleCaption_ = caption("preset.subtitleCaption");
    subtitle_ = new QLineEdit;
    subtitle_->setObjectName(QStringLiteral("preset.subtitle"));
    subtitle_->setStyleSheet(DarkroomTheme::textStyle(DarkroomTheme::TextSize::label));
    subtitleGroup->addWidget(subtitleCaption_);
    subtitleGroup->addWidget(subtitle_);
    fields->addLayout(subtitleGroup);

    auto* modulesGroup = flatColumn(8);
    modulesCaption_ = caption("preset.modulesCaption");
    modulesGroup->addWidget(modulesCaption_);
    auto* modules = new RoundedBox({.fill = whiteAt(0.04), .radius = 6, .padding = 10, .spacing = 6});
    modules->setObjectName(QStringLiteral("preset.modules"));
    for (std::size_t i = 0; i < kModuleKeys.size(); ++i) {
        auto* row = flatRow(6);
        row->addWidget(new SymbolView("checkmark.circle.fill", 10, standardColor(StandardColor::Green)));
        modules_[i] = wrapping(2);
        modules_[i]->setObjectName(QStringLiteral("preset.module%1").arg(i + 1));
        modules_[i]->setStyleSheet(DarkroomTheme::textStyle(DarkroomTheme::TextSize::small, QFont::Normal, whiteAt(0.85)));
        row->addWidget(modules_[i], 1);
        modules->content()->addLayout(row);
    }
    modulesGroup->addWidget(modules);
    fields->addLayout(modulesGroup);

    OptionRow::Look look;
    look.titlePixels = DarkroomTheme::TextSize::label;
    look.descriptionPixels = DarkroomTheme::TextSize::small;
    look.titleColour = Qt::white;
    includeFrame_ = new OptionRow(look);
    includeFrame_->setObjectName(QStringLiteral("preset.includeFrame"));
    // On exactly when the frame has a border: the choice lives while the sheet is shown.
    includeFrame_->setOn(parameters_.filmFrame.style != FilmFrameStyle::none);
    fields->addWidget(includeFrame_);

    auto* noteRow = new QHBoxLayout;
    noteRow->setSpacing(6);
    noteRow->setContentsMargins(0, 2, 0, 0);
    noteRow->addWidget(new SymbolView("info.circle", 10, DarkroomTheme::accent()), 0, Qt::AlignTop);
    note_ = wrapping(4);
    note_->setObjectName(QStringLiteral("preset.note"));
    note_->setStyleSheet(DarkroomTheme::secondaryTextStyle(DarkroomTheme::TextSize::small));
    noteRow->addWidget(note_, 1);
    fields->addLayout(noteRow);

    failureRow_ = new QWidget;
    failureRow_->setObjectName(QStringLiteral("preset.failureRow"));
    auto* failureLine = flatRow(6, failureRow_);
    failureLine->addWidget(new SymbolView("exclamationmark.triangle.fill", 11, standardColor(StandardColor::Red)), 0,
                           Qt::AlignTop);
    failure_ = wrapping(4);
    failure_->setObjectName(QStringLiteral("preset.failure"));
    failure_->setStyleSheet(DarkroomTheme::textStyle(DarkroomTheme::TextSize::label, QFont::Medium,
                                                     standardColor(StandardColor::Red)));
    failureLine->addWidget(failure_, 1);
    failureRow_->hide();
    fields->addWidget(failureRow_);
    column->addWidget(form);

    auto* footer = new Band(DarkroomTheme::windowBackground(), DarkroomTheme::windowBackground());
    footer->setObjectName(QStringLiteral("preset.footer"));
    auto* footerRow = new QHBoxLayout(footer);
    footerRow->setContentsMargins(20, 12, 20, 12);
    addButtons(footerRow, "preset.save");
    column->addWidget(ruleLine(DarkroomTheme::separator()));
    column->addWidget(footer);

    connect(this, &WorkflowSheet::cancelled, this, [this] { isPresented_.set(false); });
    connect(this, &WorkflowSheet::confirmed, this, &SavePresetSheet::save);
    refresh();
    name_->setFocus(Qt::OtherFocusReason);
}

std::vector<FittingLabel*> SavePresetSheet::moduleLabels() const { return {modules_.begin(), modules_.end()}; }

void SavePresetSheet::refresh() {
    const QString title = localized("presetSheet.title");
    title_->setFullText(title);
    setWindowTitle(title);
    close_->setToolTip(localized("common.close"));
    nameCaption_->setFullText(localized("presetSheet.name"));
    name_->setPlaceholderText(localized("presetSheet.namePlaceholder"));
    subtitleCaption_->setFullText(localized("presetSheet.subtitle"));
    subtitle_->setPlaceholderText(localized("presetSheet.subtitlePlaceholder"));
    modulesCaption_->setFullText(localized("presetSheet.includedModules"));
    for (std::size_t i = 0; i < kModuleKeys.size(); ++i) modules_[i]->setFullText(localized(kModuleKeys[i]));
    includeFrame_->setTexts(localized("presetSheet.includeFrame"), localized("presetSheet.includeFrameSub"));
    note_->setFullText(localized("presetSheet.excludeCropNote"));
    cancelButton()->setFullText(localized("dialog.cancel"));
    confirmButton()->setFullText(buttonLabel(localized("presetSheet.save")));
    updateSaveButton();
}

void SavePresetSheet::updateSaveButton() { confirmButton()->setEnabled(!name_->text().trimmed().isEmpty()); }

void SavePresetSheet::save() {
    const QString name = name_->text().trimmed();
    if (name.isEmpty() || !onSave_) return;
    const std::optional<std::string> failure =
        onSave_(name.toStdString(), subtitle_->text().trimmed().toStdString(), includeFrame_->isOn());
    if (failure) {
        // Nothing stored: the sheet stays with what was typed and says why.
        failure_->setFullText(QString::fromStdString(L10n::tr("status.presetSaveFailed", *failure)));
        failureRow_->show();
        return;
    }
    isPresented_.set(false);
}

}  // namespace vantrel
