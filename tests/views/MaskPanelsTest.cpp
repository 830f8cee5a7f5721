// The mask bar, the mask inspector, the floating parameter display and the
// subject panel, clicked and dragged as a user does, over counted bindings.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "model/EditParameters.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/LayoutCheck.h"
#include "views/kit/ProSlider.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/masks/MaskControlBar.h"
#include "views/masks/MaskControlView.h"
#include "views/masks/MaskLocalParameterHUD.h"
#include "views/masks/MaskWidgets.h"
#include "views/masks/SubjectMaskControlView.h"
#include "views/kit/Chip.h"
#include "views/kit/RoundedBox.h"
#include "views/kit/SegmentedControl.h"

namespace vantrel {
namespace {

LinearMask linear(const char* name, double exposure = -0.7) {
    LinearMask m;
    m.name = name;
    m.exposure = exposure;
    return m;
}

RadialMask radial(const char* name, double exposure = 0.6) {
    RadialMask m;
    m.name = name;
    m.exposure = exposure;
    return m;
}

// A recipe and a selection behind counted bindings.
struct Masks {
    test::CountedValue<EditParameters> recipe;
    test::CountedValue<std::optional<Uuid>> selection;
    const MaskGroupParameters& masks() const { return recipe.value->masks; }
    std::optional<Uuid> selected() const { return *selection.value; }
};

using test::settleLayouts;

using test::darkGround;

void click(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton);
}

// Drags a slider's thumb from its middle by `dx` in `steps` moves.
void dragSlider(ProSlider* slider, int dx, int steps) {
    QWidget* track = slider->track();
    const QPoint from(track->width() / 2, track->height() / 2);
    QTest::mousePress(track, Qt::LeftButton, {}, from);
    for (int i = 1; i <= steps; ++i) QTest::mouseMove(track, from + QPoint(dx * i / steps, 0));
    QTest::mouseRelease(track, Qt::LeftButton, {}, from + QPoint(dx, 0));
}

// ---------------------------------------------------------------- bar

TEST(MaskControlBar, CountSelectionAndButtonsReadTheRecipeAndNeverWriteIt) {
    Masks m;
    QWidget canvas;
    darkGround(canvas);
    canvas.resize(1200, 200);
    auto* column = new QVBoxLayout(&canvas);
    column->setContentsMargins(0, 0, 0, 0);  // as the canvas area holds it
    auto* bar = new MaskControlBar(m.recipe.binding().projected(&EditParameters::masks), m.selection.binding());
    column->addWidget(bar, 0, Qt::AlignHCenter);
    ASSERT_TRUE(test::showExposed(canvas));

    // No masks: "0 masks" in the secondary colour, no clear button, no selected group.
    EXPECT_EQ(bar->countLabel()->text(), "0 masks");
    EXPECT_EQ(bar->countLabel()->palette().color(QPalette::WindowText), standardColor(StandardColor::SecondaryText));
    EXPECT_TRUE(bar->clearButton()->isHidden());
    EXPECT_TRUE(bar->selectedGroup()->isHidden());
    EXPECT_EQ(bar->shownSeparators(), 2);

    m.recipe.value->masks.linearMasks = {linear("Linear Gradient 1")};
    *m.selection.value = m.masks().linearMasks[0].id;
    bar->refresh();
    EXPECT_EQ(bar->countLabel()->text(), "1 mask");
    EXPECT_EQ(bar->countLabel()->palette().color(QPalette::WindowText), standardColor(StandardColor::Green));
    EXPECT_FALSE(bar->clearButton()->isHidden());
    EXPECT_EQ(bar->shownSeparators(), 3);
    EXPECT_EQ(bar->nameLabel()->fullText(), "Linear Gradient 1");
    EXPECT_EQ(bar->readout()->text(), "-0.70 EV");
    EXPECT_TRUE(bar->readout()->standsOut());
    EXPECT_EQ(bar->deleteButton()->toolTip(), "Delete");
    EXPECT_FALSE(bar->isCompact());
    // Laid out on the next turns of the event loop.
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->nameLabel()->width() >= bar->nameLabel()->sizeHint().width(); }));
    settleLayouts();
    test::saveShot(*bar, "mask-bar");

    m.recipe.value->masks.linearMasks[0].exposure = 0.01;
    bar->refresh();
    EXPECT_EQ(bar->readout()->text(), "+0.01 EV");
    EXPECT_FALSE(bar->readout()->standsOut());

    // A selection that names no mask: "Mask" at +0.00 EV, and delete still asks.
    *m.selection.value = Uuid::random();
    bar->refresh();
    EXPECT_EQ(bar->nameLabel()->fullText(), "Mask");
    EXPECT_EQ(bar->readout()->text(), "+0.00 EV");

    QSignalSpy add(bar, &MaskControlBar::addRequested);
    QSignalSpy remove(bar, &MaskControlBar::deleteSelectedRequested);
    QSignalSpy clear(bar, &MaskControlBar::clearAllRequested);
    QSignalSpy done(bar, &MaskControlBar::doneRequested);
    for (Chip* button : {bar->addButton(MaskKind::linear), bar->addButton(MaskKind::radial), bar->deleteButton(),
                         bar->clearButton(), bar->doneButton()})
        click(button);
    ASSERT_EQ(add.count(), 2);
    EXPECT_EQ(add[0][0].value<MaskKind>(), MaskKind::linear);
    EXPECT_EQ(add[1][0].value<MaskKind>(), MaskKind::radial);
    for (QSignalSpy* spy : {&remove, &clear, &done}) EXPECT_EQ(spy->count(), 1);
    EXPECT_EQ(m.recipe.writeCount(), 0);
    EXPECT_EQ(m.selection.writeCount(), 0);

    // A narrow canvas: the add buttons keep their symbols, their texts become tooltips.
    canvas.resize(520, 200);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->width() <= 520; }));
    EXPECT_TRUE(bar->isCompact());
    EXPECT_TRUE(bar->addButton(MaskKind::linear)->text().isEmpty());
    EXPECT_EQ(bar->addButton(MaskKind::linear)->toolTip(), "+ Linear Gradient");
    EXPECT_EQ(canvas.width(), 520);
    EXPECT_LE(bar->width(), 520);
    // Every language fits a canvas of 520 points (the narrowest window), a long mask name on two lines.
    m.recipe.value->masks.radialMasks = {radial("Radial Spotlight 12")};
    *m.selection.value = m.masks().radialMasks[0].id;
    for (AppLanguage language : {AppLanguage::en, AppLanguage::zhHans, AppLanguage::zhHant, AppLanguage::ja,
                                 AppLanguage::de, AppLanguage::fr, AppLanguage::es}) {
        test::ScopedLanguage scoped(language);
        bar->refresh();
        EXPECT_LE(bar->minimumSizeHint().width(), 520) << int(language);
        EXPECT_TRUE(QTest::qWaitFor([&] { return bar->width() <= 520 && bar->width() >= bar->minimumSizeHint().width(); }))
            << int(language);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !bar->nameLabel()->isElided(); })) << int(language);
        if (language == AppLanguage::fr) test::saveShot(*bar, "mask-bar-narrow-fr");
    }
}

// ---------------------------------------------------------------- inspector

struct AdjustmentsColumn : Masks {
    bool maskMode = false;
    MaskControlView view{recipe.binding().projected(&EditParameters::masks), selection.binding(),
                         [this] { return maskMode; }};
    QSignalSpy changes{&view, &MaskControlView::changed};

    AdjustmentsColumn() {
        darkGround(view);
        view.setFixedWidth(296);
        EXPECT_TRUE(test::showExposed(view));
    }
    void refresh() {
        view.refresh();
        QCoreApplication::processEvents();
    }
    MaskControlView::Row* row(const char* name) {
        for (MaskControlView::Row* r : view.shownRows())
            if (r->nameLabel()->text() == name) return r;
        ADD_FAILURE() << name;
        return nullptr;
    }
};

TEST(MaskControlView, ShowsListAndCardOnlyWithMasks) {
    AdjustmentsColumn in;
    EXPECT_TRUE(in.view.countBadge()->isHidden());
    EXPECT_TRUE(in.view.clearButton()->isHidden());
    EXPECT_TRUE(in.view.list()->isHidden());
    EXPECT_TRUE(in.view.card()->isHidden());
    EXPECT_EQ(in.view.modeButton()->text(), "Canvas Handles");
    EXPECT_EQ(in.view.modeButton()->chipStyle().text, standardColor(StandardColor::SecondaryText));

    in.recipe.value->masks.linearMasks = {linear("Linear Gradient 1")};
    *in.selection.value = in.masks().linearMasks[0].id;
    in.maskMode = true;
    in.refresh();
    EXPECT_EQ(in.view.countBadge()->text(), "1");
    EXPECT_FALSE(in.view.clearButton()->isHidden());
    EXPECT_EQ(in.view.modeButton()->text(), "Hide Handles");
    EXPECT_EQ(in.view.modeButton()->chipStyle().text, standardColor(StandardColor::Accent));
    ASSERT_EQ(in.view.shownRows().size(), 1u);
    EXPECT_TRUE(in.view.shownRows()[0]->isSelected());
    EXPECT_EQ(in.view.cardTitle()->text(), "Linear Gradient Settings");
    std::vector<ProSlider*> sliders = in.view.shownSliders();
    ASSERT_EQ(sliders.size(), 7u);
    EXPECT_EQ(sliders.front()->objectName(), "mask.localExposure");
    EXPECT_EQ(sliders.back()->objectName(), "mask.localSaturation");
    EXPECT_EQ(sliders[0]->readout()->text(), "-0.70 EV");
    settleLayouts();
    test::saveShot(in.view, "mask-inspector-linear");

    in.recipe.value->masks.radialMasks = {radial("Radial Spotlight 1")};
    *in.selection.value = in.masks().radialMasks[0].id;
    in.refresh();
    sliders = in.view.shownSliders();
    ASSERT_EQ(sliders.size(), 8u);
    EXPECT_EQ(sliders[1]->objectName(), "mask.feather");
    EXPECT_EQ(sliders[1]->readout()->text(), "50%");  // a fraction read as a percentage
    EXPECT_EQ(sliders[5]->objectName(), "mask.localTemp");
    EXPECT_EQ(in.changes.count(), 0);  // showing the card reports nothing
    {
        test::ScopedLanguage german(AppLanguage::de);
        in.refresh();
        settleLayouts();
    test::saveShot(in.view, "mask-inspector-radial-de");
        EXPECT_LE(in.view.minimumSizeHint().width(), 296);
    }

    // The mode button only asks.
    QSignalSpy mode(&in.view, &MaskControlView::toggleMaskModeRequested);
    click(in.view.modeButton());
    EXPECT_EQ(mode.count(), 1);
    EXPECT_EQ(in.recipe.writeCount() + in.selection.writeCount(), 0);
}

TEST(MaskControlView, RowsSelectShowAndDeleteByIdentifier) {
    AdjustmentsColumn in;
    in.recipe.value->masks.linearMasks = {linear("A", -0.7), linear("B", 0.4)};
    in.recipe.value->masks.radialMasks = {radial("C")};
    in.recipe.value->masks.radialMasks[0].isEnabled = false;
    const Uuid a = in.masks().linearMasks[0].id, b = in.masks().linearMasks[1].id, c = in.masks().radialMasks[0].id;
    *in.selection.value = a;
    in.refresh();

    // Tapping a row selects without a report; tapping the selected row changes nothing.
    click(in.row("B"));
    EXPECT_EQ(in.selected(), b);
    click(in.row("B"));
    EXPECT_EQ(in.selection.writeCount(), 1);
    EXPECT_EQ(in.changes.count(), 0);
    EXPECT_EQ(in.view.shownSliders()[0]->readout()->text(), "+0.40 EV");

    // The hidden mask's eye turns it on, once.
    MaskControlView::Row* hidden = in.row("C");
    click(hidden->visibilityButton());
    EXPECT_TRUE(in.masks().radialMasks[0].isEnabled);
    EXPECT_EQ(in.changes.count(), 1);

    // Deleting a mask that is not selected keeps the selection.
    click(in.row("A")->deleteButton());
    EXPECT_EQ(in.masks().linearMasks.size(), 1u);
    EXPECT_EQ(in.selected(), b);
    EXPECT_EQ(in.changes.count(), 2);

    // Deleting the selected one: the first mask left of its kind, else the first
    // of the other kind, else none (a radial row passes over the linear mask).
    in.recipe.value->masks.linearMasks.insert(in.recipe.value->masks.linearMasks.begin(), linear("A"));
    in.recipe.value->masks.linearMasks[0].id = a;
    in.recipe.value->masks.radialMasks.push_back(radial("D"));
    const Uuid d = in.masks().radialMasks[1].id;
    *in.selection.value = c;
    in.refresh();
    click(in.row("C")->deleteButton());
    EXPECT_EQ(in.selected(), d);
    *in.selection.value = a;
    in.refresh();
    click(in.row("A")->deleteButton());
    EXPECT_EQ(in.selected(), b);
    click(in.row("B")->deleteButton());
    EXPECT_EQ(in.selected(), d);
    click(in.row("D")->deleteButton());
    EXPECT_EQ(in.selected(), std::nullopt);
    EXPECT_EQ(in.changes.count(), 6);
    EXPECT_TRUE(in.view.list()->isHidden());
    EXPECT_TRUE(in.view.card()->isHidden());
}

TEST(MaskControlView, ARowActionOnAMaskDeletedMeanwhileDoesNothing) {
    AdjustmentsColumn in;
    in.recipe.value->masks.linearMasks = {linear("A"), linear("B")};
    *in.selection.value = in.masks().linearMasks[0].id;
    in.refresh();
    MaskControlView::Row* rowB = in.row("B");
    ASSERT_NE(rowB, nullptr);
    // B goes elsewhere (the canvas, the bar) before the list is refreshed.
    in.recipe.value->masks.linearMasks.pop_back();
    const int writes = in.recipe.writeCount();
    click(rowB->deleteButton());
    click(rowB->visibilityButton());
    EXPECT_EQ(in.recipe.writeCount(), writes);
    EXPECT_EQ(in.changes.count(), 0);
    EXPECT_EQ(in.masks().linearMasks.size(), 1u);
    EXPECT_EQ(in.masks().linearMasks[0].name, "A");
}

TEST(MaskControlView, ClearAllIsOneWriteAndOneReport) {
    AdjustmentsColumn in;
    in.recipe.value->masks.linearMasks = {linear("A"), linear("B")};
    in.recipe.value->masks.radialMasks = {radial("C")};
    *in.selection.value = in.masks().radialMasks[0].id;
    in.refresh();
    click(in.view.clearButton());
    EXPECT_TRUE(in.masks().linearMasks.empty());
    EXPECT_TRUE(in.masks().radialMasks.empty());
    EXPECT_EQ(in.selected(), std::nullopt);
    EXPECT_EQ(in.recipe.writeCount(), 1);
    EXPECT_EQ(in.changes.count(), 1);
    EXPECT_TRUE(in.view.countBadge()->isHidden());
    EXPECT_TRUE(in.view.clearButton()->isHidden());
}

TEST(MaskControlView, SlidersAndInvertReportEachUserChangeOnce) {
    AdjustmentsColumn in;
    in.recipe.value->masks.linearMasks = {linear("A", 0)};
    *in.selection.value = in.masks().linearMasks[0].id;
    in.refresh();
    ProSlider* temperature = in.view.findChild<ProSlider*>("mask.localTemp");
    ASSERT_NE(temperature, nullptr);
    dragSlider(temperature, 40, 4);
    const double kelvin = in.masks().linearMasks[0].temperature;
    EXPECT_GT(kelvin, 0);
    EXPECT_EQ(std::fmod(kelvin, 10.0), 0.0);  // steps of 10
    EXPECT_EQ(temperature->readout()->text().endsWith(" K"), true);
    EXPECT_EQ(in.changes.count(), in.recipe.writeCount());
    EXPECT_GE(in.changes.count(), 2);

    const int before = in.changes.count();
    click(in.view.invertSwitch());
    EXPECT_TRUE(in.masks().linearMasks[0].isInverted);
    EXPECT_EQ(in.changes.count(), before + 1);
    // Selecting another mask reports nothing, whatever its values.
    in.recipe.value->masks.linearMasks.push_back(linear("B", 1.5));
    in.refresh();
    click(in.row("B"));
    EXPECT_EQ(in.changes.count(), before + 1);
    EXPECT_FALSE(in.view.invertSwitch()->isChecked());
}

// ---------------------------------------------------------------- parameter display

struct Display : Masks {
    QWidget canvas;
    MaskLocalParameterHUD* hud;
    QSignalSpy* changes;

    explicit Display(EditParameters p, const Uuid& id) {
        *recipe.value = std::move(p);
        darkGround(canvas);
        hud = new MaskLocalParameterHUD(recipe.binding().projected(&EditParameters::masks), id, &canvas);
        changes = new QSignalSpy(hud, &MaskLocalParameterHUD::changed);
        canvas.resize(800, 600);
        hud->placeAt({400, 300});
        hud->show();
        EXPECT_TRUE(test::showExposed(canvas));
    }
    ~Display() { delete changes; }
    Chip* preset(const char* key) { return hud->findChild<Chip*>(QStringLiteral("maskHUD.") + key); }
    std::vector<QString> names(const std::vector<ProSlider*>& sliders) {
        std::vector<QString> out;
        for (ProSlider* s : sliders) out.push_back(s->objectName());
        return out;
    }
};

TEST(MaskLocalParameterHUD, PresetsSlidersAndHeaderFollowTheMasksKind) {
    EditParameters p;
    p.masks.linearMasks = {linear("Sky", -0.7)};
    p.masks.linearMasks[0].tint = 12;
    p.masks.radialMasks = {radial("Face", 0.011)};
    const Uuid l = p.masks.linearMasks[0].id, r = p.masks.radialMasks[0].id;
    Display d(p, l);

    EXPECT_EQ(d.hud->title()->text(), "Sky");
    EXPECT_EQ(d.hud->kindSymbol()->symbol(), "line.diagonal");
    EXPECT_EQ(d.hud->readout()->text(), "-0.70 EV");
    ASSERT_EQ(d.hud->shownPresets().size(), 4u);
    EXPECT_EQ(d.preset("mask.presetGolden")->toolTip(), "+450K");
    EXPECT_EQ(d.names(d.hud->shownMainSliders()),
              (std::vector<QString>{"mask.localExposure", "mask.localContrast", "mask.localTemp"}));
    settleLayouts();
    // The presets flow from the left edge of their row, not centred in it.
    EXPECT_EQ(d.hud->shownPresets().front()->x(), 0);
    test::saveShot(d.canvas, "mask-display-linear");

    // Golden Hour: one write, one report; tint and inversion untouched.
    click(d.preset("mask.presetGolden"));
    const LinearMask& golden = d.masks().linearMasks[0];
    EXPECT_EQ(golden.temperature, 450);
    EXPECT_EQ(golden.saturation, 1.15);
    EXPECT_EQ(golden.tint, 12);
    EXPECT_EQ(d.recipe.writeCount(), 1);
    EXPECT_EQ(d.changes->count(), 1);
    EXPECT_EQ(d.hud->readout()->text(), "+0.30 EV");

    click(d.hud->expandButton());
    EXPECT_EQ(d.hud->shownAdvancedSliders().size(), 4u);
    EXPECT_EQ(d.hud->expandButton()->text(), "Collapse Advanced");

    // Another mask: radial presets, feather in the main group, temperature among five advanced rows.
    d.hud->setSelectedMaskID(r);
    EXPECT_TRUE(d.hud->isExpanded());
    EXPECT_EQ(d.hud->kindSymbol()->symbol(), "circle.dashed");
    EXPECT_EQ(d.hud->shownPresets().size(), 3u);
    EXPECT_EQ(d.names(d.hud->shownMainSliders()),
              (std::vector<QString>{"mask.localExposure", "mask.feather", "mask.localContrast"}));
    EXPECT_EQ(d.hud->shownMainSliders()[1]->readout()->text(), "50%");
    ASSERT_EQ(d.hud->shownAdvancedSliders().size(), 5u);
    EXPECT_EQ(d.hud->shownAdvancedSliders()[2]->objectName(), "mask.localTemp");
    // 0.011 stands out; 0.01 does not.
    EXPECT_TRUE(d.hud->readout()->standsOut());
    EXPECT_EQ(d.hud->readout()->fillColor(), standardColor(StandardColor::Accent, 0.18));
    d.recipe.value->masks.radialMasks[0].exposure = 0.01;
    d.hud->refresh();
    EXPECT_EQ(d.hud->readout()->text(), "+0.01 EV");
    EXPECT_EQ(d.hud->readout()->textColor(), standardColor(StandardColor::SecondaryText));
    EXPECT_EQ(d.hud->readout()->fillColor(), whiteAt(0.06));
    settleLayouts();
    test::saveShot(d.canvas, "mask-display-radial-expanded");
    {
        test::ScopedLanguage french(AppLanguage::fr);
        d.hud->refresh();
        settleLayouts();
    test::saveShot(d.canvas, "mask-display-radial-fr");
        EXPECT_EQ(d.hud->width(), MaskLocalParameterHUD::kWidth);
    }

    // Edge Falloff inverts; reset clears it and the badge goes.
    click(d.preset("mask.presetVignette"));
    EXPECT_TRUE(d.masks().radialMasks[0].isInverted);
    EXPECT_FALSE(d.hud->invertedBadge()->isHidden());
    EXPECT_EQ(d.hud->invertButton()->toolTip(), "Selection inverted (click to restore)");
    click(d.hud->resetButton());
    EXPECT_TRUE(d.masks().radialMasks[0].isNeutral());
    EXPECT_FALSE(d.masks().radialMasks[0].isInverted);
    EXPECT_TRUE(d.hud->invertedBadge()->isHidden());
    click(d.hud->invertButton());
    EXPECT_TRUE(d.masks().radialMasks[0].isInverted);
    EXPECT_EQ(d.changes->count(), 4);
}

TEST(MaskLocalParameterHUD, AMaskThatIsGoneShowsANeutralHeaderAndWritesNothing) {
    EditParameters p;
    p.masks.linearMasks = {linear("Sky")};
    Display d(p, Uuid::random());
    EXPECT_EQ(d.hud->title()->text(), "Selective Mask");
    EXPECT_EQ(d.hud->kindSymbol()->symbol(), "slider.horizontal.3");
    EXPECT_EQ(d.hud->readout()->text(), "+0.00 EV");
    EXPECT_TRUE(d.hud->shownPresets().empty());
    EXPECT_TRUE(d.hud->shownMainSliders().empty());
    click(d.hud->expandButton());
    EXPECT_TRUE(d.hud->shownAdvancedSliders().empty());
    EXPECT_TRUE(d.hud->invertedBadge()->isHidden());

    QSignalSpy closes(d.hud, &MaskLocalParameterHUD::closeRequested);
    QSignalSpy deletes(d.hud, &MaskLocalParameterHUD::deleteRequested);
    click(d.hud->resetButton());
    click(d.hud->invertButton());
    click(d.hud->closeButton());
    click(d.hud->deleteButton());
    EXPECT_EQ(d.recipe.writeCount(), 0);
    EXPECT_EQ(d.changes->count(), 0);
    EXPECT_EQ(closes.count(), 1);
    EXPECT_EQ(deletes.count(), 1);
}

TEST(MaskLocalParameterHUD, HeaderDragsAddUpAndSlidersReportEveryChange) {
    EditParameters p;
    p.masks.linearMasks = {linear("Sky", 0)};
    Display d(p, p.masks.linearMasks[0].id);
    QWidget* header = d.hud->header();
    const QPoint home = d.hud->pos();
    // Drags in screen coordinates, since the panel moves under the pointer.
    auto send = [&](QEvent::Type type, QPointF global, Qt::MouseButtons buttons) {
        QMouseEvent event(type, header->mapFromGlobal(global), global, Qt::LeftButton, buttons, {});
        QApplication::sendEvent(header, &event);
    };
    auto dragBy = [&](QPointF by, std::function<void()> during = {}) {
        const QPointF start = header->mapToGlobal(QPointF(40, header->height() / 2.0));
        send(QEvent::MouseButtonPress, start, Qt::LeftButton);
        send(QEvent::MouseMove, start + by / 2, Qt::LeftButton);
        send(QEvent::MouseMove, start + by, Qt::LeftButton);
        if (during) during();
        send(QEvent::MouseButtonRelease, start + by, Qt::NoButton);
    };
    dragBy({30, 10});
    EXPECT_EQ(d.hud->offset(), QPointF(30, 10));
    dragBy({-5, 20}, [&] { EXPECT_EQ(d.hud->offset(), QPointF(25, 30)); });
    EXPECT_EQ(d.hud->offset(), QPointF(25, 30));
    EXPECT_EQ(d.hud->pos(), home + QPoint(25, 30));
    EXPECT_EQ(d.recipe.writeCount(), 0);

    ProSlider* exposure = d.hud->shownMainSliders()[0];
    dragSlider(exposure, 60, 3);
    EXPECT_EQ(d.changes->count(), 3);
    EXPECT_EQ(d.recipe.writeCount(), 3);
    EXPECT_GT(d.masks().linearMasks[0].exposure, 0);
    EXPECT_EQ(d.hud->readout()->text(), exposureReadout(d.masks().linearMasks[0].exposure));
}

// ---------------------------------------------------------------- subject panel

struct Subject {
    test::CountedValue<EditParameters> recipe;
    bool detecting = false;
    SubjectMaskControlView view{recipe.binding().projected(&EditParameters::subjectMask),
                                [this] { return detecting; }};
    QSignalSpy changes{&view, &SubjectMaskControlView::changed};
    Subject() {
        darkGround(view);
        view.setFixedWidth(296);
        EXPECT_TRUE(test::showExposed(view));
    }
    SubjectMaskParameters& mask() { return recipe.value->subjectMask; }
};

TEST(SubjectMaskControlView, DetectionStatesFollowTheRecipeAndTheRunningDetection) {
    Subject s;
    s.mask().isEnabled = true;  // enabled but not detected: still the detection card
    s.view.refresh();
    EXPECT_FALSE(s.view.detectionCard()->isHidden());
    EXPECT_TRUE(s.view.gradingCard()->isHidden());
    EXPECT_TRUE(s.view.eyeButton()->isHidden());
    EXPECT_TRUE(s.view.resetButton()->isHidden());
    EXPECT_EQ(s.view.detectButton()->text(), "Detect Subject (AI)");
    settleLayouts();
    test::saveShot(s.view, "subject-none");
    QSignalSpy detect(&s.view, &SubjectMaskControlView::detectRequested);
    click(s.view.detectButton());
    EXPECT_EQ(detect.count(), 1);

    // Detecting: busy, disabled, another text.
    s.detecting = true;
    s.view.refresh();
    EXPECT_TRUE(s.view.detectButton()->isBusy());
    EXPECT_FALSE(s.view.detectButton()->isEnabled());
    EXPECT_EQ(s.view.detectButton()->text(), "Segmenting Subject...");
    click(s.view.detectButton());
    EXPECT_EQ(detect.count(), 1);
    settleLayouts();
    test::saveShot(s.view, "subject-detecting");

    // None found: the detection card again, ready for another try.
    s.detecting = false;
    s.view.refresh();
    EXPECT_FALSE(s.view.detectButton()->isBusy());
    EXPECT_TRUE(s.view.detectButton()->isEnabled());
    EXPECT_FALSE(s.view.detectionCard()->isHidden());

    // Found: the grading card on the subject tab.
    s.mask().hasDetectedSubject = true;
    s.mask().subject.exposure = 0.35;
    s.mask().background.exposure = -0.35;
    s.view.refresh();
    EXPECT_TRUE(s.view.detectionCard()->isHidden());
    EXPECT_FALSE(s.view.gradingCard()->isHidden());
    EXPECT_EQ(s.view.shownSliders().size(), 5u);
    EXPECT_EQ(s.view.shownSliders()[0]->objectName(), "subjectMask.subjectExp");
    EXPECT_EQ(s.view.eyeButton()->toolTip(), "Turn subject and background grading on or off");
    EXPECT_FALSE(s.view.resetButton()->isHidden());
    settleLayouts();
    test::saveShot(s.view, "subject-found");

    // Switching tabs changes no field and reports nothing.
    click(s.view.tabs()->segment("1"));
    EXPECT_EQ(s.view.activeTab(), 1);
    ASSERT_EQ(s.view.shownSliders().size(), 5u);
    EXPECT_EQ(s.view.shownSliders()[1]->objectName(), "subjectMask.bgBlur");
    EXPECT_EQ(s.changes.count(), 0);
    EXPECT_EQ(s.recipe.writeCount(), 0);
    {
        test::ScopedLanguage german(AppLanguage::de);
        s.view.refresh();
        settleLayouts();
    test::saveShot(s.view, "subject-background-de");
    }

    // Re-analyse asks again; clear asks the window.
    QSignalSpy clear(&s.view, &SubjectMaskControlView::clearRequested);
    click(s.view.reanalyzeButton());
    click(s.view.clearButton());
    EXPECT_EQ(detect.count(), 2);
    EXPECT_EQ(clear.count(), 1);
}

TEST(SubjectMaskControlView, ResetRestoresBothGradingsAndKeepsTheFlags) {
    Subject s;
    s.mask().isEnabled = s.mask().hasDetectedSubject = s.mask().isInverted = true;
    s.view.refresh();
    EXPECT_TRUE(s.view.resetButton()->isHidden());  // neutral

    // One step of the blur (0.5 px) is a change.
    click(s.view.tabs()->segment("1"));
    ProSlider* blur = s.view.findChild<ProSlider*>("subjectMask.bgBlur");
    ASSERT_NE(blur, nullptr);
    s.mask().background.blurRadius = 0.5;
    s.mask().subject.temperature = -10;
    s.view.refresh();
    EXPECT_FALSE(s.view.resetButton()->isHidden());
    EXPECT_EQ(blur->readout()->text(), "0.5 px");

    click(s.view.resetButton());
    EXPECT_EQ(s.mask().subject, SubjectAdjustment::defaultValue());
    EXPECT_EQ(s.mask().background, BackgroundAdjustment::defaultValue());
    EXPECT_TRUE(s.mask().isEnabled && s.mask().hasDetectedSubject && s.mask().isInverted);
    EXPECT_EQ(s.recipe.writeCount(), 1);
    EXPECT_EQ(s.changes.count(), 1);
    EXPECT_TRUE(s.view.resetButton()->isHidden());

    // Switched off: the eye crossed out in the secondary colour and no reset, even when graded.
    click(s.view.eyeButton());
    EXPECT_FALSE(s.mask().isEnabled);
    s.mask().subject.exposure = 1.2;
    s.view.refresh();
    EXPECT_TRUE(s.view.resetButton()->isHidden());
    EXPECT_FALSE(s.view.eyeButton()->isHidden());
    // The invert checkbox reports each change once.
    click(s.view.invertSwitch());
    EXPECT_FALSE(s.mask().isInverted);
    EXPECT_EQ(s.changes.count(), 3);

    // A slider drag writes and reports each value.
    dragSlider(blur, 30, 3);
    EXPECT_GT(s.mask().background.blurRadius, 0);
    EXPECT_EQ(s.changes.count(), s.recipe.writeCount());
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

// ---------------------------------------------------------------- every language

TEST(MaskTools, EveryLanguageFitsInEveryState) {
    EditParameters p;
    p.masks.linearMasks = {linear("Linear Gradient 12")};
    p.masks.radialMasks = {radial("Radial Spotlight 12")};
    p.masks.radialMasks[0].isInverted = true;
    p.subjectMask.isEnabled = p.subjectMask.hasDetectedSubject = true;
    p.subjectMask.subject.exposure = 0.35;

    AdjustmentsColumn masks;
    *masks.recipe.value = p;
    masks.maskMode = true;
    Subject subject;
    *subject.recipe.value = p;
    Display display(p, p.masks.radialMasks[0].id);
    click(display.hud->expandButton());
    QWidget canvas;
    auto* column = new QVBoxLayout(&canvas);
    Masks barMasks;
    *barMasks.recipe.value = p;
    *barMasks.selection.value = p.masks.radialMasks[0].id;
    auto* bar = new MaskControlBar(barMasks.recipe.binding().projected(&EditParameters::masks),
                                   barMasks.selection.binding());
    column->addWidget(bar, 0, Qt::AlignHCenter);
    ASSERT_TRUE(test::showExposed(canvas, {520, 120}));

    for (AppLanguage language : kAllAppLanguages) {
        test::ScopedLanguage scoped(language);
        for (const Uuid& id : {p.masks.linearMasks[0].id, p.masks.radialMasks[0].id}) {
            *masks.selection.value = id;
            display.hud->setSelectedMaskID(id);
            for (int tab : {0, 1}) {
                if (tab == 1) click(subject.view.tabs()->segment("1"));
                else if (subject.view.activeTab() != 0) click(subject.view.tabs()->segment("0"));
                masks.view.refresh();
                subject.view.refresh();
                display.hud->refresh();
                bar->refresh();
                for (QWidget* view : std::initializer_list<QWidget*>{&masks.view, &subject.view, &display.canvas, &canvas}) {
                    auto report = [&] { return describeLayoutIssues(findLayoutIssues(*view)); };
                    (void)QTest::qWaitFor([&] { return report().isEmpty(); }, 500);
                    EXPECT_EQ(report().toStdString(), "") << rawValue(language);
                }
            }
        }
    }
    // The detection card too.
    subject.mask().hasDetectedSubject = false;
    for (AppLanguage language : kAllAppLanguages) {
        test::ScopedLanguage scoped(language);
        for (bool detecting : {false, true}) {
            subject.detecting = detecting;
            subject.view.refresh();
            auto report = [&] { return describeLayoutIssues(findLayoutIssues(subject.view)); };
            (void)QTest::qWaitFor([&] { return report().isEmpty(); }, 500);
            EXPECT_EQ(report().toStdString(), "") << rawValue(language);
        }
    }
}

}  // namespace
}  // namespace vantrel
