#include "views/panels/FilmWatermarkSection.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "views/kit/ElidedLabel.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/kit/ChipGrid.h"
#include "views/panels/FilmFrameEditing.h"
#include "views/kit/PanelTextField.h"
#include "views/kit/RoundedBox.h"
#include "views/kit/ToggleSwitch.h"

namespace vantrel {

namespace {

template <typename E>
struct Choice {
    E value;
    const char* key;
};

const Choice<FilmWatermarkStyle> kStyles[] = {{FilmWatermarkStyle::typewriter, "watermark.styleTypewriter"},
                                              {FilmWatermarkStyle::minimalist, "watermark.styleModern"},
                                              {FilmWatermarkStyle::retroStamp, "watermark.styleStamp"},
                                              {FilmWatermarkStyle::goldenBadge, "watermark.styleGolden"}};
const Choice<FilmWatermarkPosition> kPositions[] = {
    {FilmWatermarkPosition::bottomRebate, "watermark.posBottomRebate"},
    {FilmWatermarkPosition::bottomRight, "watermark.posBottomRight"},
    {FilmWatermarkPosition::bottomLeft, "watermark.posBottomLeft"},
    {FilmWatermarkPosition::topRebate, "watermark.posTopRebate"}};

template <typename E>
QString idOf(E value) {
    const std::string_view raw = rawValue(value);
    return QString::fromUtf8(raw.data(), qsizetype(raw.size()));
}

QString fromStd(const std::string& text) { return QString::fromStdString(text); }

ElidedLabel* caption(double pixels, QFont::Weight weight) {
    return elidedCaption(pixels, weight, standardColor(StandardColor::SecondaryText));
}

// One row of four where the names fit, two or four rows where they are longer.
template <typename E, std::size_t N>
ChipGrid* chipGrid(const QString& name, const Choice<E> (&choices)[N]) {
    std::vector<ChipItem> items;
    for (const Choice<E>& c : choices) items.push_back({idOf(c.value), localized(c.key)});
    return new ChipGrid(name, items, ChipStyle::option(9, 4, 3), 4, 4);
}

template <typename E>
std::optional<E> caseOf(const QString& id) {
    for (E value : allCases<E>())
        if (idOf(value) == id) return value;
    return std::nullopt;
}

}  // namespace

FilmWatermarkSection::FilmWatermarkSection(Binding<FilmFrameParameters> frame, Source<ImageMetadataInfo> metadata,
                                           QWidget* parent)
    : QWidget(parent), frame_(std::move(frame)), metadata_(std::move(metadata)) {
    setObjectName(QStringLiteral("watermark.section"));
    auto* column = flatColumn(8, this);

    auto* header = flatRow(5);
    symbol_ = new SymbolView("character.cursor.ibeam", 11, standardColor(StandardColor::SecondaryText));
    symbol_->setObjectName(QStringLiteral("watermark.symbol"));
    header->addWidget(symbol_);
    title_ = caption(10, QFont::DemiBold);
    title_->setObjectName(QStringLiteral("watermark.title"));
    header->addWidget(title_, 1);
    header->addSpacing(3);
    switch_ = new ToggleSwitch;
    switch_->setObjectName(QStringLiteral("watermark.switch"));
    connect(switch_, &ToggleSwitch::switched, this, [this](bool on) {
        FilmFrameParameters f = frame_.get();
        f.showExifWatermark = on;
        // Filled once, when it is switched on with nothing in it (blanks count as filled).
        if (on && f.watermarkCamera.empty()) filmframe::fillWatermarkFields(f, metadata_());
        write(f);
    });
    header->addWidget(switch_);
    column->addLayout(header);

    box_ = new RoundedBox({whiteAt(0.03), Qt::transparent, 1, 6, 8, 10});
    box_->setObjectName(QStringLiteral("watermark.box"));
    QVBoxLayout* content = box_->content();

    auto* styleGroup = flatColumn(4);
    styleCaption_ = caption(9, QFont::DemiBold);
    styleGroup->addWidget(styleCaption_);
    styles_ = chipGrid(QStringLiteral("watermark.style"), kStyles);
    connect(styles_, &ChipGrid::chosen, this, [this](const QString& id) {
        if (const auto style = caseOf<FilmWatermarkStyle>(id)) {
            FilmFrameParameters f = frame_.get();
            f.watermarkStyle = *style;
            write(f);
        }
    });
    styleGroup->addWidget(styles_);
    content->addLayout(styleGroup);

    auto* positionGroup = flatColumn(4);
    positionCaption_ = caption(9, QFont::DemiBold);
    positionGroup->addWidget(positionCaption_);
    positions_ = chipGrid(QStringLiteral("watermark.position"), kPositions);
    connect(positions_, &ChipGrid::chosen, this, [this](const QString& id) {
        if (const auto position = caseOf<FilmWatermarkPosition>(id)) {
            FilmFrameParameters f = frame_.get();
            f.watermarkPosition = *position;
            write(f);
        }
    });
    positionGroup->addWidget(positions_);
    content->addLayout(positionGroup);

    auto* previewBox = new RoundedBox({whiteAt(0.04), Qt::transparent, 1, 4, 5, 0});
    previewBox->setObjectName(QStringLiteral("watermark.previewRow"));
    auto* previewRow = flatRow(6);
    auto* eye = new SymbolView("eye", 10, standardColor(StandardColor::SecondaryText));
    previewRow->addWidget(eye);
    preview_ = new ElidedLabel;
    preview_->setObjectName(QStringLiteral("watermark.preview"));
    preview_->setFont(pixelFont(9, QFont::Normal, FontDesign::Monospaced));
    preview_->setColor(standardColor(StandardColor::PrimaryText));
    previewRow->addWidget(preview_, 1);
    const QColor orange = standardColor(StandardColor::Orange);
    ChipStyle fillStyle = ChipStyle::preset(8, QFont::Normal, 4, 2, 3, orange);
    fillStyle.fill = fillStyle.selectedFill = standardColor(StandardColor::Orange, 0.12);
    fill_ = new Chip({}, fillStyle);
    fill_->setObjectName(QStringLiteral("watermark.fill"));
    fill_->setSymbol("arrow.clockwise", orange);
    connect(fill_, &QAbstractButton::clicked, this, [this] {
        FilmFrameParameters f = frame_.get();
        filmframe::fillWatermarkFields(f, metadata_());
        write(f);
    });
    previewRow->addWidget(fill_);
    previewBox->content()->addLayout(previewRow);
    content->addWidget(previewBox);

    auto* customGroup = flatColumn(3);
    customCaption_ = caption(9, QFont::Medium);
    customGroup->addWidget(customCaption_);
    custom_ = textField("watermark.custom", &FilmFrameParameters::customWatermarkText, 10, false, 5, 0.06, 4);
    customGroup->addWidget(custom_);
    content->addLayout(customGroup);

    auto* fields = flatColumn(4);
    auto pair = [&](PanelTextField* left, PanelTextField* right) {
        auto* row = flatRow(6);
        row->addWidget(left, 1);
        row->addWidget(right, 1);
        fields->addLayout(row);
    };
    camera_ = textField("watermark.camera", &FilmFrameParameters::watermarkCamera, 9, true, 4, 0.05, 3);
    lens_ = textField("watermark.lens", &FilmFrameParameters::watermarkLens, 9, true, 4, 0.05, 3);
    params_ = textField("watermark.params", &FilmFrameParameters::watermarkParams, 9, true, 4, 0.05, 3);
    date_ = textField("watermark.date", &FilmFrameParameters::watermarkDate, 9, true, 4, 0.05, 3);
    pair(camera_, lens_);
    pair(params_, date_);
    content->addLayout(fields);
    column->addWidget(box_);

    // Not fixed: its chip grids grow taller where a language's names need more rows.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    retitle();
    refresh();
}

PanelTextField* FilmWatermarkSection::textField(const char* name, std::string FilmFrameParameters::*field,
                                                double fontPixels, bool monospaced, int padding, double fill,
                                                double radius) {
    auto* text = new PanelTextField(QString::fromUtf8(name),
                                    {fontPixels, monospaced ? FontDesign::Monospaced : FontDesign::Default, padding,
                                     fill, radius});
    connect(text, &PanelTextField::edited, this, [this, field](const QString& typed) {
        FilmFrameParameters f = frame_.get();
        const std::string value = typed.toStdString();
        if (f.*field == value) return;
        f.*field = value;
        write(f);
    });
    return text;
}

QWidget* FilmWatermarkSection::box() const { return box_; }

Chip* FilmWatermarkSection::styleChip(FilmWatermarkStyle style) const { return styles_->chip(idOf(style)); }

Chip* FilmWatermarkSection::positionChip(FilmWatermarkPosition position) const {
    return positions_->chip(idOf(position));
}

void FilmWatermarkSection::write(const FilmFrameParameters& frame) {
    frame_.set(frame);
    Q_EMIT changed();
}

void FilmWatermarkSection::retitle() {
    title_->setText(localized("watermark.title"));
    switch_->setAccessibleName(localized("watermark.enable"));
    switch_->setToolTip(localized("watermark.enable"));
    styleCaption_->setText(localized("watermark.style"));
    positionCaption_->setText(localized("watermark.position"));
    for (const auto& c : kStyles) styles_->setText(idOf(c.value), localized(c.key));
    for (const auto& c : kPositions) positions_->setText(idOf(c.value), localized(c.key));
    fill_->setText(localized("watermark.extractExif"));
    fill_->setToolTip(localized("watermark.extractExifHelp"));
    customCaption_->setText(localized("watermark.customText"));
    custom_->setPlaceholder(localized("watermark.customPlaceholder"));
    camera_->setPlaceholder(localized("watermark.camera"));
    lens_->setPlaceholder(localized("watermark.lens"));
    params_->setPlaceholder(localized("watermark.params"));
    date_->setPlaceholder(localized("watermark.date"));
    for (PanelTextField* f : {camera_, lens_, params_, date_}) f->lineEdit()->setToolTip(f->lineEdit()->placeholderText());
}

void FilmWatermarkSection::refresh() {
    const FilmFrameParameters f = frame_.get();
    const bool on = f.showExifWatermark;
    symbol_->setColor(on ? standardColor(StandardColor::Orange) : standardColor(StandardColor::SecondaryText));
    if (switch_->isOn() != on) switch_->setOn(on);
    // Hidden, the box keeps every field; switched on again it shows them as they were.
    if (box_->isHidden() == on) box_->setVisible(on);
    if (!on) return;
    styles_->setSelected(idOf(f.watermarkStyle));
    positions_->setSelected(idOf(f.watermarkPosition));
    const ImageMetadataInfo metadata = metadata_();
    preview_->setText(fromStd(f.watermarkText(&metadata)));
    custom_->setText(fromStd(f.customWatermarkText));
    camera_->setText(fromStd(f.watermarkCamera));
    lens_->setText(fromStd(f.watermarkLens));
    params_->setText(fromStd(f.watermarkParams));
    date_->setText(fromStd(f.watermarkDate));
}

}  // namespace vantrel
