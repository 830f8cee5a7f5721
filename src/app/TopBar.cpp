#include "app/TopBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/FittingRows.h"
#include "views/kit/FittingText.h"
#include "views/kit/Icons.h"
#include "views/kit/StandardColors.h"
#include "services/AppLanguage.h"
#include "services/LocalizationManager.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

namespace {

const QString kGlobe = QStringLiteral("\U0001F310");

QPushButton* button(const char* symbol) {
    auto* b = new QPushButton(symbolIcon(symbol), {});
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QString nativeNameOf(AppLanguage language) {
    const std::string_view name = nativeName(language);
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

}  // namespace

TopBar::TopBar(DarkroomViewModel& vm, LocalizationManager& localization, QWidget* parent)
    : QWidget(parent), vm_(vm), localization_(localization) {
    setAutoFillBackground(true);
    setPaletteColour(*this, QPalette::Window, DarkroomTheme::windowBackground());

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 8, 16, 8);
    row->setSpacing(12);

    auto* title = titleGroup_ = new QHBoxLayout;
    title->setSpacing(8);
    auto* aperture = new QLabel;
    aperture->setPixmap(symbolIcon("camera.aperture").pixmap(16, 16));
    auto* name = new QLabel(QStringLiteral("Vantrel Editor"));
    name->setStyleSheet(DarkroomTheme::textStyle(DarkroomTheme::TextSize::title, QFont::DemiBold));
    openFolder_ = button("folder");
    openFolder_->setObjectName(QStringLiteral("openFolder"));
    openFolder_->setStyleSheet(DarkroomTheme::textStyle(DarkroomTheme::TextSize::control));
    connect(openFolder_, &QPushButton::clicked, this, [this] { vm_.openFolder(); });
    title->addWidget(aperture);
    title->addWidget(name);
    title->addWidget(openFolder_);
    row->addLayout(title);
    row->addStretch(1);

    // The mode buttons show their icons alone when the bar is too narrow for
    // their labels (a long language at the window's minimum width).
    modes_ = new IconFallbackRow(IconFallbackRow::Widths::natural, 8);
    crop_ = button("crop");
    retouch_ = button("bandage");
    mask_ = button("circle.dashed");
    zoom_ = button("viewfinder");
    info_ = button("info.circle");
    connect(crop_, &QPushButton::clicked, this, [this] { vm_.toggleCropMode(); });
    connect(retouch_, &QPushButton::clicked, this, [this] { vm_.toggleRetouchMode(); });
    connect(mask_, &QPushButton::clicked, this, [this] { vm_.toggleMaskMode(); });
    connect(zoom_, &QPushButton::clicked, this, [this] { vm_.toggleZoom(); });
    connect(info_, &QPushButton::clicked, this, [this] { vm_.setIsInfoMatrixVisible(!vm_.isInfoMatrixVisible()); });
    // Stable names, so that tests and tools find each mode by what it does.
    crop_->setObjectName(QStringLiteral("mode.crop"));
    retouch_->setObjectName(QStringLiteral("mode.retouch"));
    mask_->setObjectName(QStringLiteral("mode.mask"));
    zoom_->setObjectName(QStringLiteral("mode.zoom"));
    info_->setObjectName(QStringLiteral("mode.info"));
    for (QPushButton* mode : {crop_, retouch_, mask_, zoom_, info_}) modes_->addButton(mode);
    row->addWidget(modes_);
    row->addStretch(1);

    language_ = new QToolButton;
    language_->setObjectName(QStringLiteral("languageMenu"));
    language_->setPopupMode(QToolButton::InstantPopup);
    language_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    language_->setIcon(symbolIcon("globe"));
    language_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    language_->setStyleSheet(DarkroomTheme::textStyle(DarkroomTheme::TextSize::label, QFont::Medium));
    language_->setMenu(new QMenu(language_));
    row->addWidget(language_);

    export_ = new QPushButton;
    export_->setObjectName(QStringLiteral("export"));
    export_->setDefault(true);  // the prominent button of the bar
    export_->setFocusPolicy(Qt::NoFocus);
    export_->setStyleSheet(DarkroomTheme::prominentButtonStyle(DarkroomTheme::TextSize::control, QFont::Medium, 5,
                                                               QStringLiteral("4px 10px")));
    connect(export_, &QPushButton::clicked, this, [this] { vm_.presentExportDialog(); });
    row->addWidget(export_);

    connect(&localization_, &LocalizationManager::changed, this, &TopBar::refresh);
    refresh();
}

bool TopBar::isActive(const QPushButton* button) { return button->property("active").toBool(); }

void TopBar::setMode(QPushButton* button, bool active, const QString& text, const char* tooltip) {
    button->setProperty("active", active);
    button->setStyleSheet(DarkroomTheme::modeButtonStyle(active));
    modes_->setLabel(button, text, localized(tooltip));
}

void TopBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitFolderLabel();
}

// On a narrow bar the open-folder button shows its icon alone before the mode
// buttons give up their labels.
void TopBar::fitFolderLabel() {
    QString text = folderLabel_;
    if (isVisible()) {
        // The nested title group caches its size until the next layout pass.
        titleGroup_->invalidate();
        layout()->invalidate();
        const int labelled = layout()->sizeHint().width() - openFolder_->sizeHint().width() +
                             buttonSizeFor(*openFolder_, folderLabel_).width();
        if (width() < labelled) text.clear();
    }
    if (openFolder_->text() != text) openFolder_->setText(text);
    openFolder_->setToolTip(folderLabel_);
}

void TopBar::decorateFollowItem(QAction& item, bool following, bool globeGlyph) {
    const QString text = localized("lang.followSystem");
    item.setProperty("currentChoice", following);
    if (globeGlyph) {
        item.setText(kGlobe + QLatin1Char(' ') + text);
        item.setIcon(following ? symbolIcon("checkmark") : QIcon());
        return;
    }
    item.setText(text);
    if (!following) {
        item.setIcon(symbolIcon("globe"));
        return;
    }
    // One icon place: the globe with the check mark on its corner.
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    symbolIcon("globe").paint(&painter, QRect(0, 0, 26, 26));
    symbolIcon("checkmark").paint(&painter, QRect(14, 14, 18, 18));
    painter.end();
    item.setIcon(QIcon(picture));
}

void TopBar::rebuildLanguageMenu() {
    QMenu* menu = language_->menu();
    menu->clear();
    const bool following = localization_.isFollowingSystem();
    QAction* follow = menu->addAction(QString());
    decorateFollowItem(*follow, following, fontsCanDraw(kGlobe, menu->font()));
    connect(follow, &QAction::triggered, this, [this] { localization_.followSystemLanguage(); });
    menu->addSeparator();
    for (AppLanguage language : kAllAppLanguages) {
        QAction* item = menu->addAction(nativeNameOf(language));
        const bool current = !following && language == localization_.currentLanguage();
        item->setProperty("currentChoice", current);
        if (current) item->setIcon(symbolIcon("checkmark"));
        connect(item, &QAction::triggered, this, [this, language] { localization_.setLanguage(language); });
    }
}

void TopBar::refresh() {
    folderLabel_ = localized("nav.openFolder");
    setMode(crop_, vm_.isCroppingMode(), localized(vm_.isCroppingMode() ? "nav.done" : "nav.crop"), "nav.crop");
    setMode(retouch_, vm_.isRetouchMode(), localized(vm_.isRetouchMode() ? "nav.done" : "nav.retouch"),
            "nav.retouch");
    setMode(mask_, vm_.isMaskMode(), localized(vm_.isMaskMode() ? "nav.maskActive" : "nav.mask"), "nav.mask");
    const bool zoomed = vm_.zoomScale() > kZoomActiveAbove;
    setMode(zoom_, zoomed, zoomed ? QString::fromStdString(vm_.zoomLabel()) : localized("nav.zoom100"), "nav.zoom100");
    setMode(info_, vm_.isInfoMatrixVisible(), localized("nav.shootingInfo"), "nav.shootingInfo");
    info_->setIcon(symbolIcon(vm_.isInfoMatrixVisible() ? "info.circle.fill" : "info.circle"));

    QString languageLabel = nativeNameOf(localization_.currentLanguage());
    if (localization_.isFollowingSystem()) languageLabel += QStringLiteral(" (") + localized("lang.auto") + ')';
    language_->setText(languageLabel);
    language_->setToolTip(localized("nav.language"));
    rebuildLanguageMenu();

    const int checked = int(vm_.checkedPhotoIDs().size());
    export_->setEnabled(!vm_.isExporting() && !vm_.isBatchExporting() &&
                        (vm_.selectedPhoto() != nullptr || checked > 0));
    if (checked > 0) {
        export_->setIcon(symbolIcon("square.and.arrow.up.on.square.fill"));
        export_->setText(vm_.isBatchExporting()
                             ? localized("dialog.exporting") +
                                   QStringLiteral(" (%1/%2)...")
                                       .arg(vm_.batchExportCompletedCount())
                                       .arg(vm_.batchExportTotalCount())
                             : localized("nav.batchExport", checked));
        export_->setToolTip(localized("nav.batchExport", checked));
    } else {
        export_->setIcon(symbolIcon("square.and.arrow.up"));
        export_->setText(localized(vm_.isExporting() ? "dialog.exporting" : "nav.exportPhoto"));
        export_->setToolTip(localized("nav.exportPhoto"));
    }
    fitFolderLabel();
}

}  // namespace vantrel
