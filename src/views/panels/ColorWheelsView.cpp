#include "views/panels/ColorWheelsView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "views/kit/ElidedLabel.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Painting.h"
#include "views/kit/ProSlider.h"
#include "views/kit/StandardColors.h"
#include "views/panels/ColorWheelGeometry.h"
#include "views/panels/InteractiveColorWheel.h"
#include "views/kit/PanelHeader.h"
#include "views/kit/RoundedBox.h"
#include "views/kit/ChipGrid.h"

namespace vantrel {

namespace {

using Tab = ColorWheelsView::WheelTab;
using Wheel = ColorWheelsView::Wheel;

constexpr double kColumnDiameter = 76;
constexpr double kCardDiameter = 130;

struct TabInfo {
    Tab tab;
    const char* id;
    const char* labelKey;
};
const TabInfo kTabs[] = {{Tab::all, "all", "wheels.allTab"},
                         {Tab::shadows, "shadows", "wheels.shadows"},
                         {Tab::midtones, "midtones", "wheels.midtones"},
                         {Tab::highlights, "highlights", "wheels.highlights"}};

struct WheelInfo {
    const char* id;
    const char* titleKey;
    ColorWheelAdjustment ColorGradingParameters::*member;
};
const WheelInfo kWheels[] = {{"shadows", "wheels.lift", &ColorGradingParameters::shadows},
                             {"midtones", "wheels.gamma", &ColorGradingParameters::midtones},
                             {"highlights", "wheels.gain", &ColorGradingParameters::highlights}};

const WheelInfo& info(Wheel wheel) { return kWheels[std::size_t(wheel)]; }

ElidedLabel* label(double pixels, QFont::Weight weight, StandardColor colour) {
    ElidedLabel* title = elidedCaption(pixels, weight, standardColor(colour));
    title->setAlignment(Qt::AlignCenter);
    return title;
}

}  // namespace

ColorWheelsView::ColorWheelsView(Binding<ColorGradingParameters> grading, QWidget* parent)
    : QWidget(parent), grading_(std::move(grading)) {
    setObjectName(QStringLiteral("ColorWheelsView"));
    auto* column = flatColumn(10, this);

    header_ = new PanelHeader(QStringLiteral("wheels"), localized("inspector.colorWheels"), {});
    connect(header_, &PanelHeader::resetRequested, this, [this] {
        grading_.set(ColorGradingParameters::defaultValue());
        edited();
    });
    column->addWidget(header_);

    std::vector<ChipItem> segments;
    for (const TabInfo& t : kTabs) segments.push_back({QString::fromUtf8(t.id), localized(t.labelKey)});
    // Segments of one track; a language whose names do not fit one row takes two.
    tabs_ = new ChipGrid(QStringLiteral("wheels.tabs"), segments, ChipStyle::segment(), 4, 2);
    tabs_->setTrack(2, 6);
    tabs_->setSelected(QStringLiteral("all"));
    connect(tabs_, &ChipGrid::chosen, this, [this](const QString& id) {
        for (const TabInfo& t : kTabs)
            if (id == QLatin1String(t.id)) selectTab(t.tab);
    });
    column->addWidget(tabs_);

    const QColor accent = standardColor(StandardColor::Accent);
    columnsBox_ = new QWidget;
    columnsBox_->setObjectName(QStringLiteral("wheels.columns"));
    auto* row = new QHBoxLayout(columnsBox_);
    row->setContentsMargins(0, 4, 0, 4);
    row->setSpacing(8);
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const Wheel wheel = Wheel(i);
        const QString id = QString::fromUtf8(kWheels[i].id);
        Column& c = columns_[i];
        auto* stack = flatColumn(4);
        c.title = label(9, QFont::Medium, StandardColor::SecondaryText);
        c.title->setObjectName(QStringLiteral("wheels.") + id + QStringLiteral(".title"));
        stack->addWidget(c.title);
        c.wheel = new InteractiveColorWheel(QStringLiteral("wheels.") + id, kColumnDiameter, wheelBinding(wheel));
        connect(c.wheel, &InteractiveColorWheel::changed, this, &ColorWheelsView::edited);
        stack->addWidget(c.wheel, 0, Qt::AlignHCenter);
        // No title in the small columns, but the value over the track.
        c.luminance = new ProSlider({}, luminanceBinding([wheel] { return wheel; }), {-1, 1}, 0, 0.05,
                                    QStringLiteral("%.2f"), {}, accent);
        c.luminance->showValue();
        c.luminance->setObjectName(QStringLiteral("wheels.") + id + QStringLiteral(".luminance"));
        c.luminance->setFixedWidth(int(kColumnDiameter));
        stack->addWidget(c.luminance, 0, Qt::AlignHCenter);
        row->addLayout(stack, 1);
    }
    column->addWidget(columnsBox_);

    auto* card = new RoundedBox({whiteAt(0.03), Qt::transparent, 1, 6, 8, 8});
    card->setObjectName(QStringLiteral("wheels.card"));
    card_ = card;
    cardTitle_ = label(10, QFont::DemiBold, StandardColor::PrimaryText);
    cardTitle_->setObjectName(QStringLiteral("wheels.card.title"));
    card->content()->addWidget(cardTitle_);
    cardWheel_ = new InteractiveColorWheel(QStringLiteral("wheels.card.wheel"), kCardDiameter, cardBinding());
    cardWheel_->setContentsMargins(0, 0, 0, 0);
    connect(cardWheel_, &InteractiveColorWheel::changed, this, &ColorWheelsView::edited);
    auto* wheelRow = new QHBoxLayout;
    wheelRow->setContentsMargins(0, 4, 0, 4);
    wheelRow->addWidget(cardWheel_, 0, Qt::AlignHCenter);
    card->content()->addLayout(wheelRow);
    cardLuminance_ = new ProSlider(localized("wheels.luminance"), luminanceBinding([this] { return cardWheelKind(); }),
                                   {-1, 1}, 0, 0.02, QStringLiteral("%.0f"), QStringLiteral("%"), accent);
    cardLuminance_->setObjectName(QStringLiteral("wheels.card.luminance"));
    // The stored value runs from -1 to 1; it reads in percent.
    cardLuminance_->setValueFormatter(colorwheel::luminancePercent);
    card->content()->addWidget(cardLuminance_);
    card->setVisible(false);
    column->addWidget(card);

    Binding<double> balance([this] { return grading_.get().balance; },
                            [this](const double& v) {
                                ColorGradingParameters g = grading_.get();
                                if (g.balance == v) return;
                                g.balance = v;
                                grading_.set(g);
                                edited();
                            });
    balance_ = new ProSlider(localized("wheels.balance"), std::move(balance), {-1, 1}, 0, 0.05,
                             QStringLiteral("%.2f"), {}, accent);
    balance_->setObjectName(QStringLiteral("wheels.balance"));
    column->addWidget(balance_);

    // Not fixed: its chip grids grow taller where a language's names need more rows.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    refresh();
}

Binding<ColorWheelAdjustment> ColorWheelsView::wheelBinding(Wheel wheel) const {
    return grading_.projected(info(wheel).member);
}

Binding<ColorWheelAdjustment> ColorWheelsView::cardBinding() const {
    // The card's wheel is the chosen tab's, looked up at every read and write.
    return Binding<ColorWheelAdjustment>(
        [this] { return grading_.get().*info(cardWheelKind()).member; },
        [this](const ColorWheelAdjustment& v) {
            ColorGradingParameters g = grading_.get();
            g.*info(cardWheelKind()).member = v;
            grading_.set(g);
        });
}

Binding<double> ColorWheelsView::luminanceBinding(std::function<Wheel()> wheel) {
    return Binding<double>([this, wheel] { return (grading_.get().*info(wheel()).member).luminance; },
                           [this, wheel](const double& v) {
                               ColorGradingParameters g = grading_.get();
                               ColorWheelAdjustment& w = g.*info(wheel()).member;
                               if (w.luminance == v) return;
                               w.luminance = v;
                               grading_.set(g);
                               edited();
                           });
}

ColorWheelsView::Wheel ColorWheelsView::cardWheelKind() const {
    switch (tab_) {
        case WheelTab::midtones: return Wheel::midtones;
        case WheelTab::highlights: return Wheel::highlights;
        default: return Wheel::shadows;
    }
}

void ColorWheelsView::selectTab(WheelTab tab) {
    if (tab == tab_) return;
    tab_ = tab;
    tabs_->setSelected(QString::fromUtf8(kTabs[std::size_t(tab)].id));
    const bool all = tab == WheelTab::all;
    if (!all) cardTitle_->setText(localized(info(cardWheelKind()).titleKey));
    // Hide before showing, so the column never holds both at once.
    (all ? card_ : columnsBox_)->setVisible(false);
    (all ? columnsBox_ : card_)->setVisible(true);
    refresh();
}

void ColorWheelsView::edited() {
    Q_EMIT changed();
    refresh();
}

void ColorWheelsView::retitle() {
    header_->setTitle(localized("inspector.colorWheels"));
    for (const TabInfo& t : kTabs) tabs_->setText(QString::fromUtf8(t.id), localized(t.labelKey));
    tabs_->setAccessibleName(localized("wheels.viewPicker"));
    tabs_->setToolTip(localized("wheels.viewPicker"));
    const QString discTip = localized("wheels.discTooltip");
    const QString luminanceTip = localized("wheels.lumTooltip");
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const QString title = localized(kWheels[i].titleKey);
        columns_[i].title->setText(title);
        columns_[i].wheel->setToolTip(discTip);
        columns_[i].wheel->setAccessibleName(title);
        columns_[i].luminance->setToolTip(luminanceTip);
        columns_[i].luminance->setAccessibleName(title + QStringLiteral(" ") + localized("wheels.luminance"));
    }
    cardTitle_->setText(localized(info(cardWheelKind()).titleKey));
    cardWheel_->setToolTip(discTip);
    cardWheel_->setAccessibleName(cardTitle_->text());
    cardLuminance_->setTitle(localized("wheels.luminance"));
    balance_->setTitle(localized("wheels.balance"));
}

void ColorWheelsView::refresh() {
    if (language_.changed()) retitle();
    const ColorGradingParameters g = grading_.get();
    header_->refresh(!g.isIdentity());
    if (tab_ == WheelTab::all) {
        for (Column& c : columns_) {
            c.wheel->refresh();
            c.luminance->refresh();
        }
    } else {
        cardWheel_->refresh();
        cardLuminance_->refresh();
    }
    balance_->refresh();
}

}  // namespace vantrel
