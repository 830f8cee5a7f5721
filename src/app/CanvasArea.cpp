#include "app/CanvasArea.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "app/RenderRequests.h"
#include "views/canvas/CompareControlHUDView.h"
#include "views/canvas/SplitCompareView.h"
#include "views/canvas/ZoomPanCanvasView.h"
#include "views/kit/BusyIndicator.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/Geometry.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/masks/MaskOverlayView.h"
#include "views/masks/MaskControlBar.h"
#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"
#include "viewmodel/SpotSourceSearch.h"
#include "views/crop/CropOverlayView.h"
#include "views/canvas/NavigatorMinimapView.h"
#include "views/retouch/SpotHealingOverlayView.h"
#include "views/kit/VisibilityFade.h"
#include "views/kit/StandardColors.h"
#include "views/retouch/SpotHealingControlBar.h"
#include "views/kit/FloatingToolBar.h"
#include "views/crop/CropControlBar.h"

namespace vantrel {

namespace {

// The developed frame fitted into the part of the area the floating bar leaves
// free, kPicturePadding points in from its edges; the tool's overlay covers
// that part and fits the same frame size into it the same way, so every handle
// on the picture's edges lies on the overlay and none under the bar.
// The fitted picture is scaled once per preview and size, then copied where it
// needs painting, in bands of rows: a drag on the overlay repaints only what it
// moved, and a fill of many rows would wake the raster engine's thread pool
// each time.
class PreviewPicture final : public QWidget {
public:
    static constexpr double kPicturePadding = 16;

    PreviewPicture(DarkroomViewModel& vm, Source<QSize> frameSize, QWidget* overlay)
        : vm_(vm), frameSize_(std::move(frameSize)) {
        auto* stack = new QGridLayout(this);
        stack->setContentsMargins(0, 0, 0, 0);
        stack->addWidget(overlay, 0, 0);
    }

    // The height of the band at the bottom that the floating bar takes.
    void setCoveredBottom(int height) {
        if (height == covered_) return;
        covered_ = height;
        layout()->setContentsMargins(0, 0, 0, covered_);
        update();
    }

    // Repaints when a new preview arrived (not on every change of the window).
    void showLatest() {
        if (vm_.renderedPreview().cacheKey() == shownKey_ && frameSize_() == shownFrame_) return;
        shownKey_ = vm_.renderedPreview().cacheKey();
        shownFrame_ = frameSize_();
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        const QImage& image = vm_.renderedPreview();
        shownKey_ = image.cacheKey();
        shownFrame_ = frameSize_();
        if (image.isNull()) return;
        const QSizeF area(width(), std::max(height() - covered_, 0));
        const QRect fitted = fittedInside(area, QSizeF(shownFrame_), kPicturePadding).toRect();
        if (fitted.isEmpty()) return;
        if (image.cacheKey() != scaledFrom_ || scaled_.size() != fitted.size()) {
            scaled_ = image.scaled(fitted.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            scaledFrom_ = image.cacheKey();
        }
        QPainter painter(this);
        constexpr int kRows = 64;
        for (const QRect& dirty : event->region())
            for (int y = dirty.top(); y <= dirty.bottom(); y += kRows) {
                const QRect band =
                    QRect(dirty.left(), y, dirty.width(), std::min(kRows, dirty.bottom() + 1 - y)).intersected(fitted);
                if (!band.isEmpty()) painter.drawImage(band.topLeft(), scaled_, band.translated(-fitted.topLeft()));
            }
    }

private:
    DarkroomViewModel& vm_;
    Source<QSize> frameSize_;
    int covered_ = 0;
    QImage scaled_;
    qint64 scaledFrom_ = 0;
    qint64 shownKey_ = -1;
    QSize shownFrame_;
};

}  // namespace

CanvasArea::Branch CanvasArea::branchFor(bool cropping, bool retouching, bool masking) {
    if (cropping) return Branch::crop;
    if (retouching) return Branch::retouch;
    if (masking) return Branch::mask;
    return Branch::viewing;
}

CanvasArea::CanvasArea(DarkroomViewModel& vm, QWidget* parent) : QWidget(parent), vm_(vm) {
    setObjectName(QStringLiteral("canvasArea"));
    setAutoFillBackground(true);
    setPaletteColour(*this, QPalette::Window, DarkroomTheme::raisedBackground());
    auto* layout = flatColumn(0, this);
    branch_ = branchFor(vm_.isCroppingMode(), vm_.isRetouchMode(), vm_.isMaskMode());
    view_ = buildBranch(branch_);
    layout->addWidget(view_);
    refresh();
}

QSize CanvasArea::imageSize() const {
    const QSize frame = vm_.previewFrameSize();
    return vm_.selectedPhoto() ? frame : QSize(2400, 1600);
}

QSize CanvasArea::scanSize() const {
    if (const LoadedPhoto* photo = vm_.selectedPhoto())
        return {int(photo->dimensions().width), int(photo->dimensions().height)};
    return {2400, 1600};
}

QImage CanvasArea::referenceImage() const {
    if (vm_.activeComparisonSnapshotID() && !vm_.snapshotComparisonPreview().isNull())
        return vm_.snapshotComparisonPreview();
    return vm_.originalPreview();
}

QString CanvasArea::referenceLabel() const {
    if (vm_.activeComparisonSnapshotID() && !vm_.snapshotComparisonPreview().isNull()) {
        const SnapshotItem* snapshot = vm_.activeComparisonSnapshot();
        const std::string name = snapshot ? snapshot->name : L10n::tr("snapshot.defaultName");
        return QString::fromStdString(L10n::tr("compare.snapshotLabelA", name));
    }
    return QStringLiteral("BEFORE");
}

QString CanvasArea::targetLabel() const {
    if (vm_.activeComparisonSnapshotID() && !vm_.snapshotComparisonPreview().isNull())
        return localized("compare.currentGradeB");
    return QStringLiteral("AFTER");
}

bool CanvasArea::isLoadingFrame() const {
    return !vm_.previewLoadError() && !(vm_.photos().empty() && vm_.currentFolderURL());
}

QString CanvasArea::placeholderText() const {
    if (const std::optional<LocalText>& error = vm_.previewLoadError()) return QString::fromStdString(error->str());
    if (!isLoadingFrame()) return localized("status.noScansInFolder");
    return localized("preview.loadingFilm");
}

QWidget* CanvasArea::buildBranch(Branch branch) {
    views_.clear();
    navigator_ = compareHUD_ = picture_ = overlay_ = bar_ = nullptr;
    loading_ = nullptr;
    waiting_ = nullptr;
    loadingProgress_ = nullptr;
    auto sizeOf = [this] { return imageSize(); };
    auto scanSizeOf = [this] { return scanSize(); };
    auto crop = vm_.recipeBinding(&EditParameters::crop);
    auto spot = vm_.binding(&DarkroomViewModel::selectedRetouchSpotID, &DarkroomViewModel::setSelectedRetouchSpotID);
    auto mask = vm_.binding(&DarkroomViewModel::selectedMaskID, &DarkroomViewModel::setSelectedMaskID);
    switch (branch) {
    case Branch::crop: {
        auto* overlay = rendersOnChange(vm_, new CropOverlayView(crop, sizeOf));
        overlay->setPicturePadding(PreviewPicture::kPicturePadding);
        auto* bar =
            rendersOnChange(vm_, new CropControlBar(crop, scanSizeOf, [this] { return vm_.isDetectingHorizon(); }));
        QObject::connect(bar, &CropControlBar::autoHorizonRequested, this, [this] { vm_.autoLevelHorizon(); });
        QObject::connect(bar, &CropControlBar::rotateCWRequested, this, [this] { vm_.addQuarterTurn(); });
        QObject::connect(bar, &CropControlBar::rotateCCWRequested, this, [this] { vm_.subtractQuarterTurn(); });
        QObject::connect(bar, &CropControlBar::flipHRequested, this, [this] { vm_.toggleFlipHorizontal(); });
        QObject::connect(bar, &CropControlBar::resetRequested, this, [this] { vm_.resetCrop(); });
        QObject::connect(bar, &CropControlBar::doneRequested, this, [this] { vm_.saveCrop(); });
        return toolBranch(overlay, bar);
    }
    case Branch::retouch: {
        auto healing = vm_.recipeBinding(&EditParameters::spotHealing);
        // The source of a new spot is searched on the picture the overlay lies on.
        auto* overlay = rendersOnChange(vm_, new SpotHealingOverlayView(
            healing, spot, [this] { return vm_.retouchBrushRadius(); }, sizeOf,
            [this](const Point& center, double radius, const std::vector<SpotItem>& spots) {
                return findSpotSource(vm_.renderedPreview(), center, radius, spots);
            }));
        overlay->setPicturePadding(PreviewPicture::kPicturePadding);
        overlay->setSpeckTest([this](const Point& centre, double reach) {
            return showsSpeck(vm_.renderedPreview(), centre, reach);
        });
        // The Undo of the healing bar brings a deleted spot back: the status line says so.
        QObject::connect(overlay, &SpotHealingOverlayView::spotDeleted, this,
                         [this] { vm_.setStatusMessage(L10n::text("status.healingSpotDeleted")); });
        auto* bar = rendersOnChange(vm_, new SpotHealingControlBar(
            healing, [this] { return vm_.selectedRetouchSpotID(); },
            vm_.binding(&DarkroomViewModel::retouchBrushRadius, &DarkroomViewModel::setRetouchBrushRadius)));
        bar->setCanUndo([this] { return vm_.canUndoHealingSpot(); });
        QObject::connect(bar, &SpotHealingControlBar::undoRequested, this, [this] { vm_.undoLastHealingSpot(); });
        QObject::connect(bar, &SpotHealingControlBar::clearRequested, this, [this] { vm_.clearAllHealingSpots(); });
        QObject::connect(bar, &SpotHealingControlBar::deleteSelectedRequested, this,
                         [this] { vm_.removeSelectedHealingSpot(); });
        QObject::connect(bar, &SpotHealingControlBar::doneRequested, this, [this] { vm_.saveRetouch(); });
        return toolBranch(overlay, bar);
    }
    case Branch::mask: {
        auto masks = vm_.recipeBinding(&EditParameters::masks);
        auto* overlay = rendersOnChange(vm_, new MaskOverlayView(masks, mask, sizeOf));
        overlay->setPicturePadding(PreviewPicture::kPicturePadding);
        auto* bar = new MaskControlBar(masks, mask);
        connect(bar, &MaskControlBar::addRequested, this, [this](MaskKind kind) { vm_.addMask(kind); });
        connect(bar, &MaskControlBar::deleteSelectedRequested, this, [this] { vm_.deleteSelectedMask(); });
        connect(bar, &MaskControlBar::clearAllRequested, this, [this] { vm_.clearAllMasks(); });
        connect(bar, &MaskControlBar::doneRequested, this, [this] { vm_.finishMaskEditing(); });
        return toolBranch(overlay, bar);
    }
    case Branch::viewing:
        break;
    }
    return viewingBranch();
}

QWidget* CanvasArea::toolBranch(QWidget* overlay, QWidget* bar) {
    auto* branch = new QWidget;
    auto* stack = new QGridLayout(branch);
    stack->setContentsMargins(0, 0, 0, 0);
    picture_ = new PreviewPicture(vm_, [this] { return imageSize(); }, overlay);
    overlay_ = overlay;
    // Until the first preview: a turning indicator over the loading text (or why nothing loads).
    waiting_ = new QWidget;
    auto* waiting = new QVBoxLayout(waiting_);
    waiting->addStretch(1);
    loadingProgress_ = new BusyIndicator(20);
    loadingProgress_->setObjectName(QStringLiteral("loadingFilm.progress"));
    waiting->addWidget(loadingProgress_, 0, Qt::AlignHCenter);
    loading_ = new QLabel;
    loading_->setObjectName(QStringLiteral("loadingFilm"));
    loading_->setAlignment(Qt::AlignCenter);
    loading_->setWordWrap(true);
    waiting->addWidget(loading_);
    waiting->addStretch(1);
    stack->addWidget(picture_, 0, 0);
    stack->addWidget(waiting_, 0, 0);
    // The bar floats at the bottom centre, over the picture, with or without a preview.
    auto* barColumn = new QVBoxLayout;
    barColumn->setContentsMargins(0, 0, 0, 20);
    barColumn->addStretch(1);
    // The floating tool bars size themselves (they break into lines when narrow).
    if (!dynamic_cast<FloatingToolBar*>(bar)) bar->setMinimumWidth(360);
    barColumn->addWidget(bar, 0, Qt::AlignHCenter);
    stack->addLayout(barColumn, 0, 0);
    // The picture keeps above the bar, whose height follows its lines.
    bar_ = bar;
    bar->installEventFilter(this);
    for (QWidget* view : {overlay, bar})
        if (auto* refreshable = dynamic_cast<RefreshableView*>(view)) views_.push_back(refreshable);
    return branch;
}

QWidget* CanvasArea::viewingBranch() {
    auto* branch = new QWidget;
    auto* stack = new QGridLayout(branch);
    stack->setContentsMargins(12, 12, 12, 12);
    auto holding = vm_.binding(&DarkroomViewModel::isHoldingOriginal, &DarkroomViewModel::setIsHoldingOriginal);
    auto mode = vm_.binding(&DarkroomViewModel::compareMode, &DarkroomViewModel::setCompareMode);
    auto zoom = vm_.binding(&DarkroomViewModel::zoomScale, &DarkroomViewModel::setZoomScale);
    auto pan = vm_.binding(&DarkroomViewModel::panOffset, &DarkroomViewModel::setPanOffset);
    auto* compare = new SplitCompareView([this] { return referenceImage(); }, [this] { return vm_.renderedPreview(); },
                                         holding, mode, [this] { return referenceLabel(); },
                                         [this] { return targetLabel(); });
    compare->setEmptyText([this] { return placeholderText(); });
    // The undeveloped frame has no film border: the split lays it on the photo inside it.
    compare->setOriginalArea([this] {
        const bool snapshot = vm_.activeComparisonSnapshotID() && !vm_.snapshotComparisonPreview().isNull();
        return snapshot ? QRectF() : vm_.renderedPhotoArea();
    });
    compare->setSharpPart([this] { return vm_.sharpRegion().image; },
                          [this] {
                              const SharpRegion& part = vm_.sharpRegion();
                              const QSizeF frame(part.frameSize);
                              if (part.isNull() || frame.isEmpty()) return QRectF();
                              return QRectF(part.rect.x() / frame.width(), part.rect.y() / frame.height(),
                                            part.rect.width() / frame.width(), part.rect.height() / frame.height());
                          });
    auto* canvas = new ZoomPanCanvasView(zoom, pan, [this] { return imageSize(); }, true, compare);
    // The canvas's measured size is the viewport the view model's zoom steps use;
    // its screen's density says how many pixels the renders for it need.
    connect(canvas, &ZoomPanCanvasView::containerSizeChanged, this, [this](QSizeF size) {
        followDensity();
        vm_.setCanvasViewportSize(size);
    });
    stack->addWidget(canvas, 0, 0);

    auto* navigator = new NavigatorMinimapView(
        [this] { return vm_.renderedPreview(); }, [this] { return imageSize(); }, zoom,
        // A tap moves the canvas with the zoom steps' spring.
        vm_.binding(&DarkroomViewModel::panOffset, &DarkroomViewModel::panAnimated),
        [this] { return vm_.canvasViewportSize(); });
    connect(navigator, &NavigatorMinimapView::zoomToFitRequested, this, [this] { vm_.zoomToFit(); });
    connect(navigator, &NavigatorMinimapView::zoomTo100Requested, this, [this] { vm_.zoomTo100(); });
    connect(navigator, &NavigatorMinimapView::zoomTo200Requested, this, [this] { vm_.zoomTo200(); });
    connect(navigator, &NavigatorMinimapView::closeRequested, this, [this] { vm_.setIsNavigatorVisible(false); });
    auto* navigatorCorner = new QGridLayout;
    navigatorCorner->setContentsMargins(0, 14, 14, 0);
    navigatorCorner->addWidget(navigator, 0, 0, Qt::AlignTop | Qt::AlignRight);
    stack->addLayout(navigatorCorner, 0, 0);

    auto* hud = new CompareControlHUDView(mode, holding);
    auto* hudCorner = new QGridLayout;
    hudCorner->setContentsMargins(0, 0, 14, 14);
    hudCorner->addWidget(hud, 0, 0, Qt::AlignBottom | Qt::AlignRight);
    stack->addLayout(hudCorner, 0, 0);
    navigator_ = navigator;
    compareHUD_ = hud;
    views_ = {canvas, navigator, hud};
    return branch;
}

void CanvasArea::followDensity() {
    const double density = devicePixelRatioF();
    if (vm_.canvasDevicePixelRatio() != density) vm_.setCanvasDevicePixelRatio(density);
}

void CanvasArea::followBar() {
    if (!picture_ || !bar_) return;
    const int height = bar_->parentWidget()->height();
    const int covered = bar_->isHidden() ? 0 : std::clamp(height - bar_->y(), 0, height);
    static_cast<PreviewPicture*>(picture_)->setCoveredBottom(covered);
}

bool CanvasArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == bar_) {
        switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
            case QEvent::Hide: followBar(); break;
            default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool CanvasArea::event(QEvent* event) {
    // Moved to a screen of another density: renders for the canvas change size.
    if (event->type() == QEvent::ScreenChangeInternal) followDensity();
    return QWidget::event(event);
}

void CanvasArea::refresh() {
    const Branch wanted = branchFor(vm_.isCroppingMode(), vm_.isRetouchMode(), vm_.isMaskMode());
    if (wanted != branch_) {
        branch_ = wanted;
        QWidget* old = view_;
        view_ = buildBranch(wanted);
        delete layout()->replaceWidget(old, view_);  // the old item is ours to free
        old->hide();
        old->deleteLater();
    }
    if (loading_) {
        const bool waiting = vm_.renderedPreview().isNull();
        loading_->setText(placeholderText());
        waiting_->setVisible(waiting);
        loadingProgress_->setBusy(waiting && isLoadingFrame());
        picture_->setVisible(!waiting);
        static_cast<PreviewPicture*>(picture_)->showLatest();
    }
    // Until the tool's own preview is shown (after a change of mode, frame or
    // crop), the picture on screen is not the frame its marks are placed on: a
    // click there would land elsewhere on the frame. The marks and the pointer
    // wait for it.
    if (overlay_) overlay_->setVisible(vm_.isPreviewGeometryCurrent());
    if (navigator_) fadeVisible(navigator_, vm_.isNavigatorVisible() || vm_.zoomScale() > kNavigatorZoom);
    if (compareHUD_) compareHUD_->setVisible(!vm_.renderedPreview().isNull() || !vm_.originalPreview().isNull());
    for (RefreshableView* view : views_) view->refresh();
}

}  // namespace vantrel
