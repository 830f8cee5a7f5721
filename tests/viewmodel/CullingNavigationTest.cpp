// Culling marks of the current frame, the filmstrip filter and stepping
// through the filmstrip.
#include "ViewModelTestSupport.h"
#include "services/L10n.h"

namespace vantrel::testing {
namespace {

std::vector<std::string> shown(const DarkroomViewModel& vm) {
    std::vector<std::string> out;
    for (const FilmstripItem& item : vm.filmstripItems()) out.push_back(item.title);
    return out;
}

using Names = std::vector<std::string>;

TEST_F(ViewModelTest, CullingMarksAreSavedShownAndReported) {
    const auto roll = makeRoll("roll", {"a.tif", "b.tif"});
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    const Uuid a = idOfTitle(*vm, "a.tif");

    vm->setRating(3);
    EXPECT_EQ(vm->statusMessage(), L10n::tr("status.ratingSet", 3));
    EXPECT_EQ(vm->filmstripItems()[0].rating, 3);
    const PhotoCullingRecord& stored = store->culling.at(roll.string()).records.at(a);
    EXPECT_EQ(stored.filename, "a.tif");
    EXPECT_EQ(stored.colorLabel, ColorLabel::none);
    vm->setRating(9);
    EXPECT_EQ(vm->selectedCullingRecord().rating, 5);
    EXPECT_EQ(vm->statusMessage(), L10n::tr("status.ratingSet", 5));
    vm->setRating(0);
    EXPECT_EQ(vm->statusMessage(), L10n::tr("status.ratingCleared"));
    EXPECT_EQ(store->culling.at(roll.string()).records.at(a).rating, 0);

    vm->setColorLabel(ColorLabel::red);
    EXPECT_EQ(vm->statusMessage(), L10n::tr("status.labelSet", L10n::tr("culling.labelRed")));
    EXPECT_EQ(vm->statusMessage().find("culling."), std::string::npos);  // a name, not a key
    vm->setColorLabel(ColorLabel::red);  // setting again keeps it
    EXPECT_EQ(vm->filmstripItems()[0].colorLabel, ColorLabel::red);
    vm->setColorLabel(ColorLabel::none);
    EXPECT_EQ(vm->statusMessage(), L10n::tr("status.labelCleared"));

    vm->togglePick();
    EXPECT_EQ(vm->statusMessage(), L10n::tr("status.flagPicked"));
    vm->togglePick();
    EXPECT_EQ(vm->selectedCullingRecord().pickStatus, PickStatus::unflagged);
    EXPECT_EQ(vm->statusMessage(), L10n::tr("status.flagCleared"));
    vm->setFlag(PickStatus::picked);
    vm->toggleReject();
    EXPECT_EQ(vm->selectedCullingRecord().pickStatus, PickStatus::rejected);
    EXPECT_EQ(vm->statusMessage(), L10n::tr("status.flagRejected"));
    vm->togglePick();
    EXPECT_EQ(vm->filmstripItems()[0].pickStatus, PickStatus::picked);
    EXPECT_EQ(store->culling.at(roll.string()).records.at(a).pickStatus, PickStatus::picked);

    // Without a current frame nothing is marked, saved or said.
    vm->selectPhoto(Uuid::random());
    const std::size_t writes = store->cullingWrites.size();
    const std::string status = vm->statusMessage();
    vm->setRating(2);
    vm->togglePick();
    vm->setColorLabel(ColorLabel::blue);
    EXPECT_EQ(store->cullingWrites.size(), writes);
    EXPECT_EQ(vm->statusMessage(), status);
    EXPECT_EQ(vm->cullingDatabase().records.size(), 1u);
}

TEST_F(ViewModelTest, CullingFilterAndNavigationFollowTheFilmstripAsShown) {
    const auto roll = makeRoll("roll", {"a.tif", "b.tif", "c.tif", "d.tif"});
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    auto current = [&] { return vm->selectedPhoto() ? vm->selectedPhoto()->title() : std::string(); };

    // At the ends nothing happens; otherwise one step along the strip.
    vm->selectPreviousPhoto();
    EXPECT_EQ(current(), "a.tif");
    vm->setRating(3);
    vm->selectNextPhoto();
    EXPECT_EQ(current(), "b.tif");
    vm->setFlag(PickStatus::picked);
    vm->selectNextPhoto();
    vm->setRating(3);
    vm->selectNextPhoto();
    EXPECT_EQ(current(), "d.tif");
    vm->selectNextPhoto();
    EXPECT_EQ(current(), "d.tif");
    vm->selectPreviousPhoto();
    EXPECT_EQ(current(), "c.tif");

    // A filter that still shows the current frame keeps it.
    vm->setCullingFilter(CullingFilterCriteria{3, std::nullopt, std::nullopt});
    EXPECT_EQ(shown(*vm), (Names{"a.tif", "c.tif"}));
    EXPECT_EQ(current(), "c.tif");
    vm->selectPreviousPhoto();
    EXPECT_EQ(current(), "a.tif");  // b is hidden and skipped
    vm->selectNextPhoto();
    EXPECT_EQ(current(), "c.tif");

    // Marking the current frame out of the filter hides it but keeps it current;
    // the next step goes to the first shown frame.
    vm->setRating(1);
    EXPECT_EQ(shown(*vm), Names{"a.tif"});
    EXPECT_EQ(current(), "c.tif");
    EXPECT_EQ(vm->parameters(), vm->inMemoryRecipes().at(*vm->selectedPhotoID()));
    vm->selectNextPhoto();
    EXPECT_EQ(current(), "a.tif");
    vm->selectNextPhoto();
    vm->selectPreviousPhoto();
    EXPECT_EQ(current(), "a.tif");

    // A filter hiding the current frame makes the first shown frame current.
    vm->setCullingFilter(CullingFilterCriteria{std::nullopt, std::nullopt, PickStatus::picked});
    EXPECT_EQ(shown(*vm), Names{"b.tif"});
    EXPECT_EQ(current(), "b.tif");
    EXPECT_EQ(vm->cullingFilter().pickFilter, PickStatus::picked);

    // A filter hiding every frame leaves the selection alone; steps do nothing.
    vm->setCullingFilter(CullingFilterCriteria{std::nullopt, ColorLabel::purple, std::nullopt});
    EXPECT_TRUE(vm->filmstripItems().empty());
    EXPECT_EQ(current(), "b.tif");
    vm->selectNextPhoto();
    vm->selectPreviousPhoto();
    EXPECT_EQ(current(), "b.tif");

    // The filter stays when another roll opens.
    const auto other = makeRoll("other", {"e.tif"});
    vm->loadFolder(other);
    EXPECT_EQ(vm->cullingFilter().colorFilter, ColorLabel::purple);
    EXPECT_TRUE(vm->filmstripItems().empty());
    ASSERT_TRUE(settle(*vm));
}

}  // namespace
}  // namespace vantrel::testing
