#include "EditTestSupport.h"
#include "model/WatermarkFill.h"
#include "services/FilmPresetLibrary.h"
#include "services/L10n.h"
#include "services/LocalizationManager.h"

namespace vantrel::testing {
namespace {

const FilmPreset& builtIn(const std::string& id) {
    for (const FilmPreset& preset : FilmPresetLibrary::builtInPresets())
        if (preset.id == id) return preset;
    throw std::runtime_error("no preset " + id);
}

// The fake renderer, each scan with shooting data of its own: "fm2" and "f3" frames were shot
// on Nikons, any other scan tells nothing.
class CaptureDataRenderService final : public RenderService {
public:
    static ImageMetadataInfo dataOf(const std::string& name) {
        ImageMetadataInfo m;
        if (name.find("fm2") != std::string::npos) {
            m.cameraMake = "Nikon";
            m.cameraModel = "FM2";
            m.lensModel = "Nikkor 50mm";
            m.shutterSpeed = "1/125s";
            m.iso = "ISO 100";
            m.captureDate = "2024:05:06 07:08:09";
        } else if (name.find("f3") != std::string::npos) {
            m.cameraMake = "Nikon";
            m.cameraModel = "F3";
            m.aperture = "ƒ/8";
            m.captureDate = "1990:01:02 03:04:05";
        }
        return m;
    }
    std::optional<RenderResult> render(const RenderJob& job, std::stop_token stop) override {
        return inner.render(job, stop);
    }
    std::optional<LoadedPhoto> loadPhoto(const std::filesystem::path& file) override {
        const std::optional<LoadedPhoto> photo = inner.loadPhoto(file);
        if (!photo) return photo;
        return LoadedPhoto(photo->id(), photo->title(), file, photo->dimensions(), false, "sRGB",
                           dataOf(file.filename().string()));
    }
    std::vector<LoadedPhoto> makeSampleRoll(const std::array<Uuid, 3>& ids) override {
        return inner.makeSampleRoll(ids);
    }

private:
    FakeRenderService inner;
};

// A frame with its own geometry, healing, mask, subject grading and negative conversion.
void giveFrameItsOwnWork(EditParameters& recipe) {
    recipe.crop.quarterTurns = 1;
    recipe.crop.straightenAngle = 3;
    recipe.spotHealing.spots.push_back(SpotItem{});
    recipe.masks.radialMasks.push_back(RadialMask{});
    recipe.subjectMask.isEnabled = true;
    recipe.subjectMask.subject.exposure = 0.4;
    recipe.negativeLab = NegativeLabParameters::enabledDefault();
    recipe.exposure = -1;
}

TEST_F(EditViewModelTest, PresetKeepsTheFramesFiveGroupsWhereItLeavesThemAtDefault) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    edit(*vm, giveFrameItsOwnWork);
    const EditParameters frame = vm->parameters();
    const std::string key = FakeSessionStorage::sampleKey(*vm->selectedPhotoID());

    vm->applyPreset(builtIn("portra400"));
    const EditParameters& applied = vm->parameters();
    EXPECT_EQ(applied.crop, frame.crop);
    EXPECT_EQ(applied.spotHealing, frame.spotHealing);
    EXPECT_EQ(applied.masks, frame.masks);
    EXPECT_EQ(applied.subjectMask, frame.subjectMask);
    EXPECT_EQ(applied.negativeLab, frame.negativeLab);
    // Everything else is the recipe's.
    EXPECT_EQ(applied.exposure, 0.15);
    EXPECT_EQ(applied.filmGrain, builtIn("portra400").parameters.filmGrain);
    EXPECT_EQ(vm->activePresetID(), std::optional<std::string>("portra400"));
    // Saved at once, and held in memory.
    ASSERT_TRUE(store->recipes.count(key));
    EXPECT_EQ(store->recipes.at(key), applied);
    EXPECT_EQ(vm->inMemoryRecipes().at(*vm->selectedPhotoID()), applied);

    // A recipe that sets a group replaces the frame's; the others are tested on their own.
    FilmPreset own = builtIn("velvia50");
    own.id = "own";
    own.parameters.negativeLab = NegativeLabParameters::defaultValue();
    own.parameters.negativeLab.isEnabled = true;
    own.parameters.negativeLab.gamma = 2;
    own.parameters.crop.isFlippedH = true;
    vm->applyPreset(own);
    EXPECT_EQ(vm->parameters().negativeLab.gamma, 2);
    EXPECT_TRUE(vm->parameters().crop.isFlippedH);
    EXPECT_EQ(vm->parameters().crop.quarterTurns, 0);
    // The frame's own spot and mask go with the geometry the recipe brings (turn and
    // straightening undone, the mirror made): the mask at the frame's centre stays there.
    const EditParameters& mirrored = vm->parameters();
    ASSERT_EQ(mirrored.masks.radialMasks.size(), 1u);
    EXPECT_EQ(mirrored.masks.radialMasks[0].id, frame.masks.radialMasks[0].id);
    EXPECT_NEAR(mirrored.masks.radialMasks[0].center.x, 0.5, 1e-9);
    EXPECT_NEAR(mirrored.masks.radialMasks[0].center.y, 0.5, 1e-9);
    ASSERT_EQ(mirrored.spotHealing.spots.size(), 1u);
    EXPECT_EQ(mirrored.spotHealing.spots[0].id, frame.spotHealing.spots[0].id);
    EXPECT_NE(mirrored.spotHealing.spots[0].center, frame.spotHealing.spots[0].center);
}

TEST_F(EditViewModelTest, CopyResetPasteRestoresTheRecipe) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    const Uuid id = *vm->selectedPhotoID();
    const std::string key = FakeSessionStorage::sampleKey(id);

    // An empty clipboard changes nothing but the status line.
    const EditParameters before = vm->parameters();
    vm->pasteParameters();
    EXPECT_EQ(vm->statusMessage(), "No color settings in clipboard");
    EXPECT_EQ(vm->parameters(), before);

    edit(*vm, giveFrameItsOwnWork);
    vm->copyParameters();
    const EditParameters copied = vm->parameters();
    EXPECT_EQ(vm->statusMessage(), "Copied color settings (Copied)");

    vm->resetToNeutral();
    EXPECT_EQ(vm->parameters(), EditParameters::defaultValue());
    EXPECT_EQ(vm->activePresetID(), std::optional<std::string>("neutral"));
    EXPECT_EQ(vm->statusMessage(), "Reset to Original Neutral");
    // The stored recipe is removed first, then the neutral one written.
    ASSERT_GE(store->recipeWrites.size(), 2u);
    EXPECT_EQ(store->recipeWrites[store->recipeWrites.size() - 2].key, "delete:" + key);
    EXPECT_EQ(store->recipeWrites.back().key, key);
    EXPECT_EQ(store->recipes.at(key), EditParameters::defaultValue());
    ASSERT_TRUE(settle(*vm));
    EXPECT_FALSE(vm->filmstripItems()[0].hasEdits);

    vm->applyPreset(builtIn("trix400"));
    vm->pasteParameters();
    EXPECT_EQ(vm->parameters(), copied);
    // The preset stays named: pasting does not change it.
    EXPECT_EQ(vm->activePresetID(), std::optional<std::string>("trix400"));
    EXPECT_EQ(store->recipes.at(key), copied);
    EXPECT_EQ(vm->statusMessage(), "Pasted color settings (Pasted)");
    EXPECT_TRUE(vm->filmstripItems()[0].hasEdits);

    // The clipboard crosses frames, crop and retouching included.
    vm->selectPhoto(DarkroomViewModel::sampleRollPhotoIDs()[1]);
    vm->pasteParameters();
    EXPECT_EQ(vm->parameters().crop, copied.crop);
    EXPECT_EQ(store->recipes.at(FakeSessionStorage::sampleKey(DarkroomViewModel::sampleRollPhotoIDs()[1])), copied);
}

TEST_F(EditViewModelTest, CustomRecipesAreSavedDeletedExportedAndImported) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    edit(*vm, giveFrameItsOwnWork);
    edit(*vm, [](EditParameters& r) { r.filmFrame.borderThickness = 0.2; });

    EXPECT_EQ(vm->saveCustomPreset("Mine", "", false), std::nullopt);
    ASSERT_EQ(vm->customPresets().size(), 1u);
    const FilmPreset saved = vm->customPresets()[0];
    EXPECT_EQ(saved.subtitle, "Custom Film Recipe");
    EXPECT_TRUE(saved.isCustom);
    EXPECT_TRUE(saved.createdAt.has_value());
    EXPECT_EQ(saved.parameters.crop, CropParameters::defaultValue());
    EXPECT_EQ(saved.parameters.masks, MaskGroupParameters::defaultValue());
    EXPECT_EQ(saved.parameters.filmFrame, FilmFrameParameters::defaultValue());
    EXPECT_EQ(saved.parameters.exposure, -1);
    EXPECT_EQ(vm->activePresetID(), std::optional(saved.id));
    EXPECT_EQ(vm->statusMessage(), "Saved custom recipe: Mine");

    vm->saveCustomPreset("Framed", "With border", true);
    ASSERT_EQ(vm->customPresets().size(), 2u);
    const FilmPreset framed = vm->customPresets()[0].name == "Framed" ? vm->customPresets()[0] : vm->customPresets()[1];
    EXPECT_EQ(framed.parameters.filmFrame.borderThickness, 0.2);
    EXPECT_EQ(framed.subtitle, "With border");

    // Exported, deleted, imported back.
    const std::filesystem::path file = path("Mine.vantrelrecipe");
    vm->exportRecipe(saved.id, file);
    EXPECT_EQ(vm->statusMessage(), "Exported recipe: Mine.vantrelrecipe");
    ASSERT_TRUE(std::filesystem::exists(file));
    vm->exportRecipe("not-a-recipe", path("none.vantrelrecipe"));
    EXPECT_FALSE(std::filesystem::exists(path("none.vantrelrecipe")));
    vm->exportRecipe(saved.id, path("missing/folder/x.vantrelrecipe"));
    EXPECT_EQ(vm->statusMessage(), "Could not export the recipe to 「x.vantrelrecipe」: the folder does not exist");

    // Deleting another recipe keeps the active one; deleting the active one clears it.
    vm->deleteCustomPreset(saved);
    EXPECT_EQ(vm->activePresetID(), std::optional(framed.id));
    EXPECT_EQ(vm->customPresets().size(), 1u);
    EXPECT_EQ(vm->statusMessage(), "Deleted recipe");
    vm->deleteCustomPreset(framed);
    EXPECT_EQ(vm->activePresetID(), std::nullopt);
    EXPECT_TRUE(vm->customPresets().empty());

    const EditParameters current = vm->parameters();
    vm->importRecipe(file);
    EXPECT_EQ(vm->statusMessage(), "Successfully imported recipe: Mine");
    ASSERT_EQ(vm->customPresets().size(), 1u);
    EXPECT_EQ(vm->customPresets()[0].parameters, saved.parameters);
    // Imported, not applied.
    EXPECT_EQ(vm->parameters(), current);
    EXPECT_EQ(vm->activePresetID(), std::nullopt);

    // Another recipe under the same identifier is kept beside it; importing it again changes nothing.
    FilmPreset other = vm->customPresets()[0];
    other.parameters.exposure = 1.5;
    CustomPresetStore(CustomPresetStore::Options{[this] { return path("elsewhere"); }, {}})
        .exportPreset(other, path("Other.vantrelrecipe"));
    for (int round = 0; round < 2; ++round) {
        vm->importRecipe(path("Other.vantrelrecipe"));
        EXPECT_EQ(vm->statusMessage(), "Successfully imported recipe: Mine 2");
        ASSERT_EQ(vm->customPresets().size(), 2u);
    }
    for (const FilmPreset& preset : vm->customPresets())
        EXPECT_EQ(preset.parameters.exposure, preset.name == "Mine" ? saved.parameters.exposure : 1.5) << preset.name;
    vm->deleteCustomPreset(vm->customPresets()[0]);

    std::ofstream(path("broken.json")) << "{ not json";
    vm->importRecipe(path("broken.json"));
    // Named, with a cause of our own, never the parser's message; and in the language chosen later.
    EXPECT_EQ(vm->statusMessage(),
              "Could not import the recipe 「broken.json」: the file is not a Vantrel recipe or is damaged");
    LocalizationManager::shared().setLanguage(AppLanguage::de);
    EXPECT_EQ(vm->statusMessage(),
              "Rezept „broken.json“ konnte nicht importiert werden: die Datei ist kein Vantrel-Rezept oder beschädigt");
    LocalizationManager::shared().setLanguage(AppLanguage::en);
    EXPECT_EQ(vm->customPresets().size(), 1u);

    vm->revealPresetsFolder();
    EXPECT_EQ(workspace->shown, std::vector<std::filesystem::path>{path("presets")});
}

// A look taken to another frame (pasted, synchronised, or saved as a recipe and applied there)
// prints that frame's shooting data, never the one it was made on; texts typed by hand travel.
TEST_F(EditViewModelTest, ALookTakenToAnotherFramePrintsThatFramesCaptureData) {
    renderService = std::make_shared<CaptureDataRenderService>();
    auto vm = makeViewModel();
    vm->loadFolder(makeRoll("roll", {"a_fm2.tif", "b_scan.tif", "c_f3.tif"}));
    ASSERT_TRUE(settle(*vm));
    const Uuid a = idOfTitle(*vm, "a_fm2.tif"), b = idOfTitle(*vm, "b_scan.tif"), c = idOfTitle(*vm, "c_f3.tif");
    auto show = [&](const Uuid& frame) {
        vm->selectPhoto(frame);
        ASSERT_TRUE(settle(*vm));
    };
    auto printed = [&](const EditParameters& recipe, const Uuid& frame) {
        return recipe.filmFrame.watermarkText(&vm->photoWithID(frame)->metadata());
    };
    const WatermarkFill atC = WatermarkFill::of(CaptureDataRenderService::dataOf("f3"));

    // Switched on at A, the watermark's fields take A's shooting data (the panel's fill step).
    show(a);
    edit(*vm, [](EditParameters& r) {
        r.filmFrame.showExifWatermark = true;
        fillWatermark(r.filmFrame, WatermarkFill::of(CaptureDataRenderService::dataOf("fm2")));
    });
    ASSERT_EQ(printed(vm->parameters(), a), "Nikon FM2  |  Nikkor 50mm  |  1/125s  ISO 100  |  2024:05:06 07:08:09");
    vm->copyParameters();
    show(b);
    vm->pasteParameters();
    EXPECT_TRUE(vm->parameters().filmFrame.showExifWatermark);
    EXPECT_EQ(printed(vm->parameters(), b), "");
    show(c);
    vm->pasteParameters();
    EXPECT_EQ(WatermarkFill({vm->parameters().filmFrame.watermarkCamera, vm->parameters().filmFrame.watermarkLens,
                             vm->parameters().filmFrame.watermarkParams, vm->parameters().filmFrame.watermarkDate}),
              atC);

    // A film camera's name typed by hand travels with the look.
    show(a);
    edit(*vm, [](EditParameters& r) { r.filmFrame.watermarkCamera = "Leica M6"; });
    vm->copyParameters();
    show(b);
    vm->pasteParameters();
    EXPECT_EQ(printed(vm->parameters(), b), "Leica M6");

    // Synchronised with the film frame.
    show(a);
    BatchSyncOptions frameOnly;
    frameOnly.deselectAll();
    frameOnly.syncFilmFrame = true;
    vm->setBatchSyncOptions(frameOnly);
    vm->syncRecipeToRoll();
    EXPECT_EQ(printed(vm->inMemoryRecipes().at(b), b), "Leica M6");
    EXPECT_EQ(printed(vm->inMemoryRecipes().at(c), c), "Leica M6  |  ƒ/8  |  1990:01:02 03:04:05");

    // Saved as a recipe with its frame, and applied on the other frames.
    edit(*vm, [](EditParameters& r) {
        fillWatermark(r.filmFrame, WatermarkFill::of(CaptureDataRenderService::dataOf("fm2")));
    });
    ASSERT_EQ(vm->saveCustomPreset("Look", "", true), std::nullopt);
    const FilmPreset look = vm->customPresets().at(0);
    EXPECT_EQ(look.parameters.filmFrame.watermarkCamera, "");
    show(b);
    vm->applyPreset(look);
    EXPECT_EQ(printed(vm->parameters(), b), "");
    show(c);
    vm->applyPreset(look);
    EXPECT_EQ(vm->parameters().filmFrame.watermarkCamera, atC.camera);
    EXPECT_EQ(vm->parameters().filmFrame.watermarkDate, atC.date);
    show(a);
    vm->applyPreset(look);
    EXPECT_EQ(printed(vm->parameters(), a), "Nikon FM2  |  Nikkor 50mm  |  1/125s  ISO 100  |  2024:05:06 07:08:09");
}

TEST_F(EditViewModelTest, AFailedSaveKeepsTheListAndTheActiveRecipe) {
    // The recipe folder cannot be made: a plain file stands in its place.
    std::ofstream(path("blocked")) << "file";
    presets = std::make_shared<const CustomPresetStore>(
        CustomPresetStore::Options{[this] { return path("blocked") / "presets"; }, [](const std::string&) {}});
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    vm->applyPreset(builtIn("ektar100"));
    const std::optional<std::string> failure = vm->saveCustomPreset("Lost", "", false);
    ASSERT_TRUE(failure.has_value());
    EXPECT_FALSE(failure->empty());
    EXPECT_EQ(vm->statusMessage(), "Failed to save recipe: " + *failure);
    EXPECT_TRUE(vm->customPresets().empty());
    EXPECT_EQ(vm->activePresetID(), std::optional<std::string>("ektar100"));
}

}  // namespace
}  // namespace vantrel::testing
