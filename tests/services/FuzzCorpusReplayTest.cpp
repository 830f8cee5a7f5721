// Every committed fuzz input of the recipe import goes through the custom recipe store again:
// each is imported or refused, and what is imported is saved as it was returned.
#include <gtest/gtest.h>

#include <unistd.h>

#include "fuzz/CorpusFiles.h"
#include "fuzz/PresetReader.h"

using namespace vantrel;
using namespace vantrel::fuzz;

TEST(FuzzCorpusReplay, RecipeImports) {
    const auto folder = std::filesystem::temp_directory_path() / ("vantrel-replay-" + std::to_string(::getpid()));
    const CustomPresetStore store({[folder] { return folder; }, [](const std::string&) {}});
    const auto files = corpusFiles("preset");
    ASSERT_FALSE(files.empty());
    int imported = 0;
    for (const auto& file : files) {
        bool ok = false;
        EXPECT_NO_THROW(ok = importRecipeFile(store, file)) << file;
        imported += ok;
    }
    EXPECT_GT(imported, 0);
    // Each import was removed again: nothing is left behind.
    EXPECT_TRUE(store.loadPresets().empty());
    std::filesystem::remove_all(folder);
}
