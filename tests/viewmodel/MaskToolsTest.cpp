#include "EditTestSupport.h"

namespace vantrel::testing {
namespace {

std::vector<std::string> linearNames(const DarkroomViewModel& vm) {
    std::vector<std::string> names;
    for (const LinearMask& mask : vm.parameters().masks.linearMasks) names.push_back(mask.name);
    return names;
}

TEST_F(EditViewModelTest, MasksAreNamedByCountAndSelectionFollowsDeletes) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));

    // Entering the mode on a frame without masks makes one; the mode's message wins.
    vm->toggleMaskMode();
    EXPECT_TRUE(vm->isMaskMode());
    ASSERT_EQ(vm->parameters().masks.linearMasks.size(), 1u);
    const LinearMask& made = vm->parameters().masks.linearMasks[0];
    EXPECT_EQ(made.name, "Linear Gradient 1");
    EXPECT_EQ(made.startPoint, (NormalizedPoint{0.5, 0.05}));
    EXPECT_EQ(made.endPoint, (NormalizedPoint{0.5, 0.45}));
    EXPECT_EQ(made.exposure, -0.7);
    EXPECT_EQ(vm->selectedMaskID(), std::optional(made.id));
    EXPECT_EQ(vm->statusMessage(), "Entered selective mask mode (drag handles to adjust)");

    // Two linear masks, the first deleted, then a new one: named 2 like the survivor.
    vm->addMask(MaskKind::linear);
    EXPECT_EQ(linearNames(*vm), (std::vector<std::string>{"Linear Gradient 1", "Linear Gradient 2"}));
    vm->setSelectedMaskID(vm->parameters().masks.linearMasks[0].id);
    vm->deleteSelectedMask();
    EXPECT_EQ(vm->statusMessage(), "Deleted selective mask");
    EXPECT_EQ(vm->selectedMaskID(), std::optional(vm->parameters().masks.linearMasks[0].id));
    vm->addMask(MaskKind::linear);
    EXPECT_EQ(linearNames(*vm), (std::vector<std::string>{"Linear Gradient 2", "Linear Gradient 2"}));

    // Deleting the selected radial mask selects the first linear one.
    vm->addMask(MaskKind::radial);
    const RadialMask& radial = vm->parameters().masks.radialMasks.at(0);
    EXPECT_EQ(radial.name, "Radial Spotlight 1");
    EXPECT_EQ(radial.exposure, 0.6);
    EXPECT_EQ(vm->statusMessage(), "Created radial spotlight mask");
    vm->deleteSelectedMask();
    EXPECT_TRUE(vm->parameters().masks.radialMasks.empty());
    EXPECT_EQ(vm->selectedMaskID(), std::optional(vm->parameters().masks.linearMasks[0].id));

    // Leaving keeps the selection; entering with masks selects without creating.
    vm->toggleMaskMode();
    EXPECT_FALSE(vm->isMaskMode());
    EXPECT_EQ(vm->statusMessage(), "Exited selective mask mode");
    vm->setSelectedMaskID(std::nullopt);
    edit(*vm, [](EditParameters& r) {
        r.masks.linearMasks.clear();
        r.masks.radialMasks.push_back(RadialMask{});
    });
    vm->toggleMaskMode();
    EXPECT_EQ(vm->selectedMaskID(), std::optional(vm->parameters().masks.radialMasks[0].id));
    EXPECT_TRUE(vm->parameters().masks.linearMasks.empty());

    // A selection naming no mask still re-selects; no selection does nothing.
    vm->setSelectedMaskID(Uuid::random());
    vm->deleteSelectedMask();
    EXPECT_EQ(vm->selectedMaskID(), std::optional(vm->parameters().masks.radialMasks[0].id));
    vm->clearAllMasks();
    EXPECT_EQ(vm->parameters().masks, MaskGroupParameters::defaultValue());
    EXPECT_EQ(vm->selectedMaskID(), std::nullopt);
    EXPECT_TRUE(vm->isMaskMode());
    vm->setStatusMessage(LocalText::plain("x"));
    vm->deleteSelectedMask();
    EXPECT_EQ(vm->statusMessage(), "x");

    vm->finishMaskEditing();
    EXPECT_FALSE(vm->isMaskMode());
    EXPECT_EQ(vm->statusMessage(), "Mask settings saved");
}

TEST_F(EditViewModelTest, SubjectDetectionGradesTheAnalysedFrameOnly) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    const Uuid first = *vm->selectedPhotoID();
    analysis->mask = Image();

    vm->detectSubject();
    EXPECT_TRUE(vm->isDetectingSubject());
    ASSERT_TRUE(waitFor([&] { return !vm->isDetectingSubject(); }));
    EXPECT_EQ(vm->statusMessage(), "Subject identified successfully (supports independent grading)");
    EXPECT_TRUE(vm->subjectMaskCache().count(first));
    const SubjectMaskParameters& subject = vm->parameters().subjectMask;
    EXPECT_TRUE(subject.isEnabled && subject.hasDetectedSubject);
    EXPECT_EQ(subject.subject.exposure, 0.35);
    EXPECT_EQ(subject.background.exposure, -0.35);

    // Gradings the user changed are left alone.
    edit(*vm, [](EditParameters& r) {
        r.subjectMask = SubjectMaskParameters::defaultValue();
        r.subjectMask.background.saturation = 0.5;
    });
    vm->detectSubject();
    ASSERT_TRUE(waitFor([&] { return !vm->isDetectingSubject(); }));
    EXPECT_TRUE(vm->parameters().subjectMask.isEnabled);
    EXPECT_EQ(vm->parameters().subjectMask.subject.exposure, 0);
    EXPECT_EQ(vm->parameters().subjectMask.background.exposure, 0);

    // The reset forgets the mask and the grading.
    vm->resetSubjectMask();
    EXPECT_FALSE(vm->subjectMaskCache().count(first));
    EXPECT_EQ(vm->parameters().subjectMask, SubjectMaskParameters::defaultValue());
    EXPECT_EQ(vm->statusMessage(), "Reset AI subject and background grading");

    // A mask arriving after a frame switch is cached for its own frame only.
    analysis->gate.close();
    vm->detectSubject();
    ASSERT_TRUE(waitFor([&] { return analysis->gate.waiting() == 1; }));
    const Uuid second = DarkroomViewModel::sampleRollPhotoIDs()[1];
    vm->selectPhoto(second);
    analysis->gate.open();
    ASSERT_TRUE(waitFor([&] { return !vm->isDetectingSubject(); }));
    EXPECT_TRUE(vm->subjectMaskCache().count(first));
    EXPECT_FALSE(vm->subjectMaskCache().count(second));
    EXPECT_EQ(vm->parameters().subjectMask, SubjectMaskParameters::defaultValue());

    // Nothing found: only the message.
    analysis->mask.reset();
    const EditParameters before = vm->parameters();
    vm->detectSubject();
    ASSERT_TRUE(waitFor([&] { return !vm->isDetectingSubject(); }));
    EXPECT_EQ(vm->statusMessage(), "No distinct subject detected; switched to visual center analysis");
    EXPECT_EQ(vm->parameters(), before);
    EXPECT_FALSE(vm->subjectMaskCache().count(second));
}

}  // namespace
}  // namespace vantrel::testing
