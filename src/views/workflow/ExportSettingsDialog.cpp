#include "views/workflow/ExportSettingsDialog.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "services/L10n.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/FittingText.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Painting.h"
#include "views/kit/ProSlider.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/kit/Chip.h"
#include "views/kit/RoundedBox.h"
#include "views/kit/SegmentedControl.h"
#include "views/workflow/ExportSummary.h"
#include "views/workflow/FrameChipStrip.h"
#include "views/kit/Marks.h"
#include "views/workflow/WorkflowParts.h"

namespace vantrel {

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

FittingLabel* blockCaption(const char* name) {
    return fittingLabel(name, DarkroomTheme::secondaryTextStyle(DarkroomTheme::TextSize::control, QFont::DemiBold));
}

ChipStyle qualityChipStyle() {
    ChipStyle style;
    style.fontPixels = 10;
    style.weight = style.selectedWeight = QFont::Normal;
    style.paddingX = 6;
    style.paddingY = 3;
    style.radius = 4;
    style.text = style.selectedText = standardColor(StandardColor::PrimaryText);
    style.fill = whiteAt(0.06);
    style.selectedFill = standardColor(StandardColor::Accent, 0.3);
    return style;
}

std::vector<LoadedPhoto> listOf(std::optional<LoadedPhoto> photo) {
    std::vector<LoadedPhoto> list;
    if (photo) list.push_back(std::move(*photo));
    return list;
}

}  // namespace

ExportSettingsDialog::ExportSettingsDialog(Binding<ExportSettings> settings, std::optional<LoadedPhoto> photo,
                                           QWidget* parent)
    : ExportSettingsDialog(std::move(settings), listOf(std::move(photo)), parent) {}

ExportSettingsDialog::ExportSettingsDialog(Binding<ExportSettings> settings, std::vector<LoadedPhoto> photos,
                                           QWidget* parent)
    : WorkflowSheet(parent), settings_(std::move(settings)), photos_(std::move(photos)) {
    setObjectName(QStringLiteral("ExportSettingsDialog"));
    setFixedWidth(kWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    column->setSpacing(18);

    // Header.
    auto* header = flatRow(12);
    symbol_ = new SymbolView({}, 26, DarkroomTheme::accent());
    symbol_->setObjectName(QStringLiteral("export.symbol"));
    header->addWidget(symbol_);
    auto* titles = flatColumn(3);
    title_ = fittingLabel("export.title", DarkroomTheme::textStyle(15, QFont::Bold));
    subtitle_ = fittingLabel("export.subtitle", DarkroomTheme::secondaryTextStyle(DarkroomTheme::TextSize::label));
    titles->addWidget(title_);
    titles->addWidget(subtitle_);
    header->addLayout(titles, 1);
    column->addLayout(header);

    // The strip of frame names, in batch mode: the chips that fit its lines,
    // then the count of the frames without one. It never scrolls.
    strip_ = new QScrollArea;
    strip_->setObjectName(QStringLiteral("export.strip"));
    strip_->setFrameShape(QFrame::NoFrame);
    strip_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    strip_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    strip_->setWidgetResizable(true);
    std::vector<QString> names;
    for (std::size_t i = 0; i < exporting::stripChipCount(photos_.size()); ++i) names.push_back(text(photos_[i].title()));
    chipStrip_ = new FrameChipStrip(names, photos_.size(),
                                    [](std::size_t more) { return text(L10n::tr("export.morePhotos", more)); });
    strip_->setWidget(chipStrip_);
    strip_->setVisible(isBatch());
    column->addWidget(strip_);
    column->addWidget(ruleLine(whiteAt(0.12)));

    // Format.
    auto* formatBlock = flatColumn(8);
    formatCaption_ = blockCaption("export.formatCaption");
    std::vector<Segment> segments;
    for (ExportFormat format : allCases<ExportFormat>())
        segments.push_back({text(std::string(rawValue(format))), text(displayName(format))});
    format_ = new SegmentedControl(QStringLiteral("export.format"), segments);
    connect(format_, &SegmentedControl::selectionChanged, this, [this](const QString& id) {
        ExportSettings next = settings_.get();
        if (const std::optional<ExportFormat> format = exportFormatFromRaw(id.toStdString())) next.format = *format;
        write(next);
    });
    formatBlock->addWidget(formatCaption_);
    formatBlock->addWidget(format_);
    column->addLayout(formatBlock);

    // Quality, for JPEG only.
    auto* quality = new RoundedBox({.fill = whiteAt(0.04), .radius = 6, .padding = 10, .spacing = 8});
    quality->setObjectName(QStringLiteral("export.quality"));
    qualityBlock_ = quality;
    auto* qualityRow = new QHBoxLayout;
    qualityCaption_ = blockCaption("export.qualityCaption");
    percent_ = new QLabel;
    percent_->setObjectName(QStringLiteral("export.qualityPercent"));
    percent_->setFont(pixelFont(DarkroomTheme::TextSize::control, QFont::Bold, FontDesign::Monospaced));
    percent_->setStyleSheet(DarkroomTheme::colorStyle(DarkroomTheme::accent()));
    qualityRow->addWidget(qualityCaption_, 1);
    qualityRow->addWidget(percent_);
    quality->content()->addLayout(qualityRow);
    // The slider writes through the options; the read-out and chips follow at once.
    Binding<double> jpegQuality([this] { return settings_.get().jpegQuality; },
                                [this](const double& value) {
                                    ExportSettings next = settings_.get();
                                    next.jpegQuality = value;
                                    settings_.set(next);
                                    refreshQuality(settings_.get());
                                });
    slider_ = new ProSlider(QString(), jpegQuality, {0.5, 1.0}, 0.95, 0.01, QStringLiteral("%.2f"), QString(),
                            DarkroomTheme::accent());
    slider_->setObjectName(QStringLiteral("export.qualitySlider"));
    quality->content()->addWidget(slider_);
    auto* chipRow = flatRow(6);
    for (std::size_t i = 0; i < exporting::kQualityChips.size(); ++i) {
        const exporting::QualityChip chip = exporting::kQualityChips[i];
        chips_[i] = new Chip(QString::fromUtf8(chip.title), qualityChipStyle());
        chips_[i]->setObjectName(QStringLiteral("export.chip%1").arg(QString::fromUtf8(chip.title).chopped(1)));
        connect(chips_[i], &QAbstractButton::clicked, this, [this, chip] {
            ExportSettings next = settings_.get();
            next.jpegQuality = chip.quality;
            write(next);
        });
        chipRow->addWidget(chips_[i]);
    }
    chipRow->addStretch(1);
    quality->content()->addLayout(chipRow);
    column->addWidget(quality);

    // Colour space.
    auto* spaceBlock = flatColumn(8);
    spaceCaption_ = blockCaption("export.colorSpaceCaption");
    spaceBlock->addWidget(spaceCaption_);
    p3_ = new QRadioButton(QStringLiteral("Display P3"));
    p3_->setObjectName(QStringLiteral("export.displayP3"));
    srgb_ = new QRadioButton(QStringLiteral("sRGB"));
    srgb_->setObjectName(QStringLiteral("export.sRGB"));
    auto* spaces = new QButtonGroup(this);
    spaces->addButton(p3_);
    spaces->addButton(srgb_);
    for (QRadioButton* radio : {p3_, srgb_}) {
        connect(radio, &QAbstractButton::clicked, this, [this, radio] {
            ExportSettings next = settings_.get();
            next.useDisplayP3 = radio == p3_;
            write(next);
        });
        spaceBlock->addWidget(radio, 0, Qt::AlignLeft);  // only its mark and its name take clicks
    }
    column->addLayout(spaceBlock);
    column->addWidget(ruleLine(whiteAt(0.12)));

    addButtons(column, "export.go");
    connect(this, &WorkflowSheet::confirmed, this, &ExportSettingsDialog::exportNow);
    confirmButton()->setIconSize(QSize(13, 13));
    refresh();
}

bool ExportSettingsDialog::isBatch() const { return exporting::isBatch(photos_.size()); }

std::vector<QLabel*> ExportSettingsDialog::frameChips() const {
    return isBatch() ? chipStrip_->shownChips() : std::vector<QLabel*>{};
}

QLabel* ExportSettingsDialog::moreLabel() const { return chipStrip_->moreLabel(); }

void ExportSettingsDialog::write(ExportSettings settings) {
    settings_.set(settings);
    refresh();
}

void ExportSettingsDialog::exportNow() {
    if (photos_.empty()) return;
    // Copies: the receiver may close and delete this dialog before it is done with them.
    const ExportSettings settings = settings_.get();
    const std::vector<LoadedPhoto> photos = photos_;
    Q_EMIT exportRequested(settings, photos);
}

void ExportSettingsDialog::refreshQuality(const ExportSettings& settings) {
    percent_->setText(text(exporting::qualityPercent(settings.jpegQuality)));
    for (std::size_t i = 0; i < chips_.size(); ++i)
        chips_[i]->setSelected(exporting::isCurrentChip(settings.jpegQuality, exporting::kQualityChips[i]));
}

void ExportSettingsDialog::refresh() {
    const ExportSettings settings = settings_.get();
    const std::size_t count = photos_.size();
    const bool batch = isBatch();

    symbol_->setSymbol(batch ? "square.and.arrow.up.on.square.fill" : "square.and.arrow.up.circle.fill");
    const QString title = batch ? text(L10n::tr("dialog.exportTitle", count)) : localized("dialog.exportSingleTitle");
    title_->setFullText(title);
    setWindowTitle(title);
    if (batch)
        subtitle_->setFullText(localized("export.batchRenderingTo"));
    else if (count == 1)
        subtitle_->setFullText(text(exporting::sizeLine(photos_.front())));
    subtitle_->setVisible(batch || count == 1);
    chipStrip_->refresh();
    // The dialog's width is fixed: the strip takes the lines its chips need at it.
    strip_->setFixedHeight(chipStrip_->heightForWidth(kWidth - 2 * kMargin));

    formatCaption_->setFullText(localized("dialog.format"));
    format_->setSelected(text(std::string(rawValue(settings.format))));
    qualityBlock_->setVisible(settings.format == ExportFormat::jpeg);
    qualityCaption_->setFullText(localized("dialog.quality"));
    slider_->refresh();
    refreshQuality(settings);
    spaceCaption_->setFullText(localized("dialog.colorSpace"));
    p3_->setChecked(settings.useDisplayP3);
    srgb_->setChecked(!settings.useDisplayP3);

    cancelButton()->setFullText(localized("dialog.cancel"));
    const QString go = batch ? text(L10n::tr("dialog.chooseFolder", count)) : localized("dialog.chooseFolderSingle");
    confirmButton()->setFullText(buttonLabel(go));
    confirmButton()->setHelp(go);
    confirmButton()->setIcon(symbolIcon(batch ? "square.and.arrow.up.fill" : "arrow.down.doc", Qt::white));
    confirmButton()->setEnabled(count > 0);
}

}  // namespace vantrel
