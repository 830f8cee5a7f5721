#include "app/standins/CanvasViews.h"

#include <algorithm>

#include <QListWidget>
#include <QScrollBar>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "views/kit/DarkroomTheme.h"
#include "services/L10n.h"

namespace vantrel {

// ---------------------------------------------------------------- filmstrip

FilmstripView::FilmstripView(Source<std::vector<FilmstripItem>> items, Source<std::optional<Uuid>> selectedID,
                             Source<std::set<Uuid>> checkedIDs, std::function<void(const Uuid&)> onSelect,
                             std::function<void(const Uuid&)> onToggleCheck, QWidget* parent)
    : QWidget(parent), items_(std::move(items)), selectedID_(std::move(selectedID)),
      checkedIDs_(std::move(checkedIDs)), onSelect_(std::move(onSelect)), onToggleCheck_(std::move(onToggleCheck)),
      list_(new QListWidget) {
    setObjectName(QStringLiteral("FilmstripView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    list_->setFlow(QListView::LeftToRight);
    list_->setViewMode(QListView::IconMode);
    list_->setWrapping(false);
    list_->setMovement(QListView::Static);
    list_->setIconSize(QSize(96, 64));
    list_->setSpacing(4);
    list_->setGridSize(QSize(150, 96));
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setTextElideMode(Qt::ElideMiddle);
    list_->setUniformItemSizes(true);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setStyleSheet(QStringLiteral("QListWidget { background: %1; }").arg(DarkroomTheme::filmstripBackground().name()));
    setFixedHeight(124);

    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!filling_ && row >= 0 && std::size_t(row) < shown_.size()) onSelect_(shown_[std::size_t(row)]);
    });
    connect(list_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const int row = list_->row(item);
        if (!filling_ && row >= 0 && std::size_t(row) < shown_.size()) onToggleCheck_(shown_[std::size_t(row)]);
    });
    refresh();
}

void FilmstripView::refresh() {
    const std::vector<FilmstripItem> items = items_();
    const std::optional<Uuid> selected = selectedID_();
    const std::set<Uuid> checked = checkedIDs_();
    filling_ = true;
    std::vector<Uuid> ids;
    for (const FilmstripItem& item : items) ids.push_back(item.id);
    if (ids != shown_) {
        list_->clear();
        for (const FilmstripItem& item : items) {
            auto* entry = new QListWidgetItem(QString::fromStdString(item.title), list_);
            entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
            // Every entry as tall as one with its thumbnail.
            QPixmap blank(list_->iconSize());
            blank.fill(QColor(40, 40, 40));
            QIcon icon(blank);
            icon.addPixmap(blank, QIcon::Selected);
            entry->setIcon(icon);
        }
        shown_ = ids;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        QListWidgetItem* entry = list_->item(int(i));
        if (!items[i].thumbnail.isNull() && entry->data(Qt::UserRole).toLongLong() != items[i].thumbnail.cacheKey()) {
            // The same picture when selected: the list would tint it with the highlight colour,
            // and a cell must show the frame's own colours (the title shows the selection).
            const QPixmap picture = QPixmap::fromImage(items[i].thumbnail);
            QIcon icon;
            icon.addPixmap(picture, QIcon::Normal);
            icon.addPixmap(picture, QIcon::Selected);
            entry->setIcon(icon);
            entry->setData(Qt::UserRole, items[i].thumbnail.cacheKey());
        }
        entry->setCheckState(checked.count(items[i].id) ? Qt::Checked : Qt::Unchecked);
        if (selected && items[i].id == *selected && list_->currentRow() != int(i)) list_->setCurrentRow(int(i));
    }
    list_->verticalScrollBar()->setValue(0);  // one row: only sideways scrolling
    filling_ = false;
}

// ---------------------------------------------------------------- zoomable canvas

ZoomPanCanvasView::ZoomPanCanvasView(Binding<double> zoomScale, Binding<QSizeF> panOffset, Source<QSize> imageSize,
                                     bool isInteractiveZoomEnabled, QWidget* content, QWidget* parent)
    : QWidget(parent), zoomScale_(std::move(zoomScale)), panOffset_(std::move(panOffset)),
      imageSize_(std::move(imageSize)), isInteractiveZoomEnabled_(isInteractiveZoomEnabled), content_(content) {
    setObjectName(QStringLiteral("ZoomPanCanvasView"));
    content_->setParent(this);
    place();
}

void ZoomPanCanvasView::refresh() {
    place();
    if (auto* view = dynamic_cast<RefreshableView*>(content_)) view->refresh();
}

void ZoomPanCanvasView::resizeEvent(QResizeEvent*) { place(); }

void ZoomPanCanvasView::place() {
    const double zoom = std::max(zoomScale_.get(), 0.05);
    const QSizeF pan = panOffset_.get();
    const QSizeF size = QSizeF(this->size()) * zoom;
    const QPointF topLeft((width() - size.width()) / 2 + pan.width(), (height() - size.height()) / 2 + pan.height());
    content_->setGeometry(QRectF(topLeft, size).toRect());
}

// ---------------------------------------------------------------- comparison

SplitCompareView::SplitCompareView(Source<QImage> referenceImage, Source<QImage> targetImage,
                                   Binding<bool> isHoldingOriginal, Binding<CompareMode> compareMode,
                                   Source<QString> referenceLabel, Source<QString> targetLabel, bool showsOwnControls,
                                   QWidget* parent, Source<QString> emptyText)
    : QWidget(parent), referenceImage_(std::move(referenceImage)), targetImage_(std::move(targetImage)),
      isHoldingOriginal_(std::move(isHoldingOriginal)), compareMode_(std::move(compareMode)),
      referenceLabel_(std::move(referenceLabel)), targetLabel_(std::move(targetLabel)),
      showsOwnControls_(showsOwnControls), emptyText_(std::move(emptyText)) {
    setObjectName(QStringLiteral("SplitCompareView"));
}

QString SplitCompareView::emptyText() const {
    return emptyText_ ? emptyText_() : QString::fromStdString(L10n::tr("preview.loadingFilm"));
}

QRectF SplitCompareView::fittedRect(QSizeF size, QRectF area) {
    if (size.isEmpty() || area.isEmpty()) return {};
    const double scale = std::min(area.width() / size.width(), area.height() / size.height());
    const QSizeF fitted = size * scale;
    return {area.center().x() - fitted.width() / 2, area.center().y() - fitted.height() / 2, fitted.width(),
            fitted.height()};
}

void SplitCompareView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QImage reference = referenceImage_();
    const QImage target = targetImage_();
    const bool showReference = isHoldingOriginal_.get() && !reference.isNull();
    const QImage& image = showReference ? reference : target;
    if (image.isNull()) {
        painter.setPen(QColor(150, 150, 150));
        // Long messages wrap inside a margin rather than run off the canvas.
        painter.drawText(rect().adjusted(24, 0, -24, 0), Qt::AlignCenter | Qt::TextWordWrap, emptyText());
        return;
    }
    painter.drawImage(fittedRect(image.size(), rect()), image);
    if (showReference) {
        painter.setPen(Qt::white);
        painter.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignLeft | Qt::AlignTop, referenceLabel_());
    }
}

// ---------------------------------------------------------------- histogram

HistogramWaveformView::HistogramWaveformView(Source<HistogramData> data, QWidget* parent)
    : QWidget(parent), data_(std::move(data)) {
    setObjectName(QStringLiteral("HistogramWaveformView"));
    setFixedHeight(90);
}

void HistogramWaveformView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath frame;
    frame.addRoundedRect(area, 6, 6);
    painter.fillPath(frame, QColor::fromRgbF(0, 0, 0, 0.3f));
    const HistogramData data = data_();
    auto curve = [&](const std::vector<float>& bins, QColor colour) {
        if (bins.size() < 2) return;
        QPainterPath path(QPointF(area.left(), area.bottom()));
        for (std::size_t i = 0; i < bins.size(); ++i) {
            const double x = area.left() + area.width() * double(i) / double(bins.size() - 1);
            path.lineTo(x, area.bottom() - area.height() * std::clamp(double(bins[i]), 0.0, 1.0));
        }
        path.lineTo(area.right(), area.bottom());
        path.closeSubpath();
        painter.fillPath(path, colour);
    };
    curve(data.lumaBins, QColor::fromRgbF(1, 1, 1, 0.25f));
    curve(data.redBins, QColor::fromRgbF(1, 0.2f, 0.2f, 0.3f));
    curve(data.greenBins, QColor::fromRgbF(0.2f, 1, 0.2f, 0.3f));
    curve(data.blueBins, QColor::fromRgbF(0.3f, 0.5f, 1, 0.3f));
}

}  // namespace vantrel
