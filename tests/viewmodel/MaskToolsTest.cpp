#include <QThread>

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

    // Another frame in the mode: a mask chosen on this one is none of the next
    // one's, so that frame's first mask is chosen, or none; the display and the
    // bar never edit a mask the frame shown does not have.
    const std::array<Uuid, 3>& frames = DarkroomViewModel::sampleRollPhotoIDs();
    vm->addMask(MaskKind::radial);
    const Uuid elsewhere = vm->parameters().masks.radialMasks.at(0).id;
    vm->selectPhoto(frames[1]);
    ASSERT_TRUE(vm->parameters().masks.linearMasks.empty() && vm->parameters().masks.radialMasks.empty());
    EXPECT_EQ(vm->selectedMaskID(), std::nullopt);
    vm->addMask(MaskKind::linear);
    vm->selectPhoto(frames[0]);
    EXPECT_EQ(vm->selectedMaskID(), std::optional(elsewhere));
    EXPECT_TRUE(vm->isMaskMode());

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
    EXPECT_TRUE(vm->subjectMasks().holds(first));
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
    EXPECT_FALSE(vm->subjectMasks().holds(first));
    EXPECT_EQ(vm->parameters().subjectMask, SubjectMaskParameters::defaultValue());
    EXPECT_EQ(vm->statusMessage(), "Reset AI subject and background grading");

    // An answer that comes after the user moved on belongs to the analysed
    // frame: its recipe takes the grading and is saved, and the status says
    // so; the frame now shown is left as it was.
    analysis->gate.close();
    vm->detectSubject();
    ASSERT_TRUE(waitFor([&] { return analysis->gate.waiting() == 1; }));
    const Uuid second = DarkroomViewModel::sampleRollPhotoIDs()[1];
    vm->selectPhoto(second);
    const EditParameters shown = vm->parameters();
    analysis->gate.open();
    ASSERT_TRUE(waitFor([&] { return !vm->isDetectingSubject(); }));
    ASSERT_TRUE(idle(*vm));
    EXPECT_TRUE(vm->subjectMasks().holds(first));
    EXPECT_FALSE(vm->subjectMasks().holds(second));
    EXPECT_EQ(vm->parameters(), shown);
    const SubjectMaskParameters graded = vm->inMemoryRecipes().at(first).subjectMask;
    EXPECT_TRUE(graded.isEnabled && graded.hasDetectedSubject);
    EXPECT_EQ(graded.background.exposure, -0.35);
    EXPECT_EQ(store->recipes.at(FakeSessionStorage::sampleKey(first)).subjectMask, graded);
    EXPECT_EQ(vm->statusMessage(),
              "Subject identified in 「Vantrel_16bit_Film_Calibration_Target.tiff」 (supports independent grading)");
    // Back on it, the subject panel and the canvas show the grading with its mask.
    vm->selectPhoto(first);
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(vm->parameters().subjectMask, graded);
    EXPECT_EQ(vm->renderedPreview().text("mask"), "0");
    vm->selectPhoto(second);

    // Nothing found: only the message.
    analysis->mask.reset();
    const EditParameters before = vm->parameters();
    vm->detectSubject();
    ASSERT_TRUE(waitFor([&] { return !vm->isDetectingSubject(); }));
    EXPECT_EQ(vm->statusMessage(), "No distinct subject detected; switched to visual center analysis");
    EXPECT_EQ(vm->parameters(), before);
    EXPECT_FALSE(vm->subjectMasks().holds(second));

    // Another roll opened: the masks of the frames it replaced go with them.
    vm->loadFolder(makeRoll("other", {"x.tif"}));
    ASSERT_TRUE(settle(*vm));
    EXPECT_FALSE(vm->subjectMasks().holds(first));
}

TEST(SubjectMasksTest, HeldMasksGoOldestUnusedFirst) {
    SubjectMasks masks(nullptr);
    std::vector<Uuid> frames;
    for (std::size_t i = 0; i <= SubjectMasks::kHeldMasks; ++i) {
        frames.push_back(Uuid::random());
        masks.store(frames.back(), FakeAnalysisService::maskOfWidth(int(i) + 1));
    }
    EXPECT_FALSE(masks.holds(frames[0]));
    EXPECT_TRUE(masks.holds(frames[1]));
    // A mask a render takes counts as used: the next one pushes out the one after it.
    EditParameters graded = EditParameters::defaultValue();
    graded.subjectMask.isEnabled = graded.subjectMask.hasDetectedSubject = true;
    graded.subjectMask.background.exposure = -1;
    RenderJob job{LoadedPhoto(frames[1].toString(), "b.tif", std::nullopt, Image(), Image(), PhotoSize{8, 6}, false,
                              "sRGB"),
                  graded};
    masks.forRender(job, SubjectMasks::Urgency::background);
    ASSERT_TRUE(job.subjectMask);
    EXPECT_EQ(job.subjectMask->extent().width, 2);
    masks.store(Uuid::random(), FakeAnalysisService::maskOfWidth(99));
    EXPECT_TRUE(masks.holds(frames[1]));
    EXPECT_FALSE(masks.holds(frames[2]));
    EXPECT_TRUE(masks.holds(frames[3]));
    masks.keepOnly({frames[3]});
    EXPECT_TRUE(masks.holds(frames[3]));
    EXPECT_FALSE(masks.holds(frames[1]));
}

TEST_F(EditViewModelTest, ASavedSubjectGradingIsShownAndExportedWithTheFramesOwnMask) {
    // A roll whose recipes grade a detected subject, as a session before left it;
    // no subject stands out in c.tif.
    const auto roll = makeRoll("roll", {"a.tif", "b.tif", "c.tif"});
    EditParameters graded = EditParameters::defaultValue();
    graded.subjectMask.isEnabled = graded.subjectMask.hasDetectedSubject = true;
    graded.subjectMask.background.exposure = -2;
    for (const char* file : {"a.tif", "b.tif", "c.tif"}) store->recipes[(roll / file).string()] = graded;
    analysis->maskOf = [](const LoadedPhoto& photo) -> std::optional<Image> {
        if (photo.title() == "c.tif") return std::nullopt;
        return FakeAnalysisService::maskOfWidth(photo.title() == "a.tif" ? 11 : 22);
    };
    const auto analysed = [&] { return analysis->subjectTitles(); };
    using Titles = std::vector<std::string>;

    // Opened afresh: the frame is shown at once, and found again in the
    // background, as are the others' for their filmstrip pictures.
    analysis->gate.close();
    auto vm = makeViewModel();
    vm->loadFolder(roll, "a.tif");
    ASSERT_TRUE(waitFor([&] { return analysis->gate.waiting() == 1 && !vm->renderedPreview().isNull(); }));
    EXPECT_EQ(vm->renderedPreview().text("mask"), "");
    // Left before its mask is made: the next frame never shows another's mask.
    vm->selectPhoto(idOfTitle(*vm, "b.tif"));
    analysis->gate.open();
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(analysed(), (Titles{"a.tif", "b.tif", "c.tif"}));
    EXPECT_EQ(vm->renderedPreview().text("mask"), "22");
    EXPECT_EQ(vm->thumbnailCache().at(idOfTitle(*vm, "b.tif")).text("mask"), "22");
    EXPECT_EQ(vm->thumbnailCache().at(idOfTitle(*vm, "a.tif")).text("mask"), "11");
    EXPECT_EQ(vm->parameters().subjectMask, graded.subjectMask);

    // Made once per frame, not once per render; the export renders with the canvas's mask.
    vm->requestRender(RenderQuality::interactive);
    vm->selectPhoto(idOfTitle(*vm, "a.tif"));
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(vm->renderedPreview().text("mask"), "11");
    dialogs->saveLocation = path("a.jpg");
    vm->exportCurrentPhoto(ExportSettings{});
    ASSERT_TRUE(idle(*vm));
    ASSERT_EQ(exporter->calls().size(), 1u);
    EXPECT_EQ(exporter->calls()[0].maskWidth, std::optional<std::int64_t>(11));

    // Nothing stands out: said once, shown ungraded, and exported as shown.
    vm->selectPhoto(idOfTitle(*vm, "c.tif"));
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(vm->statusMessage(),
              "The subject of this photo could not be found again; its subject grading is not shown");
    vm->requestRender(RenderQuality::final);
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(analysed(), (Titles{"a.tif", "b.tif", "c.tif"}));
    EXPECT_EQ(vm->renderedPreview().text("mask"), "");
    dialogs->saveLocation = path("c.jpg");
    vm->exportCurrentPhoto(ExportSettings{});
    ASSERT_TRUE(idle(*vm));
    ASSERT_EQ(exporter->calls().size(), 2u);
    EXPECT_EQ(exporter->calls()[1].maskWidth, std::nullopt);
    EXPECT_FALSE(exporter->calls()[1].gradesSubject);

    // Exports of a frame not yet analysed wait for its mask, which is then
    // held; while they wait, every worker an analysis needs stays free.
    analysis->subjects.close();
    vm->loadFolder(roll, "c.tif");
    ASSERT_TRUE(waitFor([&] { return analysis->subjects.waiting() == 1; }));
    EXPECT_FALSE(vm->subjectMasks().holds(idOfTitle(*vm, "a.tif")));
    vm->beginBatchExport({vm->photos()[0]}, path("out"), ExportSettings{});
    for (int i = 0; i < QThread::idealThreadCount(); ++i) vm->exportPhoto(vm->photos()[0], ExportSettings{});
    analysis->angle = 1.5;
    vm->autoLevelHorizon();
    EXPECT_TRUE(waitFor([&] { return !vm->isDetectingHorizon(); }));
    EXPECT_EQ(vm->parameters().crop.straightenAngle, 1.5);
    EXPECT_EQ(exporter->calls().size(), 2u);
    analysis->subjects.open();
    ASSERT_TRUE(idle(*vm));
    ASSERT_EQ(exporter->calls().size(), std::size_t(QThread::idealThreadCount()) + 3);
    EXPECT_EQ(exporter->calls().back().maskWidth, std::optional<std::int64_t>(11));
    EXPECT_TRUE(vm->subjectMasks().holds(idOfTitle(*vm, "a.tif")));

    // Synchronised onto the roll, the targets' masks are made one after
    // another; a target brought to the screen meanwhile goes first.
    const auto synced = makeRoll("synced", {"a.tif", "b.tif", "d.tif", "e.tif"});
    store->recipes[(synced / "a.tif").string()] = graded;
    vm->loadFolder(synced, "a.tif");
    ASSERT_TRUE(idle(*vm));
    const std::size_t before = analysed().size();
    BatchSyncOptions subjectOnly;
    subjectOnly.deselectAll();
    subjectOnly.syncSubjectMask = true;
    vm->setBatchSyncOptions(subjectOnly);
    analysis->gate.close();
    vm->syncRecipeToRoll();
    ASSERT_TRUE(waitFor([&] { return analysis->gate.waiting() == 1; }));
    vm->selectPhoto(idOfTitle(*vm, "e.tif"));
    analysis->gate.open();
    ASSERT_TRUE(idle(*vm));
    const Titles all = analysed();
    EXPECT_EQ(Titles(all.begin() + std::ptrdiff_t(before), all.end()), (Titles{"b.tif", "e.tif", "d.tif"}));
    EXPECT_EQ(vm->renderedPreview().text("mask"), "22");

    // Another roll opened while a frame is analysed: its answer is dropped.
    analysis->gate.close();
    vm->loadFolder(roll, "b.tif");
    ASSERT_TRUE(waitFor([&] { return analysis->gate.waiting() == 1; }));
    const Uuid left = idOfTitle(*vm, "b.tif");
    vm->loadSampleRoll();
    analysis->gate.open();
    ASSERT_TRUE(idle(*vm));
    EXPECT_FALSE(vm->subjectMasks().holds(left));
}

}  // namespace
}  // namespace vantrel::testing
