#include <QSignalSpy>

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

    analysis->angle = 0.0;
    analysis->gate.close();
    vm->autoLevelHorizon();
    EXPECT_TRUE(vm->isDetectingHorizon());
    EXPECT_EQ(vm->statusMessage(), "Detecting horizon and architectural tilt...");
    analysis->gate.open();
    ASSERT_TRUE(waitFor([&] { return !vm->isDetectingHorizon(); }));
    EXPECT_EQ(vm->statusMessage(), "Auto-straightened horizon: +0.0°");
    EXPECT_EQ(vm->parameters().crop.straightenAngle, 0.0);

    analysis->angle = -2.4;
    vm->autoLevelHorizon();
    ASSERT_TRUE(waitFor([&] { return !vm->isDetectingHorizon(); }));
    EXPECT_EQ(vm->statusMessage(), "Auto-straightened horizon: -2.4°");
    EXPECT_EQ(vm->parameters().crop.straightenAngle, -2.4);
    EXPECT_EQ(store->recipes.at(key).crop.straightenAngle, -2.4);

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

}  // namespace
}  // namespace vantrel::testing
