#include "app/standins/WorkflowViews.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "views/kit/DarkroomTheme.h"
#include "services/L10n.h"

namespace vantrel {

namespace {

QString localized(const char* key) { return QString::fromStdString(L10n::tr(key)); }

// Button texts show "&" as it is rather than as a shortcut marker.
QString buttonText(const std::string& text) { return QString::fromStdString(text).replace(QLatin1Char('&'), QStringLiteral("&&")); }

void paintAsPanel(QDialog& dialog) {
    dialog.setAutoFillBackground(true);
    QPalette palette = dialog.palette();
    palette.setColor(QPalette::Window, DarkroomTheme::panelBackground());
    dialog.setPalette(palette);
}

}  // namespace

ExportSettingsDialog::ExportSettingsDialog(Binding<ExportSettings> settings, std::vector<LoadedPhoto> photos,
                                           Callback onCancel, std::function<void(const ExportSettings&)> onExport,
                                           QWidget* parent)
    : QDialog(parent), settings_(std::move(settings)), photos_(std::move(photos)), onCancel_(std::move(onCancel)),
      onExport_(std::move(onExport)), format_(new QComboBox), colorSpace_(new QComboBox) {
    setObjectName(QStringLiteral("ExportSettingsDialog"));
    paintAsPanel(*this);
    const bool batch = photos_.size() > 1;
    setWindowTitle(batch ? QString::fromStdString(L10n::tr("dialog.exportTitle", int(photos_.size())))
                         : localized("dialog.exportSingleTitle"));
    const ExportSettings current = settings_.get();
    for (ExportFormat format : {ExportFormat::jpeg, ExportFormat::tiff, ExportFormat::png})
        format_->addItem(QString::fromStdString(displayName(format)), int(format));
    format_->setCurrentIndex(int(current.format));
    colorSpace_->addItems({QStringLiteral("Display P3"), QStringLiteral("sRGB")});
    colorSpace_->setCurrentIndex(current.useDisplayP3 ? 0 : 1);

    auto* form = new QFormLayout;
    form->addRow(localized("dialog.format"), format_);
    form->addRow(localized("dialog.colorSpace"), colorSpace_);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(localized("dialog.cancel"), QDialogButtonBox::RejectRole);
    QPushButton* go = buttons->addButton(batch ? buttonText(L10n::tr("dialog.chooseFolder", int(photos_.size())))
                                               : buttonText(L10n::tr("dialog.chooseFolderSingle")),
                                         QDialogButtonBox::AcceptRole);
    go->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &ExportSettingsDialog::exportNow);
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { onCancel_(); });

    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(buttons);
    setMinimumWidth(420);
}

void ExportSettingsDialog::exportNow() {
    ExportSettings chosen = settings_.get();
    chosen.format = ExportFormat(format_->currentData().toInt());
    chosen.useDisplayP3 = colorSpace_->currentIndex() == 0;
    settings_.set(chosen);
    onExport_(chosen);
}

BatchSyncDialog::BatchSyncDialog(Binding<BatchSyncOptions> options, std::string sourceTitle, int targetCount,
                                 Callback onCancel, Callback onSync, QWidget* parent)
    : QDialog(parent), options_(std::move(options)) {
    setObjectName(QStringLiteral("BatchSyncDialog"));
    paintAsPanel(*this);
    setWindowTitle(localized("sync.dialogTitle"));
    auto* column = new QVBoxLayout(this);
    auto* subtitle = new QLabel(QString::fromStdString(L10n::tr("sync.dialogSubtitle", sourceTitle, targetCount)));
    subtitle->setWordWrap(true);
    column->addWidget(subtitle);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(localized("dialog.cancel"), QDialogButtonBox::RejectRole);
    QPushButton* sync = buttons->addButton(buttonText(L10n::tr("sync.executeButton", targetCount)),
                                           QDialogButtonBox::AcceptRole);
    sync->setEnabled(targetCount > 0);
    connect(buttons, &QDialogButtonBox::accepted, this, [onSync = std::move(onSync)] { onSync(); });
    connect(buttons, &QDialogButtonBox::rejected, this, [onCancel = std::move(onCancel)] { onCancel(); });
    column->addWidget(buttons);
    setMinimumWidth(420);
}

SavePresetSheet::SavePresetSheet(Binding<bool> isPresented, EditParameters parameters, SaveAction onSave,
                                 QWidget* parent)
    : QDialog(parent), isPresented_(std::move(isPresented)), parameters_(std::move(parameters)),
      name_(new QLineEdit), subtitle_(new QLineEdit) {
    setObjectName(QStringLiteral("SavePresetSheet"));
    paintAsPanel(*this);
    setWindowTitle(localized("presetSheet.title"));
    name_->setPlaceholderText(localized("presetSheet.namePlaceholder"));
    subtitle_->setPlaceholderText(localized("presetSheet.subtitlePlaceholder"));
    auto* form = new QFormLayout;
    form->addRow(localized("presetSheet.name"), name_);
    form->addRow(localized("presetSheet.subtitle"), subtitle_);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(localized("dialog.cancel"), QDialogButtonBox::RejectRole);
    QPushButton* save = buttons->addButton(localized("presetSheet.save"), QDialogButtonBox::AcceptRole);
    save->setEnabled(false);
    connect(name_, &QLineEdit::textChanged, save, [save](const QString& text) { save->setEnabled(!text.trimmed().isEmpty()); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this, onSave = std::move(onSave)] {
        onSave(name_->text().trimmed().toStdString(), subtitle_->text().trimmed().toStdString(), false);
        isPresented_.set(false);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { isPresented_.set(false); });
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(buttons);
    setMinimumWidth(420);
}

SnapshotListView::SnapshotListView(Source<std::vector<SnapshotItem>> snapshots,
                                   Source<std::optional<Uuid>> comparedSnapshotID,
                                   Source<EditParameters> currentParameters, Actions actions, QWidget* parent)
    : PlaceholderView("SnapshotListView", parent), snapshots_(std::move(snapshots)),
      comparedSnapshotID_(std::move(comparedSnapshotID)), currentParameters_(std::move(currentParameters)),
      actions_(std::move(actions)), name_(new QLineEdit(this)) {
    name_->setObjectName(QStringLiteral("snapshotName"));
    name_->setGeometry(8, 8, 200, 24);
    connect(name_, &QLineEdit::returnPressed, this, [this] {
        if (name_->text().trimmed().isEmpty() || !actions_.onCreateSnapshot) return;
        actions_.onCreateSnapshot(name_->text().toStdString());
        name_->clear();
    });
}

}  // namespace vantrel
