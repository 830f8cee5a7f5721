#include "app/BatchExportOverlay.h"

#include <algorithm>
#include <cmath>

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Layouts.h"
#include "services/L10n.h"

namespace vantrel {

namespace {

constexpr int kPanelWidth = 440;

// An indeterminate spinner: an arc turning while visible.
class Spinner final : public QWidget {
public:
    Spinner() {
        setFixedSize(22, 22);
        timer_.setInterval(50);
        connect(&timer_, &QTimer::timeout, this, [this] {
            angle_ = (angle_ + 30) % 360;
            update();
        });
    }

protected:
    void showEvent(QShowEvent*) override { timer_.start(); }
    void hideEvent(QHideEvent*) override { timer_.stop(); }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.15f), 2.5));
        const QRectF ring = QRectF(rect()).adjusted(2, 2, -2, -2);
        painter.drawEllipse(ring);
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.8f), 2.5, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(ring, -angle_ * 16, 100 * 16);
    }

private:
    QTimer timer_;
    int angle_ = 0;
};

QFont sized(const QFont& base, double points, bool bold) {
    QFont font = base;
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

}  // namespace

BatchExportOverlay::BatchExportOverlay(Source<Progress> progress, Callback onCancel, QWidget* parent)
    : QWidget(parent), source_(std::move(progress)), onCancel_(std::move(onCancel)), panel_(new QWidget(this)),
      spinner_(new Spinner), title_(new QLabel), item_(new QLabel), bar_(new QProgressBar), counts_(new QLabel),
      percent_(new QLabel), cancel_(new QPushButton) {
    setObjectName(QStringLiteral("BatchExportOverlay"));
    panel_->setFixedWidth(kPanelWidth);

    title_->setFont(sized(font(), 14, true));
    title_->setWordWrap(true);  // a long translation takes a second line
    item_->setFont(sized(font(), 11, false));
    item_->setStyleSheet(DarkroomTheme::colorStyle(standardColor(StandardColor::SecondaryText)));
    counts_->setFont(sized(font(), 11, false));
    counts_->setStyleSheet(DarkroomTheme::colorStyle(standardColor(StandardColor::SecondaryText)));
    percent_->setFont(sized(font(), 11, true));
    percent_->setStyleSheet(DarkroomTheme::colorStyle(DarkroomTheme::accent()));
    bar_->setRange(0, 1000);
    bar_->setTextVisible(false);
    bar_->setFixedHeight(6);
    cancel_->setObjectName(QStringLiteral("cancelExport"));
    connect(cancel_, &QPushButton::clicked, this, [this] { onCancel_(); });

    auto* texts = flatColumn(3);
    texts->addWidget(title_);
    texts->addWidget(item_);
    auto* header = flatRow(10);
    header->addWidget(spinner_);
    header->addLayout(texts, 1);

    auto* countsRow = new QHBoxLayout;
    countsRow->addStretch(1);
    countsRow->addWidget(counts_);
    countsRow->addWidget(percent_);
    countsRow->addStretch(1);
    auto* progressBlock = flatColumn(6);
    progressBlock->addWidget(bar_);
    progressBlock->addLayout(countsRow);

    auto* column = new QVBoxLayout(panel_);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);
    column->addLayout(header);
    column->addLayout(progressBlock);
    column->addWidget(cancel_, 0, Qt::AlignHCenter);
    refresh();
}

QString BatchExportOverlay::countsText(const Progress& progress) {
    return QString::fromStdString(L10n::tr("hud.batchProgress", progress.completedCount, progress.totalCount));
}

QString BatchExportOverlay::percentText(double progress) {
    return QString::number(static_cast<long long>(std::trunc(progress * 100))) + QLatin1Char('%');
}

void BatchExportOverlay::refresh() {
    const Progress progress = source_();
    title_->setText(QString::fromStdString(L10n::tr("hud.batchTitle")));
    fullItem_ = progress.currentItem;
    // One line: cut with an ellipsis to the panel's text width.
    const int textWidth = kPanelWidth - 40 - spinner_->width() - 10;
    const QString item = QString::fromStdString(fullItem_);
    const QString shown = item_->fontMetrics().elidedText(item, Qt::ElideRight, textWidth);
    item_->setText(shown);
    item_->setToolTip(shown == item ? QString() : item);
    bar_->setValue(int(std::lround(std::clamp(progress.progress, 0.0, 1.0) * 1000)));
    counts_->setText(countsText(progress));
    percent_->setText(percentText(progress.progress));
    cancel_->setText(QString::fromStdString(L10n::tr("hud.cancelExport")));
    panel_->adjustSize();
    resizeEvent(nullptr);
}

void BatchExportOverlay::resizeEvent(QResizeEvent*) {
    panel_->adjustSize();
    panel_->move((width() - panel_->width()) / 2, (height() - panel_->height()) / 2);
}

void BatchExportOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.45f));
    const QRectF card = QRectF(panel_->geometry()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(card, 12, 12);
    for (int i = 1; i <= 4; ++i) {  // a soft shadow below the panel
        QPainterPath shadow;
        shadow.addRoundedRect(card.translated(0, 10).adjusted(-i * 3, -i * 3, i * 3, i * 3), 12 + i * 3, 12 + i * 3);
        painter.fillPath(shadow, QColor::fromRgbF(0, 0, 0, 0.08f));
    }
    QColor fill = palette().color(QPalette::Window);
    fill.setAlphaF(0.96f);
    painter.fillPath(shape, fill);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.15f), 1));
    painter.drawPath(shape);
}

}  // namespace vantrel
