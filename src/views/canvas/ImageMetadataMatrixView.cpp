#include "views/canvas/ImageMetadataMatrixView.h"

#include <algorithm>

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include "views/canvas/MetadataCells.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/FittingText.h"
#include "views/kit/Icons.h"
#include "views/kit/LayoutCheck.h"
#include "views/kit/Marks.h"
#include "views/kit/Painting.h"
#include "views/kit/SpringValue.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/kit/Layouts.h"

namespace vantrel {

namespace metadata {

namespace {

constexpr double kMinimumScale = 0.8;
constexpr int kCollapseMs = 150;

void setTextColour(QWidget* widget, const QColor& colour) {
    setPaletteColour(*widget, QPalette::WindowText, colour);
}

FittingLabel* line(const char* name, const QFont& font, const QColor& colour) {
    auto* label = new FittingLabel;
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    setTextColour(label, colour);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return label;
}

// A symbol button of the header: the symbol on nothing, 3 points of padding around it all clickable.
QPushButton* headerButton(const char* name, const char* symbol) {
    auto* button = new QPushButton(symbolIcon(symbol, standardColor(StandardColor::SecondaryText)), {});
    button->setObjectName(QString::fromLatin1(name));
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(QSize(9, 9));
    button->setFixedSize(15, 15);
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 3px; }"));
    return button;
}

}  // namespace

// A value that first shrinks its font (down to 80 %), then wraps onto a second
// line, and only then elides (whole in its tooltip).
class ValueLabel final : public FittingLabel {
public:
    ValueLabel(double pixels, QFont::Weight weight, const QColor& colour) : pixels_(pixels), weight_(weight) {
        setFont(pixelFont(pixels_, weight_, FontDesign::Monospaced));
        setTextColour(this, colour);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }

    void setValue(const QString& text) {
        value_ = text;
        rescale();
        setFullText(text);
    }
    double scale() const { return scale_; }

protected:
    void resizeEvent(QResizeEvent* event) override {
        rescale();
        FittingLabel::resizeEvent(event);
    }

private:
    void rescale() {
        const double room = contentsRect().width();
        const QFont full = pixelFont(pixels_, weight_, FontDesign::Monospaced);
        const double needed = QFontMetricsF(full).horizontalAdvance(value_);
        const double scale = needed <= room || !(needed > 0) ? 1.0 : std::max(kMinimumScale, room / needed);
        const int lines = needed * scale <= room + 0.5 || !(needed > 0) ? 1 : 2;
        if (scale != scale_) {
            scale_ = scale;
            setFont(scale_ == 1.0 ? full : pixelFont(pixels_ * scale_, weight_, FontDesign::Monospaced));
        }
        if (lines != lines_) {
            lines_ = lines;
            setMaximumLines(lines);
        }
    }

    double pixels_;
    QFont::Weight weight_;
    QString value_;
    double scale_ = 1.0;
    int lines_ = 1;
};

}  // namespace metadata

using namespace metadata;

ImageMetadataMatrixView::ImageMetadataMatrixView(Source<ImageMetadataInfo> metadata,
                                                 std::optional<Binding<bool>> isCollapsed, Closable closable,
                                                 QWidget* parent)
    : QWidget(parent), metadata_(std::move(metadata)), isCollapsed_(std::move(isCollapsed)) {
    setObjectName(QStringLiteral("meta.card"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(6);

    auto* header = flatRow(6);
    auto* icons = flatRow(5);
    auto* dot = new DotView(6, standardColor(StandardColor::Orange));
    dot->setObjectName(QStringLiteral("meta.dot"));
    icons->addWidget(dot, 0, Qt::AlignVCenter);
    auto* aperture = new SymbolView("camera.aperture", 12, standardColor(StandardColor::Orange));
    aperture->setObjectName(QStringLiteral("meta.symbol"));
    icons->addWidget(aperture, 0, Qt::AlignVCenter);
    header->addLayout(icons);
    auto* titles = flatColumn(1);
    camera_ = line("meta.camera", pixelFont(11, QFont::DemiBold), standardColor(StandardColor::PrimaryText));
    lens_ = line("meta.lens", pixelFont(9.5), standardColor(StandardColor::SecondaryText));
    titles->addWidget(camera_);
    titles->addWidget(lens_);
    header->addLayout(titles, 1);
    header->addSpacing(4);
    collapse_ = headerButton("meta.collapse", "chevron.up");
    connect(collapse_, &QPushButton::clicked, this, &ImageMetadataMatrixView::toggleCollapsed);
    header->addWidget(collapse_);
    if (closable == Closable::yes) {
        close_ = headerButton("meta.close", "xmark");
        connect(close_, &QPushButton::clicked, this, &ImageMetadataMatrixView::closeRequested);
        header->addWidget(close_);
    }
    column->addLayout(header);

    grid_ = new QWidget;
    grid_->setObjectName(QStringLiteral("meta.grid"));
    auto* rows = new QVBoxLayout(grid_);
    rows->setContentsMargins(0, 2, 0, 0);
    rows->setSpacing(5);
    const std::array<CellText, 6> texts = cellsFor(ImageMetadataInfo{});
    for (int r = 0; r < 3; ++r) {
        auto* row = flatRow(5);
        for (int c = 0; c < 2; ++c) {
            const int i = r * 2 + c;
            const QString prefix = QStringLiteral("meta.cell%1.").arg(i);
            auto* box = new FilledBacking(whiteAt(0.03), 4);
            box->setObjectName(QStringLiteral("meta.cell%1").arg(i));
            box->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            auto* stack = new QVBoxLayout(box);
            stack->setContentsMargins(6, 4, 6, 4);
            stack->setSpacing(2);
            auto* labelRow = flatRow(3);
            auto* symbol = new SymbolView(texts[std::size_t(i)].symbol, 9, standardColor(StandardColor::SecondaryText, 0.8));
            symbol->setObjectName(prefix + QStringLiteral("symbol"));
            labelRow->addWidget(symbol, 0, Qt::AlignTop);
            Cell& cell = cells_[std::size_t(i)];
            cell.title = line("", pixelFont(8.5), standardColor(StandardColor::SecondaryText));
            cell.title->setObjectName(prefix + QStringLiteral("title"));
            // A long title ("Espace colorimétrique") takes a second line rather than lose its end.
            cell.title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            cell.title->setMaximumLines(2);
            requireWholeText(*cell.title);
            labelRow->addWidget(cell.title, 1);
            stack->addLayout(labelRow);
            cell.value = new ValueLabel(10.5, QFont::Medium, standardColor(StandardColor::PrimaryText));
            cell.value->setObjectName(prefix + QStringLiteral("value"));
            stack->addWidget(cell.value);
            cell.detail = new ValueLabel(8.5, QFont::Normal, standardColor(StandardColor::Orange, 0.9));
            cell.detail->setObjectName(prefix + QStringLiteral("detail"));
            stack->addWidget(cell.detail);
            stack->addStretch(1);  // a cell taller than its texts keeps them at its top
            row->addWidget(box, 1);
        }
        rows->addLayout(row);
    }
    column->addWidget(grid_);

    animation_ = new QVariantAnimation(this);
    animation_->setDuration(kCollapseMs);
    animation_->setEasingCurve(QEasingCurve::InOutQuad);
    connect(animation_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& height) { grid_->setMaximumHeight(height.toInt()); });
    connect(animation_, &QVariantAnimation::finished, this, [this] {
        grid_->setMaximumHeight(QWIDGETSIZE_MAX);
        grid_->setVisible(!shownCollapsed_);
    });
    refresh();
}

bool ImageMetadataMatrixView::isCollapsed() const { return isCollapsed_ ? isCollapsed_->get() : internalCollapsed_; }

const char* ImageMetadataMatrixView::chevronSymbol() const { return isCollapsed() ? "chevron.down" : "chevron.up"; }

QString ImageMetadataMatrixView::cellTitle(int cell) const { return cells_[std::size_t(cell)].title->fullText(); }

QString ImageMetadataMatrixView::cellValue(int cell) const { return cells_[std::size_t(cell)].value->fullText(); }

QString ImageMetadataMatrixView::cellDetail(int cell) const {
    const ValueLabel* detail = cells_[std::size_t(cell)].detail;
    return detail->isVisibleTo(grid_) ? detail->fullText() : QString();
}

void ImageMetadataMatrixView::refresh() {
    const ImageMetadataInfo info = metadata_();
    // A scan that names no camera or lens gets the generic names in the window's language.
    const std::string camera = info.cameraName();
    camera_->setFullText(camera.empty() ? localized("metadata.genericCamera") : QString::fromStdString(camera));
    const std::string lensName = info.lensName();
    const QString lens = lensName.empty() ? localized("metadata.genericLens") : QString::fromStdString(lensName);
    lens_->setFullText(lens);
    lens_->setVisible(!lens.isEmpty());
    const std::array<CellText, 6> texts = cellsFor(info);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        Cell& cell = cells_[i];
        cell.title->setFullText(localized(texts[i].titleKey));
        cell.value->setValue(texts[i].value);
        cell.detail->setValue(texts[i].detail);
        cell.detail->setVisible(!texts[i].detail.isEmpty());
    }
    const bool collapsed = isCollapsed();
    if (collapse_->property("symbol").toString() != QLatin1String(chevronSymbol())) {
        collapse_->setIcon(symbolIcon(chevronSymbol(), standardColor(StandardColor::SecondaryText)));
        collapse_->setProperty("symbol", QLatin1String(chevronSymbol()));
    }
    collapse_->setToolTip(localized(collapsed ? "meta.expand" : "meta.collapse"));
    if (close_) close_->setToolTip(localized("metadata.hideTooltip"));
    if (collapsed != shownCollapsed_) showCollapsed(collapsed);
}

void ImageMetadataMatrixView::toggleCollapsed() {
    if (isCollapsed_)
        isCollapsed_->set(!isCollapsed_->get());
    else
        internalCollapsed_ = !internalCollapsed_;
    refresh();
}

void ImageMetadataMatrixView::showCollapsed(bool collapsed) {
    shownCollapsed_ = collapsed;
    animation_->stop();
    if (!Animations::enabled() || !isVisible()) {
        grid_->setMaximumHeight(QWIDGETSIZE_MAX);
        grid_->setVisible(!collapsed);
        return;
    }
    // The grid folds away or unfolds over its own height; the card follows.
    const int full = grid_->sizeHint().height();
    const int from = grid_->isVisible() ? grid_->height() : 0;
    grid_->setMaximumHeight(from);
    grid_->setVisible(true);
    animation_->setStartValue(from);
    animation_->setEndValue(collapsed ? 0 : full);
    animation_->start();
}

void ImageMetadataMatrixView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath card = roundedRect(QRectF(rect()).adjusted(0.4, 0.4, -0.4, -0.4), 7);
    painter.fillPath(card, whiteAt(0.035));
    painter.strokePath(card, solidPen(whiteAt(0.08), 0.8));
}

}  // namespace vantrel
