#include "views/workflow/SnapshotListView.h"

#include <algorithm>
#include <set>

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include "services/L10n.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/FittingText.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/workflow/WorkflowParts.h"
#include "views/workflow/WorkflowSheet.h"

namespace vantrel {

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

QString rowButtonStyle(bool emphasised) {
    return QStringLiteral("QPushButton { font-size: 10px; font-weight: %1; color: %2; padding: 2px 4px; }"
                          "QPushButton:disabled { color: %3; }")
        .arg(emphasised ? int(QFont::Bold) : int(QFont::Normal))
        .arg(DarkroomTheme::css(emphasised ? DarkroomTheme::accent() : standardColor(StandardColor::PrimaryText)),
             DarkroomTheme::css(standardColor(StandardColor::TertiaryText)));
}

FittingButton* rowButton(const char* name) {
    auto* button = new FittingButton(FittingButton::Fit::elide);
    button->setObjectName(QString::fromUtf8(name));
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    button->setIconSize(QSize(10, 10));
    return button;
}

}  // namespace

// ---------------------------------------------------------------- row

SnapshotRow::SnapshotRow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("snapshots.row"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(6);

    auto* top = flatRow(6);
    auto* texts = flatColumn(2);
    auto* nameLine = flatRow(4);
    name_ = new FittingLabel;
    name_->setObjectName(QStringLiteral("snapshots.name"));
    editor_ = new QLineEdit;
    editor_->setObjectName(QStringLiteral("snapshots.nameEditor"));
    editor_->setStyleSheet(DarkroomTheme::textStyle(DarkroomTheme::TextSize::label));
    editor_->setPlaceholderText(localized("snapshots.namePlaceholder"));
    editor_->hide();
    editor_->installEventFilter(this);
    connect(editor_, &QLineEdit::returnPressed, this, [this] { endRename(true); });
    badge_ = new QLabel;
    badge_->setObjectName(QStringLiteral("snapshots.badge"));
    badge_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    nameLine->addWidget(name_);
    nameLine->addWidget(editor_, 1);
    nameLine->addWidget(badge_);
    nameLine->addStretch(0);
    texts->addLayout(nameLine);
    date_ = new QLabel;
    date_->setObjectName(QStringLiteral("snapshots.date"));
    date_->setStyleSheet(DarkroomTheme::secondaryTextStyle(DarkroomTheme::TextSize::caption));
    texts->addWidget(date_);
    top->addLayout(texts, 1);
    rename_ = new SymbolButton(9, 3, 3);
    rename_->setObjectName(QStringLiteral("snapshots.rename"));
    rename_->setLook("pencil", standardColor(StandardColor::SecondaryText, 0.6));
    connect(rename_, &QAbstractButton::clicked, this, &SnapshotRow::beginRename);
    delete_ = new SymbolButton(9, 3, 3);
    delete_->setObjectName(QStringLiteral("snapshots.delete"));
    delete_->setLook("trash", standardColor(StandardColor::SecondaryText, 0.6));
    connect(delete_, &QAbstractButton::clicked, this, &SnapshotRow::deleteClicked);
    top->addWidget(rename_, 0, Qt::AlignTop);
    top->addWidget(delete_, 0, Qt::AlignTop);
    column->addLayout(top);

    auto* bottom = flatRow(6);
    load_ = rowButton("snapshots.load");
    load_->setIcon(symbolIcon("arrow.counterclockwise"));
    load_->setStyleSheet(rowButtonStyle(false));
    connect(load_, &QPushButton::clicked, this, &SnapshotRow::loadClicked);
    compare_ = rowButton("snapshots.compare");
    connect(compare_, &QPushButton::clicked, this, &SnapshotRow::compareClicked);
    bottom->addWidget(load_, 1);
    bottom->addWidget(compare_, 1);
    column->addLayout(bottom);
}

void SnapshotRow::show(const SnapshotItem& snapshot, snapshots::RowFlags flags) {
    if (id_ != snapshot.id) {
        endRename(false);
        setObjectName(QStringLiteral("snapshots.row.") + text(snapshot.id.toString()));
    }
    id_ = snapshot.id;
    flags_ = flags;
    shownName_ = snapshot.name;

    const bool base = flags.isComparisonBase;
    name_->setFullText(text(snapshot.name));
    // Styles change only with the flags: the window refreshes often, style sheets are dear.
    const int look = base ? 2 : flags.isCurrent ? 1 : 0;
    if (look != styledLook_) {
        styledLook_ = look;
        name_->setStyleSheet(DarkroomTheme::textStyle(DarkroomTheme::TextSize::label, base ? QFont::Bold : QFont::Medium,
                                                      base ? QColor(Qt::white) : standardColor(StandardColor::PrimaryText)));
        if (base)
            badge_->setStyleSheet(QStringLiteral("font-size: 8px; font-weight: bold; color: white; background: %1;"
                                                 " padding: 1px 4px; border-radius: 3px;")
                                      .arg(DarkroomTheme::css(DarkroomTheme::accent())));
        else if (flags.isCurrent)
            badge_->setStyleSheet(QStringLiteral("font-size: 8px; color: %1; background: %2; padding: 1px 3px;"
                                                 " border-radius: 3px;")
                                      .arg(DarkroomTheme::css(standardColor(StandardColor::Green)),
                                           DarkroomTheme::css(standardColor(StandardColor::Green, 0.15))));
        compare_->setIcon(symbolIcon("arrow.left.and.right",
                                     base ? DarkroomTheme::accent() : standardColor(StandardColor::PrimaryText)));
        compare_->setStyleSheet(rowButtonStyle(base));
    }
    if (base || flags.isCurrent) badge_->setText(localized(base ? "snapshots.abBase" : "snapshots.current"));
    badge_->setVisible(base || flags.isCurrent);
    date_->setText(text(snapshot.formattedDate()));
    rename_->setToolTip(localized("snapshots.renameHelp"));
    delete_->setToolTip(localized("snapshots.deleteHelp"));

    load_->setFullText(localized("snapshots.loadRecipe"));
    load_->setHelp(localized("snapshots.loadRecipeHelp"));
    load_->setEnabled(!flags.isCurrent);
    compare_->setFullText(localized(base ? "snapshots.cancelCompare" : "snapshots.abCompare"));
    compare_->setHelp(localized("snapshots.abCompareHelp"));
    QWidget::show();
    update();
}

void SnapshotRow::release() {
    endRename(false);
    id_.reset();
    hide();
}

void SnapshotRow::beginRename() {
    if (!id_ || isRenaming()) return;
    editor_->setText(text(shownName_));
    editor_->selectAll();
    name_->hide();
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
}

bool SnapshotRow::isRenaming() const { return !editor_->isHidden(); }

void SnapshotRow::endRename(bool commit) {
    if (!isRenaming()) return;
    const QString typed = editor_->text();
    // Hidden first: the focus it loses on the way must not end it twice.
    editor_->hide();
    name_->QWidget::show();
    if (commit) Q_EMIT renameCommitted(typed);
}

bool SnapshotRow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            endRename(false);
            return true;
        }
        // Clicking elsewhere commits; the window losing the focus for a while does not.
        if (event->type() == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) endRename(true);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SnapshotRow::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click on the name renames, as the rename button does.
    if (name_->geometry().contains(event->position().toPoint())) beginRename();
    QWidget::mouseDoubleClickEvent(event);
}

void SnapshotRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool base = flags_.isComparisonBase;
    const double line = base ? 1.5 : 1.0;
    const QRectF box = QRectF(rect()).adjusted(line / 2, line / 2, -line / 2, -line / 2);
    const QPainterPath shape = roundedRect(box, 6);
    painter.fillPath(shape, base ? standardColor(StandardColor::Accent, 0.15) : whiteAt(0.04));
    painter.strokePath(shape, solidPen(base ? DarkroomTheme::accent() : whiteAt(0.08), line));
}

// ---------------------------------------------------------------- list

SnapshotListView::SnapshotListView(Source<std::vector<SnapshotItem>> snapshots,
                                   Source<std::optional<Uuid>> comparedSnapshotID,
                                   Source<EditParameters> currentParameters, QWidget* parent)
    : QWidget(parent), snapshots_(std::move(snapshots)), compared_(std::move(comparedSnapshotID)),
      current_(std::move(currentParameters)) {
    setObjectName(QStringLiteral("SnapshotListView"));
    auto* column = flatColumn(0, this);

    auto* header = new Band(DarkroomTheme::windowBackground(), DarkroomTheme::separator());
    header->setObjectName(QStringLiteral("snapshots.header"));
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(12, 8, 12, 8);
    headerRow->setSpacing(6);
    headerRow->addWidget(new SymbolView("camera.badge.ellipsis", 12, standardColor(StandardColor::SecondaryText)));
    title_ = fittingLabel("snapshots.title", DarkroomTheme::secondaryTextStyle(DarkroomTheme::TextSize::label, QFont::Bold));
    headerRow->addWidget(title_, 1);
    save_ = new FittingButton(FittingButton::Fit::iconOnly, symbolIcon("plus", Qt::white));
    save_->setObjectName(QStringLiteral("snapshots.save"));
    save_->setIconSize(QSize(9, 9));
    save_->setFocusPolicy(Qt::NoFocus);
    save_->setStyleSheet(DarkroomTheme::prominentButtonStyle(DarkroomTheme::TextSize::small, QFont::Medium, 4,
                                                             QStringLiteral("2px 6px")));
    connect(save_, &QPushButton::clicked, this, &SnapshotListView::openCreateDialog);
    headerRow->addWidget(save_);
    // The bands keep their height; the list below takes what is left.
    header->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    column->addWidget(header);

    banner_ = new Band(standardColor(StandardColor::Accent, 0.12), standardColor(StandardColor::Accent, 0.3));
    banner_->setObjectName(QStringLiteral("snapshots.banner"));
    auto* bannerRow = new QHBoxLayout(banner_);
    bannerRow->setContentsMargins(12, 6, 12, 6);
    bannerRow->setSpacing(6);
    auto* dot = new QLabel;
    dot->setFixedSize(6, 6);
    dot->setStyleSheet(QStringLiteral("background: %1; border-radius: 3px;").arg(DarkroomTheme::css(DarkroomTheme::accent())));
    bannerRow->addWidget(dot);
    bannerText_ = new ElidedLabel;
    bannerText_->setObjectName(QStringLiteral("snapshots.comparing"));
    bannerText_->setElideMode(Qt::ElideRight);
    bannerText_->setFont(pixelFont(DarkroomTheme::TextSize::small, QFont::Medium));
    bannerText_->setColor(DarkroomTheme::accent());
    bannerRow->addWidget(bannerText_, 1);
    exitCompare_ = new FittingButton(FittingButton::Fit::elide);
    exitCompare_->setObjectName(QStringLiteral("snapshots.exitCompare"));
    exitCompare_->setFlat(true);
    exitCompare_->setFocusPolicy(Qt::NoFocus);
    exitCompare_->setStyleSheet(QStringLiteral("QPushButton { border: none; font-size: 9px; font-weight: %1; color: %2; }")
                                    .arg(int(QFont::DemiBold))
                                    .arg(DarkroomTheme::css(standardColor(StandardColor::SecondaryText))));
    connect(exitCompare_, &QPushButton::clicked, this, [this] { whileActing([this] { Q_EMIT clearCompareRequested(); }); });
    bannerRow->addWidget(exitCompare_);
    banner_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    column->addWidget(banner_);

    // The empty state scrolls with the list: a short sidebar (a small window, a
    // tall translation) then squeezes neither it nor the panels around it.
    scroll_ = new QScrollArea;
    scroll_->setObjectName(QStringLiteral("snapshots.list"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("snapshots.content"));
    auto* contentColumn = flatColumn(0, content);

    empty_ = new QWidget;
    empty_->setObjectName(QStringLiteral("snapshots.empty"));
    auto* emptyColumn = new QVBoxLayout(empty_);
    emptyColumn->setContentsMargins(16, 8, 16, 8);
    emptyColumn->setSpacing(8);
    emptyColumn->addStretch(1);
    emptyColumn->addWidget(new SymbolView("clock.arrow.circlepath", 28, standardColor(StandardColor::SecondaryText, 0.4)),
                           0, Qt::AlignHCenter);
    emptyTitle_ =
        fittingLabel("snapshots.emptyTitle", DarkroomTheme::secondaryTextStyle(DarkroomTheme::TextSize::label, QFont::Medium));
    emptyTitle_->setAlignment(Qt::AlignCenter);
    emptyColumn->addWidget(emptyTitle_);
    emptyText_ = fittingLabel("snapshots.emptyDesc", DarkroomTheme::textStyle(DarkroomTheme::TextSize::small, QFont::Normal,
                                                                             standardColor(StandardColor::SecondaryText, 0.7)),
                              6);
    emptyText_->setAlignment(Qt::AlignCenter);
    emptyColumn->addWidget(emptyText_);
    emptyColumn->addStretch(1);
    contentColumn->addWidget(empty_, 1);

    rowArea_ = new QWidget;
    rowArea_->setObjectName(QStringLiteral("snapshots.rows"));
    rowColumn_ = new QVBoxLayout(rowArea_);
    rowColumn_->setContentsMargins(10, 10, 10, 10);
    rowColumn_->setSpacing(6);
    rowColumn_->addStretch(1);
    contentColumn->addWidget(rowArea_, 1);
    scroll_->setWidget(content);
    column->addWidget(scroll_, 1);

    refresh();
}

SnapshotListView::~SnapshotListView() {
    // The dialog belongs to the window; its buttons call back into this panel.
    delete dialog_.data();
}

template <typename Request>
void SnapshotListView::whileActing(Request request) {
    ++acting_;
    request();
    --acting_;
    if (acting_ == 0 && refreshWaiting_) {
        refreshWaiting_ = false;
        QTimer::singleShot(0, this, &SnapshotListView::refresh);
    }
}

void SnapshotListView::act(SnapshotRow* row, Action action) {
    if (!row->snapshotID()) return;
    // The snapshot as it is now, by identifier: a copy, since the request may replace the list.
    const std::vector<SnapshotItem> list = snapshots_();
    const SnapshotItem* found = snapshots::findSnapshot(list, *row->snapshotID());
    if (!found) return;
    const SnapshotItem snapshot = *found;
    whileActing([&] {
        switch (action) {
            case Action::load: Q_EMIT applyRequested(snapshot); break;
            case Action::compare: Q_EMIT compareToggled(snapshot); break;
            case Action::remove: Q_EMIT deleteRequested(snapshot.id); break;
        }
    });
}

void SnapshotListView::rename(SnapshotRow* row, const QString& typed) {
    if (!row->snapshotID()) return;
    const std::vector<SnapshotItem> list = snapshots_();
    const SnapshotItem* found = snapshots::findSnapshot(list, *row->snapshotID());
    if (!found) return;
    const Uuid id = found->id;
    const std::optional<QString> name = snapshots::renamedTo(typed, found->name);
    if (!name) return;
    const std::string newName = name->toStdString();
    whileActing([&] { Q_EMIT renameRequested(id, newName); });
}

void SnapshotListView::refresh() {
    if (acting_ > 0) {
        refreshWaiting_ = true;
        return;
    }
    const std::vector<SnapshotItem> list = snapshots_();
    const std::optional<Uuid> compared = compared_();
    const EditParameters current = current_();

    title_->setFullText(text(L10n::tr("snapshots.titleWithCount", list.size())));
    save_->setFullText(localized("snapshots.save"));
    save_->setHelp(localized("snapshots.saveHelp"));

    // Texts before visibility: a part shown again measures its new texts.
    const SnapshotItem* base = snapshots::comparedSnapshot(list, compared);
    if (base) bannerText_->setText(text(L10n::tr("snapshots.comparingWith", base->name)));
    exitCompare_->setFullText(localized("snapshots.exitCompare"));
    exitCompare_->setHelp(localized("snapshots.exitCompareHelp"));
    banner_->setVisible(base != nullptr);

    emptyTitle_->setFullText(localized("snapshots.emptyTitle"));
    emptyText_->setFullText(localized("snapshots.emptyDesc"));
    empty_->setVisible(list.empty());
    rowArea_->setVisible(!list.empty());
    // The list shows its scroll bar; the empty state only when it must scroll.
    scroll_->setVerticalScrollBarPolicy(list.empty() ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOn);

    // Each snapshot keeps its row; rows of snapshots gone are freed for reuse.
    std::set<Uuid> listed;
    for (const SnapshotItem& snapshot : list) listed.insert(snapshot.id);
    for (SnapshotRow* row : rows_)
        if (row->snapshotID() && !listed.contains(*row->snapshotID())) row->release();
    std::vector<SnapshotRow*> free;
    for (SnapshotRow* row : rows_)
        if (!row->snapshotID()) free.push_back(row);
    std::size_t nextFree = 0;
    std::vector<SnapshotRow*> order;
    for (const SnapshotItem& snapshot : list) {
        SnapshotRow* row = this->row(snapshot.id);
        if (!row || std::find(order.begin(), order.end(), row) != order.end())
            row = nextFree < free.size() ? free[nextFree++] : makeRow();
        row->show(snapshot, snapshots::rowFlags(snapshot, compared, current));
        order.push_back(row);
    }
    placeRows(order);
}

SnapshotRow* SnapshotListView::makeRow() {
    auto* row = new SnapshotRow;
    connect(row, &SnapshotRow::loadClicked, this, [this, row] { act(row, Action::load); });
    connect(row, &SnapshotRow::compareClicked, this, [this, row] { act(row, Action::compare); });
    connect(row, &SnapshotRow::deleteClicked, this, [this, row] { act(row, Action::remove); });
    connect(row, &SnapshotRow::renameCommitted, this, [this, row](const QString& typed) { rename(row, typed); });
    rows_.push_back(row);
    return row;
}

void SnapshotListView::placeRows(const std::vector<SnapshotRow*>& order) {
    if (order != placed_) {
        for (SnapshotRow* row : placed_) rowColumn_->removeWidget(row);
        for (std::size_t i = 0; i < order.size(); ++i) rowColumn_->insertWidget(int(i), order[i]);
        placed_ = order;
    }
}

std::vector<SnapshotRow*> SnapshotListView::rows() const { return placed_; }

SnapshotRow* SnapshotListView::row(const Uuid& id) const {
    for (SnapshotRow* row : rows_)
        if (row->snapshotID() == id) return row;
    return nullptr;
}

// ---------------------------------------------------------------- name dialog

void SnapshotListView::openCreateDialog() {
    newName_ = snapshots::defaultName(snapshots_().size());
    if (!dialog_) {
        // A dialog of the window, so that quitting the window ends it too.
        auto* sheet = new WorkflowSheet(window() != this ? window() : this);
        sheet->setObjectName(QStringLiteral("snapshots.createDialog"));
        sheet->setFixedWidth(320);
        auto* column = new QVBoxLayout(sheet);
        column->setContentsMargins(20, 20, 20, 20);
        column->setSpacing(16);
        auto* heading = fittingLabel("snapshots.newTitle", DarkroomTheme::textStyle(13, QFont::Bold));
        heading->setAlignment(Qt::AlignCenter);
        column->addWidget(heading);
        auto* field = new QLineEdit;
        field->setObjectName(QStringLiteral("snapshots.nameField"));
        field->setFixedWidth(280);
        connect(field, &QLineEdit::textChanged, this, [this](const QString& typed) { newName_ = typed; });
        column->addWidget(field, 0, Qt::AlignHCenter);
        auto* buttons = sheet->addButtons(column, "snapshots.create");
        buttons->setCenterButtons(true);
        sheet->cancelButton()->setFlat(true);
        connect(sheet, &WorkflowSheet::confirmed, this, &SnapshotListView::createFromDialog);
        connect(sheet, &WorkflowSheet::cancelled, sheet, &QWidget::hide);
        dialog_ = sheet;
    }
    auto* sheet = static_cast<WorkflowSheet*>(dialog_.data());
    sheet->findChild<FittingLabel*>(QStringLiteral("snapshots.newTitle"))->setFullText(localized("snapshots.newTitle"));
    sheet->cancelButton()->setFullText(localized("dialog.cancel"));
    sheet->confirmButton()->setFullText(localized("snapshots.createButton"));
    QLineEdit* field = createNameField();
    field->setPlaceholderText(localized("snapshots.namePlaceholder"));
    field->setText(newName_);
    field->selectAll();
    sheet->setWindowModality(Qt::WindowModal);
    sheet->show();
    field->setFocus(Qt::OtherFocusReason);
}

void SnapshotListView::closeCreateDialog() {
    if (dialog_) dialog_->hide();
}

QLineEdit* SnapshotListView::createNameField() const {
    return dialog_ ? dialog_->findChild<QLineEdit*>(QStringLiteral("snapshots.nameField")) : nullptr;
}

void SnapshotListView::createFromDialog() {
    const std::string name = snapshots::nameToCreate(newName_, snapshots_().size()).toStdString();
    whileActing([&] { Q_EMIT createRequested(name); });
    // The typed name stays; the save button fills the field again next time.
    if (dialog_) dialog_->hide();
}

}  // namespace vantrel
