#include "views/panels/FilmPhysicsControlView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "services/L10n.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/FieldSlider.h"
#include "views/kit/MenuButton.h"
#include "views/kit/PanelHeader.h"
#include "views/kit/RoundedBox.h"

namespace vantrel {

namespace {

// The dust details are offered above this amount; the record counts as on from
// 0.005 itself (its neutrality test), so exactly 0.005 is on without details.
constexpr double kDetailAmount = 0.005;
constexpr int kPositionWidth = 80;

const SliderSetup kLeakAmount{"leaks.amount", {0, 1}, 0.5};
const SliderSetup kDustAmount{"dust.amount", {0, 1}, 0};
const SliderSetup kScratches{"dust.scratches", {0, 1}, 0.3};
const SliderSetup kDustSize{"dust.size", {0.5, 2.5}, 1.0, 0.05, "%.2f", "x"};

QString nameOf(std::string_view key) { return QString::fromStdString(L10n::tr(key)); }

// A case's item identifier: the last part of its display key ("warmCorner",
// "left"); the stored texts are older display labels, not fit for names.
template <typename E>
QString idOf(E value) {
    const std::string_view key = displayNameKey(value);
    const std::string_view last = key.substr(key.rfind('.') + 1);
    return QString::fromUtf8(last.data(), qsizetype(last.size()));
}

template <typename E>
std::optional<E> caseOf(const QString& id) {
    for (E value : allCases<E>())
        if (idOf(value) == id) return value;
    return std::nullopt;
}

template <typename E>
std::vector<MenuItem> itemsOf() {
    std::vector<MenuItem> items;
    for (E value : allCases<E>()) items.push_back({idOf(value), nameOf(displayNameKey(value))});
    return items;
}

template <typename E>
void retitleItems(MenuPicker* picker) {
    for (E value : allCases<E>()) picker->setItemText(idOf(value), nameOf(displayNameKey(value)));
}

QLabel* caption() {
    auto* label = new QLabel;
    label->setFont(pixelFont(10, QFont::DemiBold));
    setPaletteColour(*label, QPalette::WindowText, whiteAt(0.85));
    return label;
}

}  // namespace

FilmPhysicsControlView::FilmPhysicsControlView(Binding<LightLeakParameters> lightLeaks,
                                               Binding<DustAndScratchesParameters> dustAndScratches, QWidget* parent)
    : QWidget(parent), lightLeaks_(std::move(lightLeaks)), dust_(std::move(dustAndScratches)) {
    setObjectName(QStringLiteral("FilmPhysicsControlView"));
    auto* column = flatColumn(12, this);

    header_ = new PanelHeader(QStringLiteral("physics"), localized("inspector.lightLeaks"),
                              {"camera.metering.spot", standardColor(StandardColor::Yellow),
                               PanelHeader::ResetLabel::Small, false});
    connect(header_, &PanelHeader::resetRequested, this, &FilmPhysicsControlView::reset);
    column->addWidget(header_);

    auto* leakBox = new RoundedBox(RoundedBox::Style::group());
    leakBox->setObjectName(QStringLiteral("physics.leakBox"));
    leakCaption_ = caption();
    leakCaption_->setObjectName(QStringLiteral("physics.leakCaption"));
    leakBox->content()->addWidget(leakCaption_);
    auto* pickers = flatRow(8);
    // The pickers' titles are their tooltips: the row has room for the choices only.
    style_ = new MenuPicker(QStringLiteral("physics.leakStyle"), itemsOf<LightLeakStyle>());
    connect(style_, &MenuPicker::selectionChanged, this, [this](const QString& id) {
        LightLeakParameters leak = lightLeaks_.get();
        const auto style = caseOf<LightLeakStyle>(id);
        if (!style || *style == leak.style) return;
        leak.style = *style;
        lightLeaks_.set(leak);
        edited();
    });
    pickers->addWidget(style_, 1);
    position_ = new MenuPicker(QStringLiteral("physics.leakPosition"), itemsOf<LightLeakPosition>());
    position_->setFixedWidth(kPositionWidth);
    connect(position_, &MenuPicker::selectionChanged, this, [this](const QString& id) {
        LightLeakParameters leak = lightLeaks_.get();
        const auto position = caseOf<LightLeakPosition>(id);
        if (!position || *position == leak.position) return;
        leak.position = *position;
        lightLeaks_.set(leak);
        edited();
    });
    pickers->addWidget(position_);
    leakBox->content()->addLayout(pickers);
    const auto onEdit = [this] { edited(); };
    leakAmount_ = fieldSlider(lightLeaks_, &LightLeakParameters::intensity, kLeakAmount,
                              standardColor(StandardColor::Yellow), onEdit);
    leakAmount_->setObjectName(QStringLiteral("physics.leakAmount"));
    leakBox->content()->addWidget(leakAmount_);
    column->addWidget(leakBox);

    auto* dustBox = new RoundedBox(RoundedBox::Style::group());
    dustBox->setObjectName(QStringLiteral("physics.dustBox"));
    dustCaption_ = caption();
    dustCaption_->setObjectName(QStringLiteral("physics.dustCaption"));
    dustBox->content()->addWidget(dustCaption_);
    const QColor grey = standardColor(StandardColor::Grey);
    dustAmount_ = fieldSlider(dust_, &DustAndScratchesParameters::amount, kDustAmount, grey, onEdit);
    dustAmount_->setObjectName(QStringLiteral("physics.dustAmount"));
    scratches_ = fieldSlider(dust_, &DustAndScratchesParameters::scratchesDensity, kScratches, grey, onEdit);
    scratches_->setObjectName(QStringLiteral("physics.scratches"));
    dustSize_ = fieldSlider(dust_, &DustAndScratchesParameters::dustSize, kDustSize, grey, onEdit);
    dustSize_->setObjectName(QStringLiteral("physics.dustSize"));
    for (ProSlider* slider : {dustAmount_, scratches_, dustSize_}) dustBox->content()->addWidget(slider);
    column->addWidget(dustBox);

    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    refresh();
}

bool FilmPhysicsControlView::isActive() const { return !lightLeaks_.get().isNeutral() || !dust_.get().isNeutral(); }

void FilmPhysicsControlView::edited() {
    Q_EMIT changed();
    refresh();
}

void FilmPhysicsControlView::reset() {
    // Both records in one action: each written only when it is not its default
    // already, and one report.
    if (!(lightLeaks_.get() == LightLeakParameters::defaultValue())) lightLeaks_.set(LightLeakParameters::defaultValue());
    if (!(dust_.get() == DustAndScratchesParameters::defaultValue())) dust_.set(DustAndScratchesParameters::defaultValue());
    edited();
}

void FilmPhysicsControlView::retitle() {
    header_->setTitle(localized("inspector.lightLeaks"));
    leakCaption_->setText(localized("leaks.leakSection"));
    dustCaption_->setText(localized("leaks.dust"));
    style_->setToolTip(localized("leaks.style"));
    style_->setAccessibleName(localized("leaks.style"));
    position_->setToolTip(localized("leaks.position"));
    position_->setAccessibleName(localized("leaks.position"));
    retitleItems<LightLeakStyle>(style_);
    retitleItems<LightLeakPosition>(position_);
    leakAmount_->setTitle(localized(kLeakAmount.titleKey));
    dustAmount_->setTitle(localized(kDustAmount.titleKey));
    scratches_->setTitle(localized(kScratches.titleKey));
    dustSize_->setTitle(localized(kDustSize.titleKey));
}

void FilmPhysicsControlView::refresh() {
    if (language_.changed()) retitle();
    const LightLeakParameters leak = lightLeaks_.get();
    const DustAndScratchesParameters dust = dust_.get();
    header_->refresh(!leak.isNeutral() || !dust.isNeutral());
    style_->setSelected(idOf(leak.style));
    position_->setSelected(idOf(leak.position));
    const bool leaking = leak.style != LightLeakStyle::none;
    const bool detail = dust.amount > kDetailAmount;
    auto show = [](QWidget* w, bool visible) {
        if (w->isHidden() == visible) w->setVisible(visible);
    };
    show(position_, leaking);
    show(leakAmount_, leaking);
    show(scratches_, detail);
    show(dustSize_, detail);
    for (ProSlider* slider : {leakAmount_, dustAmount_, scratches_, dustSize_}) slider->refresh();
}

}  // namespace vantrel
