#include "views/panels/ToneCurveEditorView.h"

#include <algorithm>
#include <span>

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "model/EditParameters.h"
#include "services/TextFormatter.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Chip.h"
#include "views/kit/MenuButton.h"
#include "views/panels/ToneCurveCanvas.h"

namespace vantrel {

using namespace tonecurve;

// The header's "In: 64 | Out: 46" pill: three texts in their own colours on
// white 0.1. The two labels are fixed texts, the same in every language.
class CurveReadout final : public QWidget {
public:
    CurveReadout() {
        setObjectName(QStringLiteral("curve.readout"));
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    void setValues(int in, int out) {
        const QString a = level("In: %d", in);
        const QString b = level("Out: %d", out);
        if (a == in_ && b == out_) return;
        const bool wider = a.size() != in_.size() || b.size() != out_.size();
        in_ = a;
        out_ = b;
        if (wider) updateGeometry();
        update();
    }
    QString text() const { return in_ + QStringLiteral(" | ") + out_; }

    QSize sizeHint() const override {
        const QFontMetricsF m(font());
        // Room for three digits each, so the pill keeps its width while values change.
        const double w = m.horizontalAdvance(QStringLiteral("In: 000")) + m.horizontalAdvance(QStringLiteral("|")) +
                         m.horizontalAdvance(QStringLiteral("Out: 000")) + 2 * kSpacing + 2 * kPaddingX;
        return {int(std::ceil(w)), int(std::ceil(m.height() + 2 * kPaddingY))};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(roundedRect(QRectF(rect()), 4), whiteAt(0.1));
        painter.setFont(font());
        const QFontMetricsF m(font());
        double x = kPaddingX;
        const QRectF line(0, 0, width(), height());
        auto draw = [&](const QString& text, const QColor& colour) {
            painter.setPen(colour);
            painter.drawText(line.adjusted(x, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
            x += m.horizontalAdvance(text) + kSpacing;
        };
        draw(in_, whiteAt(0.7));
        draw(QStringLiteral("|"), whiteAt(0.3));
        draw(out_, standardColor(StandardColor::Yellow));
    }

private:
    static QString level(const char* format, int value) {
        const FormatArg argument = makeFormatArg(value);
        return QString::fromStdString(formatText(format, std::span(&argument, 1)));
    }

    static constexpr double kPaddingX = 6;
    static constexpr double kPaddingY = 2;
    static constexpr double kSpacing = 4;
    QString in_;
    QString out_;
};

namespace {

QLabel* footerLabel(const QString& name) {
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setFont(pixelFont(9));
    setPaletteColour(*label, QPalette::WindowText, whiteAt(0.4));
    return label;
}

struct PresetItem {
    const char* id;
    const char* key;
    CurvePreset preset;
};
constexpr PresetItem kPresets[] = {
    {"linear", "curve.linear", CurvePreset::linear},
    {"mediumContrast", "curve.mediumContrast", CurvePreset::mediumContrast},
    {"strongContrast", "curve.strongContrast", CurvePreset::strongContrast},
    {"matteFilm", "curve.matteFilm", CurvePreset::matteFilm},
};

}  // namespace

ToneCurveEditorView::ToneCurveEditorView(Binding<std::vector<CurvePoint>> points, Source<HistogramData> histogram,
                                         QWidget* parent)
    : QWidget(parent), binding_(std::move(points)), histogram_(std::move(histogram)) {
    setObjectName(QStringLiteral("ToneCurveEditorView"));
    auto* column = flatColumn(8, this);

    // The header in two rows: the title with the reset, then the read-out,
    // the delete button and the presets menu. One row cannot hold them all in
    // the inspector's width in most languages (German needs some 420 points),
    // and a title shortened only while the read-out shows would flicker as the
    // pointer enters and leaves the canvas.
    auto* titleRow = flatRow(6);
    title_ = elidedCaption(12, QFont::DemiBold, standardColor(StandardColor::PrimaryText));
    title_->setObjectName(QStringLiteral("curve.title"));
    titleRow->addWidget(title_, 1);
    reset_ = new Chip({}, ChipStyle::textButton(10, QFont::Medium, standardColor(StandardColor::Accent)));
    reset_->setObjectName(QStringLiteral("curve.reset"));
    reset_->setVisible(false);
    connect(reset_, &QAbstractButton::clicked, this, &ToneCurveEditorView::resetCurve);
    titleRow->addWidget(reset_);
    column->addLayout(titleRow);

    auto* tools = new QHBoxLayout;
    tools->setSpacing(6);
    tools->addStretch(1);
    readout_ = new CurveReadout;
    readout_->setFont(pixelFont(10, QFont::Medium, FontDesign::Monospaced));
    readout_->setVisible(false);
    tools->addWidget(readout_);

    delete_ = new Chip({}, ChipStyle::textButton(10, QFont::Normal, standardColor(StandardColor::Red, 0.9)));
    delete_->setObjectName(QStringLiteral("curve.delete"));
    delete_->setSymbol("trash");
    delete_->setVisible(false);
    connect(delete_, &QAbstractButton::clicked, this, [this] {
        if (selected_) deletePoint(*selected_);
    });
    tools->addWidget(delete_);

    std::vector<MenuItem> items;
    for (const PresetItem& p : kPresets) items.push_back({QString::fromUtf8(p.id), localized(p.key)});
    items.push_back({QStringLiteral("reset"), localized("curve.reset"), {}, true});
    presets_ = new MenuButton(QStringLiteral("curve.presets"), localized("curve.presetsMenu"), items, MenuButton::Style());
    connect(presets_, &MenuButton::triggered, this, [this](const QString& id) {
        for (const PresetItem& p : kPresets)
            if (id == QLatin1String(p.id)) return applyPreset(p.preset);
        resetCurve();
    });
    tools->addWidget(presets_);
    // The row keeps its height while the read-out comes and goes.
    auto* toolsRow = new QWidget;
    toolsRow->setObjectName(QStringLiteral("curve.tools"));
    toolsRow->setLayout(tools);
    tools->setContentsMargins(0, 0, 0, 0);
    toolsRow->setFixedHeight(std::max(readout_->sizeHint().height(), presets_->sizeHint().height()));
    column->addWidget(toolsRow);

    canvas_ = new ToneCurveCanvas(*this);
    column->addWidget(canvas_);

    auto* footer = flatRow(8);
    count_ = footerLabel(QStringLiteral("curve.totalPoints"));
    tip_ = footerLabel(QStringLiteral("curve.tip"));
    // A long tip wraps under itself rather than being cut.
    tip_->setWordWrap(true);
    tip_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    footer->addWidget(count_, 0, Qt::AlignTop);
    footer->addWidget(tip_, 1);
    column->addLayout(footer);

    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    refresh();
}

// ---------------------------------------------------------------- state

void ToneCurveEditorView::adopt(std::vector<CurvePoint> points) {
    if (points == points_) return;
    points_ = std::move(points);
    sorted_ = sortedByX(points_);
    canvas_->pointsChanged();
}

const std::vector<CurvePoint>& ToneCurveEditorView::current() {
    adopt(binding_.get());
    return points_;
}

void ToneCurveEditorView::commit(std::vector<CurvePoint> points) {
    adopt(std::move(points));
    binding_.set(points_);
    updateChrome();
    Q_EMIT changed();
}

void ToneCurveEditorView::refresh() {
    if (language_.changed()) retitle();
    adopt(binding_.get());
    if (histogram_) {
        HistogramData data = histogram_();
        if (data.lumaBins != lumaBins_) {
            lumaBins_ = std::move(data.lumaBins);
            canvas_->histogramChanged();
        }
    }
    updateChrome();
}

void ToneCurveEditorView::retitle() {
    title_->setText(localized("inspector.curve"));
    delete_->setToolTip(localized("common.delete"));
    presets_->setLabel(localized("curve.presetsMenu"));
    for (const PresetItem& p : kPresets) presets_->setItemText(QString::fromUtf8(p.id), localized(p.key));
    presets_->setItemText(QStringLiteral("reset"), localized("curve.reset"));
    reset_->setText(localized("common.reset"));
    reset_->setToolTip(localized("curve.reset"));
    tip_->setText(localized("curve.tip"));
    shownCount_ = -1;
}

void ToneCurveEditorView::updateChrome() {
    if (const auto values = readoutValues()) {
        readout_->setValues(values->first, values->second);
        if (readout_->isHidden()) readout_->setVisible(true);
    } else if (!readout_->isHidden()) {
        readout_->setVisible(false);
    }
    const bool deletable = selected_ && canDeletePoint(*selected_);
    if (delete_->isHidden() == deletable) delete_->setVisible(deletable);
    // Identifiers count: a stored curve on the default places is still not the default.
    const bool changedCurve = points_ != EditParameters::defaultCurvePoints();
    if (reset_->isHidden() == changedCurve) reset_->setVisible(changedCurve);
    if (int(points_.size()) != shownCount_) {
        shownCount_ = int(points_.size());
        count_->setText(localized("curve.totalPoints", shownCount_));
    }
}

QString ToneCurveEditorView::readoutText() const { return readout_->isHidden() ? QString() : readout_->text(); }

bool ToneCurveEditorView::canDeletePoint(const Uuid& id) const { return tonecurve::canDeletePoint(points_, id); }

std::optional<std::pair<int, int>> ToneCurveEditorView::readoutValues() const {
    return tonecurve::readoutValues(points_, selected_, hoverNormX_);
}

// ---------------------------------------------------------------- edits

void ToneCurveEditorView::applyPreset(CurvePreset preset) {
    selected_.reset();
    commit(presetPoints(preset));
}

void ToneCurveEditorView::resetCurve() {
    selected_.reset();
    commit(EditParameters::defaultCurvePoints());
}

void ToneCurveEditorView::deletePoint(const Uuid& id) {
    auto remaining = withoutPoint(current(), id);
    if (!remaining) return;
    if (selected_ == id) selected_.reset();
    commit(std::move(*remaining));
}

void ToneCurveEditorView::insertPoint(double canvasX) {
    Insertion insertion = tonecurve::insertPoint(current(), canvasX, QSizeF(canvas_->width(), canvas_->height()));
    if (insertion.kind == Insertion::Kind::none) return;
    selected_ = insertion.id;
    if (insertion.kind == Insertion::Kind::existing) {
        updateChrome();
        canvas_->update();
        return;
    }
    commit(std::move(insertion.points));
}

void ToneCurveEditorView::resetPointToDiagonal(const Uuid& id) {
    auto moved = pointOnDiagonal(current(), id);
    if (!moved) return;
    commit(std::move(*moved));
}

void ToneCurveEditorView::selectPoint(const Uuid& id) {
    selected_ = id;
    updateChrome();
    canvas_->update();
}

void ToneCurveEditorView::dragPoint(const Uuid& id, QPointF location) {
    if (!dragging_) {
        dragStartPoints_ = current();
        Q_EMIT editingChanged(true);
    }
    selected_ = id;
    dragging_ = id;
    auto moved = draggedPoint(current(), id, location, QSizeF(canvas_->width(), canvas_->height()));
    // A step held against a bound moves nothing and reports nothing.
    if (!moved || *moved == points_) {
        updateChrome();
        canvas_->update();
        return;
    }
    commit(std::move(*moved));
}

void ToneCurveEditorView::endDrag() {
    if (!dragging_) return;
    dragging_.reset();
    updateChrome();
    canvas_->update();
    Q_EMIT editingChanged(false);
}

void ToneCurveEditorView::cancelDrag() {
    if (!dragging_) return;
    if (current() != dragStartPoints_) commit(dragStartPoints_);
    endDrag();
}

void ToneCurveEditorView::setHover(QPointF position) {
    const double w = canvas_->width();
    const double t = w >= 1 ? position.x() / w : position.x();
    hoverPoint_ = position;
    hoverNormX_ = std::clamp(t, 0.0, 1.0);
    isHovering_ = true;
    updateChrome();
    canvas_->update();
}

void ToneCurveEditorView::clearHover() {
    if (!isHovering_ && !hoverPoint_) return;
    hoverPoint_.reset();
    hoverNormX_.reset();
    isHovering_ = false;
    updateChrome();
    canvas_->update();
}

}  // namespace vantrel
