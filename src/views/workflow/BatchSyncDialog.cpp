#include "views/workflow/BatchSyncDialog.h"

#include <QHBoxLayout>
#include <QPushButton>
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

QString text(const std::string& s) { return QString::fromStdString(s); }

FittingLabel* columnTitle(const char* name) {
    return fittingLabel(name, DarkroomTheme::textStyle(DarkroomTheme::TextSize::control, QFont::Bold, DarkroomTheme::accent()));
}

FittingButton* quickButton(const char* name) {
    auto* button = new FittingButton(FittingButton::Fit::elide);
    button->setObjectName(QString::fromUtf8(name));
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::TabFocus);
    button->setStyleSheet(DarkroomTheme::borderedButtonStyle(DarkroomTheme::TextSize::label));
    return button;
}

}  // namespace

BatchSyncDialog::BatchSyncDialog(Binding<BatchSyncOptions> options, Source<std::string> sourcePhotoTitle,
                                 Source<int> targetPhotoCount, QWidget* parent)
    : WorkflowSheet(parent), options_(std::move(options)), source_(std::move(sourcePhotoTitle)),
      targets_(std::move(targetPhotoCount)) {
    setObjectName(QStringLiteral("BatchSyncDialog"));
    setFixedWidth(kWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(18);

    // Header.
    auto* header = flatRow(12);
    header->addWidget(new SymbolView("square.and.arrow.down.on.square.fill", 24, DarkroomTheme::accent()));
    auto* titles = flatColumn(3);
    title_ = fittingLabel("sync.title", DarkroomTheme::textStyle(15, QFont::Bold));
    subtitle_ = fittingLabel("sync.subtitle", DarkroomTheme::secondaryTextStyle(DarkroomTheme::TextSize::label), 2);
    narrowedByColumn(*subtitle_);
    titles->addWidget(title_);
    titles->addWidget(subtitle_);
    header->addLayout(titles, 1);
    column->addLayout(header);
    column->addWidget(ruleLine(DarkroomTheme::separator()));

    // Quick buttons: each writes the whole set once.
    auto* quick = flatRow(8);
    selectAll_ = quickButton("sync.selectAll");
    clear_ = quickButton("sync.clearAll");
    recommended_ = quickButton("sync.recommended");
    connect(selectAll_, &QPushButton::clicked, this, [this] {
        BatchSyncOptions next = options_.get();
        next.selectAll();
        write(next);
    });
    connect(clear_, &QPushButton::clicked, this, [this] {
        BatchSyncOptions next = options_.get();
        next.deselectAll();
        write(next);
    });
    connect(recommended_, &QPushButton::clicked, this, [this] {
        BatchSyncOptions next = options_.get();
        next.resetToRecommended();
        write(next);
    });
    for (FittingButton* button : {selectAll_, clear_, recommended_}) quick->addWidget(button);
    quick->addStretch(1);
    column->addLayout(quick);

    // The two columns of rows, the isolated groups in a box of their own.
    auto* sections = new RoundedBox({.fill = blackAt(0.15), .radius = 8, .padding = 12});
    sections->setObjectName(QStringLiteral("sync.sections"));
    auto* columns = flatRow(24);
    auto* left = flatColumn(12);
    leftTitle_ = columnTitle("sync.leftTitle");
    left->addWidget(leftTitle_);
    auto* leftRows = flatColumn(10);
    left->addLayout(leftRows);
    left->addStretch(1);
    auto* right = flatColumn(12);
    rightTitle_ = columnTitle("sync.rightTitle");
    right->addWidget(rightTitle_);
    auto* rightRows = flatColumn(10);
    right->addLayout(rightRows);

    auto* isolated =
        new RoundedBox({.fill = standardColor(StandardColor::Orange, 0.06), .radius = 6, .padding = 8, .spacing = 8});
    isolated->setObjectName(QStringLiteral("sync.isolated"));
    auto* isolatedHeader = flatRow(4);
    isolatedHeader->addWidget(new SymbolView("exclamationmark.triangle", 10, standardColor(StandardColor::Orange)), 0,
                              Qt::AlignTop);
    isolatedTitle_ = fittingLabel("sync.isolatedTitle", DarkroomTheme::textStyle(DarkroomTheme::TextSize::small,
                                                                                 QFont::Medium, standardColor(StandardColor::Orange)), 2);
    narrowedByColumn(*isolatedTitle_);
    isolatedHeader->addWidget(isolatedTitle_, 1);
    isolated->content()->addLayout(isolatedHeader);

    for (std::size_t i = 0; i < sync::kRows.size(); ++i) {
        const sync::Row& entry = sync::kRows[i];
        OptionRow::Look look;
        if (entry.place == sync::Place::isolated) {
            look.titlePixels = DarkroomTheme::TextSize::label;
            look.descriptionPixels = 9;
        }
        auto* row = new OptionRow(look);
        row->setObjectName(QStringLiteral("sync.") + QString::fromUtf8(entry.name));
        const auto option = entry.option;
        connect(row, &OptionRow::switched, this,
                [this, option](bool on) { write(sync::withSwitch(options_.get(), option, on)); });
        rows_[i] = row;
        switch (entry.place) {
            case sync::Place::left: leftRows->addWidget(row); break;
            case sync::Place::right: rightRows->addWidget(row); break;
            case sync::Place::isolated: isolated->content()->addWidget(row); break;
        }
    }
    right->addSpacing(2);
    right->addWidget(ruleLine(DarkroomTheme::separator()));
    right->addSpacing(2);
    right->addWidget(isolated);
    right->addStretch(1);
    columns->addLayout(left, 1);
    columns->addWidget(ruleLine(DarkroomTheme::separator(), Qt::Vertical));
    columns->addLayout(right, 1);
    sections->content()->addLayout(columns);
    column->addWidget(sections);
    column->addWidget(ruleLine(DarkroomTheme::separator()));

    // Footer: what will happen, cancel, sync.
    auto* footer = new QHBoxLayout;
    summary_ = fittingLabel("sync.summary", DarkroomTheme::secondaryTextStyle(DarkroomTheme::TextSize::label), 2);
    narrowedByColumn(*summary_);
    footer->addWidget(summary_, 1);
    addButtons(footer, "sync.go");
    column->addLayout(footer);
    connect(this, &WorkflowSheet::confirmed, this, &BatchSyncDialog::syncRequested);
    refresh();
}

OptionRow* BatchSyncDialog::row(bool BatchSyncOptions::*option) const {
    for (std::size_t i = 0; i < sync::kRows.size(); ++i)
        if (sync::kRows[i].option == option) return rows_[i];
    return nullptr;
}

void BatchSyncDialog::write(const BatchSyncOptions& options) {
    options_.set(options);
    refresh();
}

void BatchSyncDialog::refresh() {
    const BatchSyncOptions options = options_.get();
    const int targets = targets_();
    const std::string source = source_();

    const QString title = localized("sync.dialogTitle");
    title_->setFullText(title);
    setWindowTitle(title);
    subtitle_->setFullText(text(L10n::tr("sync.dialogSubtitle", source, targets)));
    selectAll_->setFullText(buttonLabel(localized("sync.selectAll")));
    clear_->setFullText(buttonLabel(localized("mask.clear")));
    recommended_->setFullText(buttonLabel(localized("sync.recommended")));
    leftTitle_->setFullText(localized("sync.categoryToneColor"));
    rightTitle_->setFullText(localized("sync.categoryOptics"));
    isolatedTitle_->setFullText(localized("sync.isolatedSectionTitle"));
    for (std::size_t i = 0; i < sync::kRows.size(); ++i) {
        rows_[i]->setTexts(localized(sync::kRows[i].titleKey), localized(sync::kRows[i].descriptionKey));
        rows_[i]->setOn(options.*(sync::kRows[i].option));
    }
    summary_->setFullText(targets < 1 ? localized("sync.summaryNoTargets")
                                       : text(L10n::tr("sync.summaryUpdating", targets)));
    cancelButton()->setFullText(localized("dialog.cancel"));
    confirmButton()->setFullText(buttonLabel(text(L10n::tr("sync.executeButton", targets))));
    confirmButton()->setEnabled(sync::canSync(options, targets));
}

}  // namespace vantrel
