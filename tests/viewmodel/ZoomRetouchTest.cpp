#include <cstdio>

#include "EditTestSupport.h"

namespace vantrel::testing {
namespace {

// The fake renderer, with scans as large as their names say ("6000x4000.tif").
class SizedRenderService final : public RenderService {
public:
    explicit SizedRenderService(std::shared_ptr<FakeRenderService> inner) : inner_(std::move(inner)) {}
    std::optional<RenderResult> render(const RenderJob& job, std::stop_token stop) override {
        return inner_->render(job, std::move(stop));
    }
    std::optional<LoadedPhoto> loadPhoto(const std::filesystem::path& file) override {
        int w = 0, h = 0;
        std::sscanf(file.filename().string().c_str(), "%dx%d", &w, &h);
        return LoadedPhoto("", file.filename().string(), file, PhotoSize{double(w), double(h)}, false, "sRGB");
    }
    std::vector<LoadedPhoto> makeSampleRoll(const std::array<Uuid, 3>& ids) override {
        return inner_->makeSampleRoll(ids);
    }

private:
    std::shared_ptr<FakeRenderService> inner_;
};

class ZoomTest : public EditViewModelTest {
protected:
    void SetUp() override {
        EditViewModelTest::SetUp();
        renderService = std::make_shared<SizedRenderService>(render);
    }
};

TEST_F(ZoomTest, ActualPixelsFactorAndLabels) {
    auto vm = makeViewModel();
    vm->loadFolder(makeRoll("roll", {"6000x4000.tif", "600x400.tif", "4000x6000.tif", "0x0.tif"}));
    ASSERT_TRUE(settle(*vm));
    vm->setCanvasViewportSize(QSizeF(1200, 800));
    ASSERT_EQ(vm->selectedPhoto()->title(), "0x0.tif");
    EXPECT_EQ(vm->actualPixelsZoomFactor(), 2.0);  // no usable size

    vm->selectPhoto(idOfTitle(*vm, "6000x4000.tif"));
    EXPECT_DOUBLE_EQ(vm->actualPixelsZoomFactor(), 5.0);
    vm->zoomTo100();
    EXPECT_DOUBLE_EQ(vm->zoomScale(), 5.0);
    EXPECT_TRUE(vm->isNavigatorVisible());
    EXPECT_EQ(vm->zoomLabel(), "100%");
    EXPECT_EQ(vm->statusMessage(), "Zoom: 100% Pixel Inspection");
    vm->zoomTo200();
    EXPECT_DOUBLE_EQ(vm->zoomScale(), 10.0);
    EXPECT_EQ(vm->zoomLabel(), "200%");
    EXPECT_EQ(vm->statusMessage(), "Zoom: 200% High Magnification");

    // Portrait frames fill the height: fitted width 533.3, factor 7.5.
    vm->selectPhoto(idOfTitle(*vm, "4000x6000.tif"));
    EXPECT_DOUBLE_EQ(vm->zoomScale(), 1.0);
    EXPECT_NEAR(vm->actualPixelsZoomFactor(), 7.5, 1e-9);

    // A frame smaller than the canvas is shown at fit, never enlarged.
    vm->selectPhoto(idOfTitle(*vm, "600x400.tif"));
    vm->zoomTo100();
    EXPECT_DOUBLE_EQ(vm->zoomScale(), 1.0);
    EXPECT_EQ(vm->zoomLabel(), "Fit");

    // A canvas not yet laid out counts as 1000 × 700.
    vm->selectPhoto(idOfTitle(*vm, "6000x4000.tif"));
    vm->setCanvasViewportSize(QSizeF(20, 800));
    EXPECT_DOUBLE_EQ(vm->actualPixelsZoomFactor(), 6.0);
    vm->setCanvasViewportSize(QSizeF(1200, 800));

    // Above 1.05 the toggle fits; at or below it goes to actual pixels.
    vm->setZoom(1.06);
    EXPECT_EQ(vm->zoomLabel(), "21%");
    vm->toggleZoom();
    EXPECT_DOUBLE_EQ(vm->zoomScale(), 1.0);
    EXPECT_EQ(vm->statusMessage(), "Zoom: Fit to Window");
    vm->setZoom(1.04);
    EXPECT_EQ(vm->zoomLabel(), "Fit");
    vm->toggleZoom();
    EXPECT_DOUBLE_EQ(vm->zoomScale(), 5.0);

    // Fitting keeps the navigator; the zoom steps mark their changes as animated.
    std::vector<bool> animated;
    QObject::connect(vm.get(), &DarkroomViewModel::zoomScaleChanged, vm.get(),
                     [&] { animated.push_back(vm->isZoomAnimating()); });
    vm->zoomToFit();
    EXPECT_TRUE(vm->isNavigatorVisible());
    vm->toggleNavigator();
    EXPECT_FALSE(vm->isNavigatorVisible());
    vm->setPanOffset(QSizeF(3, 4));
    vm->resetZoom();
    EXPECT_EQ(vm->panOffset(), QSizeF(0, 0));
    EXPECT_FALSE(vm->isNavigatorVisible());
    EXPECT_EQ(animated, (std::vector<bool>{true, false}));

    // A pan moved like a zoom step is animated; a plain one is not.
    std::vector<bool> panned;
    QObject::connect(vm.get(), &DarkroomViewModel::panOffsetChanged, vm.get(),
                     [&] { panned.push_back(vm->isZoomAnimating()); });
    vm->panAnimated(QSizeF(-40, 12));
    EXPECT_EQ(vm->panOffset(), QSizeF(-40, 12));
    EXPECT_FALSE(vm->isZoomAnimating());
    vm->setPanOffset(QSizeF(1, 1));
    EXPECT_EQ(panned, (std::vector<bool>{true, false}));
}

TEST_F(EditViewModelTest, HealingSpotsUndoRemoveAndClear) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    vm->setStatusMessage(LocalText::plain("x"));
    vm->undoLastHealingSpot();
    EXPECT_EQ(vm->statusMessage(), "x");
    vm->removeSelectedHealingSpot();
    EXPECT_EQ(vm->statusMessage(), "x");

    SpotItem a, b, c;
    edit(*vm, [&](EditParameters& r) { r.spotHealing.spots = {a, b, c}; });
    // Undo removes the last spot even when another is selected, which stays selected.
    vm->setSelectedRetouchSpotID(a.id);
    vm->undoLastHealingSpot();
    EXPECT_EQ(vm->parameters().spotHealing.spots, (std::vector<SpotItem>{a, b}));
    EXPECT_EQ(vm->selectedRetouchSpotID(), std::optional(a.id));
    EXPECT_EQ(vm->statusMessage(), "Undid last spot healing");
    vm->setSelectedRetouchSpotID(b.id);
    vm->undoLastHealingSpot();
    EXPECT_EQ(vm->selectedRetouchSpotID(), std::nullopt);

    edit(*vm, [&](EditParameters& r) { r.spotHealing.spots = {a, b, c}; });
    vm->setSelectedRetouchSpotID(b.id);
    vm->removeSelectedHealingSpot();
    EXPECT_EQ(vm->parameters().spotHealing.spots, (std::vector<SpotItem>{a, c}));
    EXPECT_EQ(vm->selectedRetouchSpotID(), std::nullopt);
    EXPECT_EQ(vm->statusMessage(), "Removed selected healing spot");

    // The toggle keeps the dust view; saving the retouch turns it off.
    vm->toggleRetouchMode();
    vm->toggleDustMode();
    EXPECT_EQ(vm->statusMessage(), "Dust mode enabled (high-contrast dust & scratch inspection)");
    vm->toggleRetouchMode();
    EXPECT_TRUE(vm->parameters().spotHealing.isVisualizeDustMode);
    EXPECT_EQ(vm->statusMessage(), "Exited spot healing mode");
    vm->toggleRetouchMode();
    vm->setSelectedRetouchSpotID(a.id);
    vm->saveRetouch();
    EXPECT_FALSE(vm->isRetouchMode());
    EXPECT_FALSE(vm->parameters().spotHealing.isVisualizeDustMode);
    EXPECT_EQ(vm->selectedRetouchSpotID(), std::nullopt);
    EXPECT_EQ(vm->statusMessage(), "Spot healing saved");

    vm->clearAllHealingSpots();
    EXPECT_TRUE(vm->parameters().spotHealing.spots.empty());
    EXPECT_EQ(store->recipes.at(FakeSessionStorage::sampleKey(*vm->selectedPhotoID())).spotHealing.spots.size(), 0u);
    EXPECT_EQ(vm->statusMessage(), "Cleared all healing spots");
    // Undo takes back the last change to the spots: the clearing, then the removal of b.
    vm->undoLastHealingSpot();
    EXPECT_EQ(vm->parameters().spotHealing.spots, (std::vector<SpotItem>{a, c}));
    vm->undoLastHealingSpot();
    EXPECT_EQ(vm->parameters().spotHealing.spots, (std::vector<SpotItem>{a, b, c}));
    EXPECT_EQ(vm->selectedRetouchSpotID(), b.id);
}

}  // namespace
}  // namespace vantrel::testing
