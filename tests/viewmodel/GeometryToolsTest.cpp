#include <QSignalSpy>

#include <nlohmann/json.hpp>

#include "EditTestSupport.h"

namespace vantrel::testing {
namespace {

TEST_F(EditViewModelTest, QuarterTurnsKeepTheSignOfATruncatingRemainder) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    const auto turnsAfter = [&](int start, void (DarkroomViewModel::*turn)()) {
        edit(*vm, [&](EditParameters& r) { r.crop.quarterTurns = start; });
        (vm.get()->*turn)();
        return vm->parameters().crop.quarterTurns;
    };
    EXPECT_EQ(turnsAfter(3, &DarkroomViewModel::addQuarterTurn), 0);
    EXPECT_EQ(turnsAfter(0, &DarkroomViewModel::subtractQuarterTurn), 3);
    EXPECT_EQ(turnsAfter(-1, &DarkroomViewModel::addQuarterTurn), 0);
    EXPECT_EQ(turnsAfter(-1, &DarkroomViewModel::subtractQuarterTurn), 2);
    EXPECT_EQ(turnsAfter(-3, &DarkroomViewModel::addQuarterTurn), -2);

    edit(*vm, [](EditParameters& r) { r.crop.quarterTurns = 2; });
    for (int i = 0; i < 4; ++i) vm->addQuarterTurn();
    EXPECT_EQ(vm->parameters().crop.quarterTurns, 2);

    // Turning and flipping are saved at once and rebuild the filmstrip, without a message.
    const std::string status = vm->statusMessage();
    QSignalSpy strip(vm.get(), &DarkroomViewModel::filmstripItemsChanged);
    vm->toggleFlipHorizontal();
    EXPECT_TRUE(vm->parameters().crop.isFlippedH);
    EXPECT_EQ(store->recipes.at(FakeSessionStorage::sampleKey(*vm->selectedPhotoID())).crop.isFlippedH, true);
    EXPECT_GE(strip.count(), 1);
    EXPECT_EQ(vm->statusMessage(), status);

    // The reset clears the whole geometry and leaves the mode alone.
    vm->toggleCropMode();
    edit(*vm, [](EditParameters& r) {
        r.crop.straightenAngle = 4;
        r.crop.isFlippedV = true;
        r.crop.aspectRatio = CropAspectRatio::square;
        r.crop.rect = NormalizedRect{0.1, 0.1, 0.5, 0.5};
    });
    vm->resetCrop();
    EXPECT_EQ(vm->parameters().crop, CropParameters::defaultValue());
    EXPECT_TRUE(vm->isCroppingMode());
    EXPECT_EQ(vm->statusMessage(), "Reset crop and straightening");
}

TEST_F(EditViewModelTest, ToolModesExcludeEachOtherThroughTheirToggles) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    vm->toggleRetouchMode();
    EXPECT_EQ(vm->statusMessage(), "Entered spot healing mode (click canvas to heal)");
    vm->toggleCropMode();
    EXPECT_TRUE(vm->isCroppingMode());
    EXPECT_FALSE(vm->isRetouchMode());
    EXPECT_EQ(vm->statusMessage(), "Entered crop & straighten mode");
    vm->toggleCropMode();
    EXPECT_FALSE(vm->isCroppingMode() || vm->isRetouchMode() || vm->isMaskMode());
    EXPECT_EQ(vm->statusMessage(), "Finished crop and framing");

    // Adding a mask leaves crop mode on (the canvas still shows the crop tool);
    // the next toggle switches both off.
    vm->toggleCropMode();
    vm->addMask(MaskKind::radial);
    EXPECT_TRUE(vm->isCroppingMode() && vm->isMaskMode());
    EXPECT_EQ(vm->toolMode(), ToolMode::crop);
    vm->toggleRetouchMode();
    EXPECT_TRUE(vm->isRetouchMode());
    EXPECT_FALSE(vm->isCroppingMode() || vm->isMaskMode());

    // Finishing touches only its own mode, and works when already off.
    vm->saveCrop();
    EXPECT_TRUE(vm->isRetouchMode());
    EXPECT_EQ(vm->statusMessage(), "Framing saved");
}

TEST_F(EditViewModelTest, HorizonAngleIsShownSignedAndOnlyLandsOnTheMeasuredFrame) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    const std::string key = FakeSessionStorage::sampleKey(*vm->selectedPhotoID());

    // A level horizon asks for no turn: none is announced, and nothing is written. So does one
    // read under half a degree off, which looks level and lies within the reading's accuracy.
    analysis->angle = 0.4;
    analysis->gate.close();
    const auto savedBefore = store->recipes.find(key) == store->recipes.end() ? std::nullopt : std::optional(store->recipes.at(key));
    QSignalSpy strip(vm.get(), &DarkroomViewModel::filmstripItemsChanged);
    vm->autoLevelHorizon();
    EXPECT_TRUE(vm->isDetectingHorizon());
    EXPECT_EQ(vm->statusMessage(), "Detecting horizon and architectural tilt...");
    analysis->gate.open();
    ASSERT_TRUE(waitFor([&] { return !vm->isDetectingHorizon(); }));
    EXPECT_EQ(vm->statusMessage(), "Horizon already level; kept current composition");
    EXPECT_EQ(vm->parameters().crop.straightenAngle, 0.0);
    const auto savedAfter = store->recipes.find(key) == store->recipes.end() ? std::nullopt : std::optional(store->recipes.at(key));
    EXPECT_EQ(savedAfter, savedBefore);
    EXPECT_EQ(strip.count(), 0);

    analysis->angle = -2.4;
    vm->autoLevelHorizon();
    ASSERT_TRUE(waitFor([&] { return !vm->isDetectingHorizon(); }));
    EXPECT_EQ(vm->statusMessage(), "Auto-straightened horizon: -2.4°");
    EXPECT_EQ(vm->parameters().crop.straightenAngle, -2.4);
    EXPECT_EQ(store->recipes.at(key).crop.straightenAngle, -2.4);

    // Level as scanned, a frame straightened by hand is put back, and told so, not "+0.0°".
    analysis->angle = -0.3;
    vm->autoLevelHorizon();
    ASSERT_TRUE(waitFor([&] { return !vm->isDetectingHorizon(); }));
    EXPECT_EQ(vm->statusMessage(), "Horizon level without straightening; straightening removed");
    EXPECT_EQ(vm->parameters().crop.straightenAngle, 0.0);
    EXPECT_EQ(store->recipes.at(key).crop.straightenAngle, 0.0);

    analysis->angle = -2.4;
    vm->autoLevelHorizon();
    ASSERT_TRUE(waitFor([&] { return !vm->isDetectingHorizon(); }));

    analysis->angle.reset();
    vm->autoLevelHorizon();
    ASSERT_TRUE(waitFor([&] { return !vm->isDetectingHorizon(); }));
    EXPECT_EQ(vm->statusMessage(), "No prominent horizon detected; kept current composition");
    EXPECT_EQ(vm->parameters().crop.straightenAngle, -2.4);

    // A result that arrives after the user moved on is not written into the new frame.
    analysis->angle = 5.5;
    analysis->gate.close();
    vm->autoLevelHorizon();
    ASSERT_TRUE(waitFor([&] { return analysis->gate.waiting() == 1; }));
    const Uuid second = DarkroomViewModel::sampleRollPhotoIDs()[1];
    vm->selectPhoto(second);
    analysis->gate.open();
    ASSERT_TRUE(waitFor([&] { return !vm->isDetectingHorizon(); }));
    EXPECT_EQ(vm->parameters().crop.straightenAngle, 0.0);
    EXPECT_EQ(vm->statusMessage(), "Ready");
    EXPECT_EQ(vm->inMemoryRecipes().at(DarkroomViewModel::sampleRollPhotoIDs()[0]).crop.straightenAngle, -2.4);
    const auto stored = store->recipes.find(FakeSessionStorage::sampleKey(second));
    EXPECT_TRUE(stored == store->recipes.end() || stored->second.crop.straightenAngle == 0.0);

    // Without a frame nothing starts.
    vm->selectPhoto(Uuid::random());
    const int calls = analysis->calls;
    vm->autoLevelHorizon();
    EXPECT_FALSE(vm->isDetectingHorizon());
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(analysis->calls, calls);
}


// A healed spot as the healing overlay adds it: written through the recipe binding, then a preview.
SpotItem healAt(DarkroomViewModel& vm, double x, double y) {
    SpotItem spot;
    spot.center = {x, y};
    spot.radius = 0.05;
    spot.sourceOffset = {0.1, 0};
    auto healing = vm.recipeBinding(&EditParameters::spotHealing);
    SpotHealingParameters h = healing.get();
    h.spots.push_back(spot);
    healing.set(h);
    vm.requestRender(RenderQuality::interactive);
    return spot;
}

const SpotItem& spotWithID(const DarkroomViewModel& vm, const Uuid& id) {
    for (const SpotItem& spot : vm.parameters().spotHealing.spots)
        if (spot.id == id) return spot;
    throw std::runtime_error("no such spot");
}

// The frame's spots and masks cover the same place of the scan, with the same size there,
// whatever its geometry becomes, and come back unchanged with the geometry they were made in.
TEST_F(EditViewModelTest, SpotsAndMasksStayOnTheScanThroughEveryGeometryChange) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));  // a frame of 8 x 6 pixels
    const SpotItem spot = healAt(*vm, 0.2, 0.3);
    auto masks = vm->recipeBinding(&EditParameters::masks);
    vm->addMask(MaskKind::radial);
    MaskGroupParameters group = masks.get();
    group.radialMasks[0].center = {0.1, 0.5};
    group.radialMasks[0].radiusX = 0.1;
    group.radialMasks[0].radiusY = 0.2;
    group.radialMasks[0].exposure = 2;
    masks.set(group);
    const RadialMask island = masks.get().radialMasks[0];

    // A quarter turn clockwise, and back.
    vm->addQuarterTurn();
    EXPECT_NEAR(spotWithID(*vm, spot.id).center.x, 0.7, 1e-12);
    EXPECT_NEAR(spotWithID(*vm, spot.id).center.y, 0.2, 1e-12);
    EXPECT_NEAR(vm->parameters().masks.radialMasks[0].radiusX * 6, 0.2 * 6, 1e-12);  // its half-axes swap
    EXPECT_NEAR(vm->parameters().masks.radialMasks[0].radiusY * 8, 0.1 * 8, 1e-12);
    vm->subtractQuarterTurn();
    EXPECT_EQ(vm->parameters().spotHealing.spots, std::vector<SpotItem>{spot});
    EXPECT_EQ(vm->parameters().masks.radialMasks[0], island);

    // A flip of the whole frame mirrors them.
    vm->toggleFlipHorizontal();
    EXPECT_NEAR(vm->parameters().masks.radialMasks[0].center.x, 0.9, 1e-12);
    EXPECT_NEAR(spotWithID(*vm, spot.id).center.x, 0.8, 1e-12);
    EXPECT_NEAR(spotWithID(*vm, spot.id).sourceOffset.x, -0.1, 1e-12);
    vm->toggleFlipHorizontal();

    // A crop dragged to the left half, step by step as the overlay writes it: the mask
    // moves once, from where it was, and grows with the crop's zoom.
    auto crop = vm->recipeBinding(&EditParameters::crop);
    vm->toggleCropMode();
    for (int step = 1; step <= 25; ++step) {
        CropParameters c = crop.get();
        c.rect = {0, 0, 1 - 0.02 * step, 1};
        crop.set(c);
        vm->requestRender(RenderQuality::interactive);
    }
    const RadialMask zoomed = vm->parameters().masks.radialMasks[0];
    EXPECT_NEAR(zoomed.center.x, 0.2, 1e-12);
    EXPECT_NEAR(zoomed.center.y, 0.5, 1e-12);
    EXPECT_NEAR(zoomed.radiusX, 0.2, 1e-12);
    EXPECT_NEAR(zoomed.radiusY, 0.2, 1e-12);
    // The spot, at 0.4 of the left half, stays. A flip mirrors the crop with the frame: the
    // same half of the scan, mirrored, with both mirrored on it.
    EXPECT_NEAR(spotWithID(*vm, spot.id).center.x, 0.4, 1e-12);
    vm->toggleFlipHorizontal();
    EXPECT_NEAR(crop.get().rect.x, 0.5, 1e-12);
    EXPECT_NEAR(vm->parameters().masks.radialMasks[0].center.x, 0.8, 1e-12);
    EXPECT_NEAR(spotWithID(*vm, spot.id).center.x, 0.6, 1e-12);
    vm->toggleFlipHorizontal();
    EXPECT_NEAR(crop.get().rect.x, 0, 1e-12);

    // Cropped out, the spot is kept beyond the frame (saved so), and is back when the crop widens.
    CropParameters right = crop.get();
    right.rect = {0.5, 0, 0.5, 1};
    crop.set(right);
    vm->requestRender(RenderQuality::final);
    EXPECT_NEAR(spotWithID(*vm, spot.id).center.x, -0.6, 1e-12);
    const std::string key = FakeSessionStorage::sampleKey(*vm->selectedPhotoID());
    EXPECT_EQ(store->recipes.at(key).spotHealing, vm->parameters().spotHealing);
    const nlohmann::json written = vm->parameters();
    EXPECT_EQ(written.get<EditParameters>(), vm->parameters());
    vm->resetCrop();
    EXPECT_EQ(vm->parameters().spotHealing.spots, std::vector<SpotItem>{spot});
    EXPECT_EQ(vm->parameters().masks.radialMasks[0], island);

    // Straightening by the slider and by auto-level moves them; back at 0 they are as they were.
    CropParameters tilted = crop.get();
    tilted.straightenAngle = 4;
    crop.set(tilted);
    EXPECT_NE(spotWithID(*vm, spot.id).center, spot.center);
    analysis->angle = -2.5;
    vm->autoLevelHorizon();
    ASSERT_TRUE(waitFor([&] { return !vm->isDetectingHorizon(); }));
    const Point levelled = spotWithID(*vm, spot.id).center;
    tilted.straightenAngle = -2.5;
    crop.set(tilted);
    EXPECT_EQ(spotWithID(*vm, spot.id).center, levelled);
    tilted.straightenAngle = 0;
    crop.set(tilted);
    EXPECT_EQ(vm->parameters().spotHealing.spots, std::vector<SpotItem>{spot});

    // Edited after a turn, a spot is the turned frame's own from then on.
    vm->addQuarterTurn();
    auto healing = vm->recipeBinding(&EditParameters::spotHealing);
    SpotHealingParameters h = healing.get();
    h.spots[0].center = {0.5, 0.5};
    healing.set(h);
    vm->subtractQuarterTurn();
    EXPECT_NEAR(spotWithID(*vm, spot.id).center.x, 0.5, 1e-12);
    EXPECT_NEAR(spotWithID(*vm, spot.id).center.y, 0.5, 1e-12);

    // Another frame opens with its own recipe as stored: nothing of it moves, also when its
    // spots lie beyond its frame, and an edit saves them as they were.
    const Uuid third = DarkroomViewModel::sampleRollPhotoIDs()[2];
    EditParameters stored = EditParameters::defaultValue();
    stored.crop.quarterTurns = 3;
    stored.crop.rect = {0.2, 0.1, 0.5, 0.5};
    stored.spotHealing.spots = {spot, spotWithID(*vm, spot.id)};
    stored.spotHealing.spots[0].center = {1.4, -0.2};
    stored.spotHealing.spots[1].id = Uuid::random();
    stored.masks.radialMasks = {island};
    store->recipes[FakeSessionStorage::sampleKey(third)] = stored;
    vm->selectPhoto(third);
    ASSERT_TRUE(settle(*vm));
    EXPECT_EQ(vm->parameters(), stored);
    edit(*vm, [](EditParameters& r) { r.exposure = 0.5; });
    vm->requestRender(RenderQuality::final);
    EXPECT_EQ(store->recipes.at(FakeSessionStorage::sampleKey(third)).spotHealing, stored.spotHealing);
    EXPECT_EQ(store->recipes.at(FakeSessionStorage::sampleKey(third)).masks, stored.masks);
}

// The healing bar's Undo after a turn: a spot taken away comes back at its turned place, and
// spots added are taken away again.
TEST_F(EditViewModelTest, HealingUndoKeepsWorkingAfterATurn) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    const SpotItem a = healAt(*vm, 0.2, 0.3);
    const SpotItem b = healAt(*vm, 0.6, 0.7);
    vm->setSelectedRetouchSpotID(b.id);
    vm->removeSelectedHealingSpot();
    vm->addQuarterTurn();
    ASSERT_TRUE(vm->canUndoHealingSpot());
    vm->undoLastHealingSpot();
    ASSERT_EQ(vm->parameters().spotHealing.spots.size(), 2u);
    EXPECT_NEAR(spotWithID(*vm, b.id).center.x, 0.3, 1e-12);
    EXPECT_NEAR(spotWithID(*vm, b.id).center.y, 0.6, 1e-12);
    EXPECT_NEAR(spotWithID(*vm, a.id).center.x, 0.7, 1e-12);
    // Turned back, both are where they were made.
    vm->subtractQuarterTurn();
    EXPECT_NEAR(spotWithID(*vm, b.id).center.x, 0.6, 1e-12);
    EXPECT_NEAR(spotWithID(*vm, a.id).center.y, 0.3, 1e-12);
    vm->addQuarterTurn();
    vm->undoLastHealingSpot();
    vm->undoLastHealingSpot();
    EXPECT_TRUE(vm->parameters().spotHealing.spots.empty());
}

// Synchronising a crop to another frame moves that frame's own spots with it; a recipe
// pasted whole brings its spots as they were made.
TEST_F(EditViewModelTest, SyncedAndPastedGeometryKeepsEachFramesSpotsOnItsScan) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    const Uuid first = DarkroomViewModel::sampleRollPhotoIDs()[0];
    const Uuid second = DarkroomViewModel::sampleRollPhotoIDs()[1];
    vm->selectPhoto(second);
    ASSERT_TRUE(settle(*vm));
    const SpotItem own = healAt(*vm, 0.2, 0.3);
    vm->requestRender(RenderQuality::final);
    vm->selectPhoto(first);
    ASSERT_TRUE(settle(*vm));
    vm->addQuarterTurn();
    const SpotItem pasted = healAt(*vm, 0.9, 0.9);

    BatchSyncOptions cropOnly;
    cropOnly.deselectAll();
    cropOnly.syncCrop = true;
    vm->setBatchSyncOptions(cropOnly);
    vm->toggleChecked(second);
    vm->syncRecipeToRoll();
    const EditParameters& synced = vm->inMemoryRecipes().at(second);
    EXPECT_EQ(synced.crop.quarterTurns, 1);
    ASSERT_EQ(synced.spotHealing.spots.size(), 1u);
    EXPECT_NEAR(synced.spotHealing.spots[0].center.x, 0.7, 1e-12);
    EXPECT_NEAR(synced.spotHealing.spots[0].center.y, 0.2, 1e-12);
    EXPECT_EQ(store->recipes.at(FakeSessionStorage::sampleKey(second)), synced);

    EXPECT_EQ(synced.spotHealing.spots[0].id, own.id);

    // A third frame gets the spots alone, under its own geometry; then the whole recipe is
    // pasted there: the spots come as made, in the geometry they came with.
    const Uuid third = DarkroomViewModel::sampleRollPhotoIDs()[2];
    BatchSyncOptions spotsOnly;
    spotsOnly.deselectAll();
    spotsOnly.syncSpotHealing = true;
    vm->setBatchSyncOptions(spotsOnly);
    vm->uncheckAllPhotos();
    vm->toggleChecked(third);
    vm->syncRecipeToRoll();
    vm->copyParameters();
    vm->selectPhoto(third);
    ASSERT_TRUE(settle(*vm));
    ASSERT_EQ(vm->parameters().crop.quarterTurns, 0);
    vm->pasteParameters();
    EXPECT_EQ(vm->parameters().crop.quarterTurns, 1);
    ASSERT_EQ(vm->parameters().spotHealing.spots.size(), 1u);
    EXPECT_EQ(spotWithID(*vm, pasted.id).center, pasted.center);
}

}  // namespace
}  // namespace vantrel::testing
