#include "views/panels/FilmFrameControlView.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "views/kit/ElidedLabel.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/ChipGrid.h"
#include "views/kit/ChipRow.h"
#include "views/kit/FieldSlider.h"
#include "views/panels/FilmFrameEditing.h"
#include "views/panels/FilmWatermarkSection.h"
#include "views/kit/PanelHeader.h"
#include "views/kit/PanelTextField.h"
#include "views/kit/RoundedBox.h"
#include "views/kit/ToggleSwitch.h"

namespace vantrel {

namespace {

using filmframe::Suggestion;

struct StyleChoice {
    FilmFrameStyle style;
    const char* key;
};
// Two rows of three, in this order.
const StyleChoice kStyles[] = {{FilmFrameStyle::none, "frame.none"},
                               {FilmFrameStyle::sprocketOverlay, "frame.styleOverlay"},
                               {FilmFrameStyle::sprocket135, "frame.style135"},
                               {FilmFrameStyle::mediumFormat120, "frame.style120"},
                               {FilmFrameStyle::polaroid, "frame.stylePolaroid"},
                               {FilmFrameStyle::galleryBorder, "frame.styleGallery"}};

struct ColorChoice {
    RebateColorMode mode;
    const char* key;
    QColor swatch;
};
const ColorChoice kColors[] = {{RebateColorMode::darkroomBlack, "frame.colorBlack", QColor(Qt::black)},
                               {RebateColorMode::filmBaseAmber, "frame.colorAmber", QColor::fromRgbF(0.85f, 0.45f, 0.15f)},
                               {RebateColorMode::fineArtWhite, "frame.colorWhite", QColor(Qt::white)}};

const SliderSetup kSize{"frame.borderWidth", {0.04, 0.18}, 0.08, 0.01, "%.2f", ""};

template <typename E>
QString idOf(E value) {
    const std::string_view raw = rawValue(value);
    return QString::fromUtf8(raw.data(), qsizetype(raw.size()));
}

ElidedLabel* caption() { return elidedCaption(10, QFont::DemiBold, standardColor(StandardColor::SecondaryText)); }

ChipRow* suggestionRow(const QString& name, std::span<const Suggestion> suggestions) {
    std::vector<ChipItem> items;
    for (const Suggestion& s : suggestions) items.push_back({QString::fromUtf8(s.id), QString::fromUtf8(s.shown)});
    return new ChipRow(name, items,
                       ChipStyle::preset(9, QFont::Normal, 5, 2, 3, standardColor(StandardColor::SecondaryText)), 4);
}

const char* sizeTitleKey(FilmFrameStyle style) {
    return style == FilmFrameStyle::sprocketOverlay ? "frame.sprocketDepth" : kSize.titleKey;
}

void showIf(QWidget* widget, bool visible) {
    if (widget->isHidden() == visible) widget->setVisible(visible);
}

}  // namespace

FilmFrameControlView::FilmFrameControlView(Binding<FilmFrameParameters> frame, Source<ImageMetadataInfo> metadata,
                                           QWidget* parent)
    : QWidget(parent), frame_(std::move(frame)) {
    setObjectName(QStringLiteral("FilmFrameControlView"));
    RoundedBox* card = panelCard(*this, QStringLiteral("frame.card"));
    QVBoxLayout* column = card->content();

    header_ = new PanelHeader(QStringLiteral("frame"), localized("inspector.filmFrame"),
                              {"film", standardColor(StandardColor::Orange), PanelHeader::ResetLabel::Standard, false});
    connect(header_, &PanelHeader::resetRequested, this,
            [this] { write(filmframe::resetFilmFrame(frame_.get())); });
    column->addWidget(header_);

    auto* styleGroup = flatColumn(6);
    styleCaption_ = caption();
    styleGroup->addWidget(styleCaption_);
    std::vector<ChipItem> styleItems;
    for (const StyleChoice& c : kStyles) styleItems.push_back({idOf(c.style), localized(c.key)});
    // Two rows of three where the names fit, more rows where they are longer.
    styles_ = new ChipGrid(QStringLiteral("frame.style"), styleItems, ChipStyle::option(10, 5, 4), 3, 5);
    connect(styles_, &ChipGrid::chosen, this, [this](const QString& id) {
        for (const StyleChoice& c : kStyles)
            if (idOf(c.style) == id) {
                FilmFrameParameters f = frame_.get();
                f.style = c.style;  // size, colour, texts and switches stay as they are
                write(f);
            }
    });
    styleGroup->addWidget(styles_);
    column->addLayout(styleGroup);

    options_ = new RoundedBox({whiteAt(0.03), Qt::transparent, 1, 6, 8, 12});
    options_->setObjectName(QStringLiteral("frame.options"));
    QVBoxLayout* options = options_->content();

    auto* colorGroup = flatColumn(6);
    colorCaption_ = caption();
    colorGroup->addWidget(colorCaption_);
    std::vector<ChipItem> colorItems;
    for (const ColorChoice& c : kColors) colorItems.push_back({idOf(c.mode), localized(c.key), c.swatch});
    colors_ = new ChipGrid(QStringLiteral("frame.color"), colorItems, ChipStyle::colorMode(), 3, 6);
    connect(colors_, &ChipGrid::chosen, this, [this](const QString& id) {
        for (const ColorChoice& c : kColors)
            if (idOf(c.mode) == id) {
                FilmFrameParameters f = frame_.get();
                f.colorMode = c.mode;
                write(f);
            }
    });
    colorGroup->addWidget(colors_);
    options->addLayout(colorGroup);

    size_ = fieldSlider(frame_, &FilmFrameParameters::borderThickness, kSize, standardColor(StandardColor::Orange),
                        [this] { edited(); });
    size_->setObjectName(QStringLiteral("frame.size"));
    options->addWidget(size_);

    // The stock text and the frame number: a switch, and while it is on a field and suggestions.
    auto textGroup = [&](const QString& name, ElidedLabel*& captionLabel, ToggleSwitch*& toggle,
                         PanelTextField*& field, ChipRow*& chips, bool FilmFrameParameters::*shown,
                         std::string FilmFrameParameters::*text, std::span<const Suggestion> suggestions) {
        auto* group = flatColumn(5);
        auto* row = new QHBoxLayout;
        captionLabel = caption();
        row->addWidget(captionLabel, 1);
        toggle = new ToggleSwitch;
        toggle->setObjectName(name + QStringLiteral("Switch"));
        connect(toggle, &ToggleSwitch::switched, this, [this, shown](bool on) {
            FilmFrameParameters f = frame_.get();
            f.*shown = on;
            write(f);
        });
        row->addWidget(toggle);
        group->addLayout(row);
        field = new PanelTextField(name + QStringLiteral("Field"), {11, FontDesign::Monospaced, 5, 0.06, 4});
        connect(field, &PanelTextField::edited, this, [this, text](const QString& typed) {
            FilmFrameParameters f = frame_.get();
            const std::string value = typed.toStdString();
            if (f.*text == value) return;
            f.*text = value;
            write(f);
        });
        group->addWidget(field);
        chips = suggestionRow(name + QStringLiteral("Chips"), suggestions);
        connect(chips, &ChipRow::chosen, this, [this, text, suggestions](const QString& id) {
            for (const Suggestion& s : suggestions)
                if (id == QLatin1String(s.id)) {
                    FilmFrameParameters f = frame_.get();
                    f.*text = s.written;
                    write(f);
                }
        });
        group->addWidget(chips);
        options->addLayout(group);
    };
    textGroup(QStringLiteral("frame.stock"), stockCaption_, stockSwitch_, stockField_, stockChips_,
              &FilmFrameParameters::showStockLabel, &FilmFrameParameters::filmStockLabel,
              filmframe::stockSuggestions());
    textGroup(QStringLiteral("frame.number"), numberCaption_, numberSwitch_, numberField_, numberChips_,
              &FilmFrameParameters::showFrameNumber, &FilmFrameParameters::frameNumber,
              filmframe::frameNumberSuggestions());

    barcode_ = new QCheckBox;
    barcode_->setObjectName(QStringLiteral("frame.barcode"));
    barcode_->setIcon(symbolIcon("barcode", standardColor(StandardColor::PrimaryText)));
    barcode_->setIconSize(QSize(12, 12));
    barcode_->setFont(pixelFont(11));
    barcode_->setCursor(Qt::PointingHandCursor);
    connect(barcode_, &QCheckBox::clicked, this, [this](bool checked) {
        FilmFrameParameters f = frame_.get();
        f.showBarcode = checked;
        write(f);
    });
    options->addWidget(barcode_);
    column->addWidget(options_);

    watermark_ = new FilmWatermarkSection(frame_, std::move(metadata));
    connect(watermark_, &FilmWatermarkSection::changed, this, &FilmFrameControlView::edited);
    column->addWidget(watermark_);

    // Not fixed: its chip grids grow taller where a language's names need more rows.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    refresh();
}

Chip* FilmFrameControlView::styleChip(FilmFrameStyle style) const { return styles_->chip(idOf(style)); }

QWidget* FilmFrameControlView::optionsBox() const { return options_; }

void FilmFrameControlView::write(const FilmFrameParameters& frame) {
    frame_.set(frame);
    edited();
}

void FilmFrameControlView::edited() {
    Q_EMIT changed();
    refresh();
}

void FilmFrameControlView::retitle() {
    header_->setTitle(localized("inspector.filmFrame"));
    styleCaption_->setText(localized("frame.type"));
    for (const StyleChoice& c : kStyles) styles_->setText(idOf(c.style), localized(c.key));
    colorCaption_->setText(localized("negativeLab.filmBase"));
    for (const ColorChoice& c : kColors) colors_->setText(idOf(c.mode), localized(c.key));
    stockCaption_->setText(localized("frame.stockLabel"));
    stockSwitch_->setAccessibleName(localized("frame.stockLabel"));
    stockField_->setPlaceholder(localized("frame.stockPlaceholder"));
    numberCaption_->setText(localized("frame.frameNumber"));
    numberSwitch_->setAccessibleName(localized("frame.frameNumber"));
    numberField_->setPlaceholder(localized("frame.frameNumberPlaceholder"));
    barcode_->setText(localized("frame.barcode"));
    watermark_->retitle();
}

void FilmFrameControlView::refresh() {
    const FilmFrameParameters f = frame_.get();
    if (language_.changed()) retitle();
    header_->refresh(!f.isNeutral());
    styles_->setSelected(idOf(f.style));
    const bool framed = f.style != FilmFrameStyle::none;
    showIf(options_, framed);
    if (framed) {
        colors_->setSelected(idOf(f.colorMode));
        const QString sizeTitle = localized(sizeTitleKey(f.style));
        if (size_->titleLabel()->fullText() != sizeTitle) size_->setTitle(sizeTitle);
        size_->refresh();
        if (stockSwitch_->isOn() != f.showStockLabel) stockSwitch_->setOn(f.showStockLabel);
        showIf(stockField_, f.showStockLabel);
        showIf(stockChips_, f.showStockLabel);
        stockField_->setText(QString::fromStdString(f.filmStockLabel));
        if (numberSwitch_->isOn() != f.showFrameNumber) numberSwitch_->setOn(f.showFrameNumber);
        showIf(numberField_, f.showFrameNumber);
        showIf(numberChips_, f.showFrameNumber);
        numberField_->setText(QString::fromStdString(f.frameNumber));
        showIf(barcode_, filmframe::showsBarcode(f.style));
        if (barcode_->isChecked() != f.showBarcode) {
            const QSignalBlocker quiet(barcode_);
            barcode_->setChecked(f.showBarcode);
        }
    }
    watermark_->refresh();
}

}  // namespace vantrel
