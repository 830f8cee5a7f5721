#include "services/CustomPresetStore.h"

#include "services/AtomicFile.h"
#include "services/FilmPresetLibrary.h"

#include "model/Json.h"
#include "model/RecipeKeys.h"
#include "model/Uuid.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::ElementsAre;
using testing::StartsWith;

struct Fixture {
    QTemporaryDir dir;
    fs::path root{dir.path().toStdString()};
    fs::path folder{root / "VantrelEditor" / "CustomPresets"};
    std::vector<std::string> lines;
    CustomPresetStore store{{[this] { return folder; }, [this](const std::string& line) { lines.push_back(line); }}};
};

FilmPreset customPreset(const std::string& name, std::optional<double> unixSeconds) {
    FilmPreset preset = FilmPresetLibrary::builtInPresets()[3];
    preset.id = Uuid::random().toString();
    preset.name = name;
    preset.subtitle = "made in a test";
    preset.isCustom = true;
    if (unixSeconds) preset.createdAt = Date::fromUnixSeconds(*unixSeconds);
    else preset.createdAt.reset();
    return preset;
}

void writeFile(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

std::string readText(const fs::path& path) {
    std::string text;
    EXPECT_FALSE(readWholeFile(path, text)) << path;
    return text;
}

std::vector<std::string> names(const std::vector<FilmPreset>& presets) {
    std::vector<std::string> out;
    for (const FilmPreset& p : presets) out.push_back(p.name);
    return out;
}

std::vector<std::string> folderNames(const fs::path& folder) {
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(folder)) out.push_back(entry.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

TEST(PresetStore, SavesOneSortedFilePerRecipeWithIsoDates) {
    Fixture f;
    EXPECT_TRUE(fs::is_directory(f.folder));  // made with the store
    EXPECT_TRUE(f.store.loadPresets().empty());

    FilmPreset dated = customPreset("Dated", 1769882700);
    dated.isCustom = false;
    f.store.save(dated);
    const fs::path file = f.folder / (dated.id + ".json");
    const std::string text = readText(file);
    EXPECT_THAT(text, StartsWith("{\n  \"createdAt\": \"2026-01-31T18:05:00Z\",\n  \"id\": "));
    const json stored = json::parse(text);
    EXPECT_EQ(stored["isCustom"], true);
    EXPECT_EQ(stored["parameters"].size(), kRecipeKeys.size());

    // Undated: stamped with the current time. Saving the same id again leaves one file.
    const double before = std::floor(Date::now().unixSeconds());
    FilmPreset undated = customPreset("Undated", std::nullopt);
    f.store.save(undated);
    undated.subtitle = "changed";
    f.store.save(undated);
    EXPECT_EQ(folderNames(f.folder).size(), 2u);
    const auto loaded = f.store.loadPresets();
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].name, "Undated");  // now is later than 2026-01-31
    EXPECT_EQ(loaded[0].subtitle, "changed");
    ASSERT_TRUE(loaded[0].createdAt.has_value());
    EXPECT_GE(loaded[0].createdAt->unixSeconds(), before);
    EXPECT_EQ(loaded[1].parameters, dated.parameters);
    EXPECT_TRUE(loaded[1].isCustom);

    EXPECT_TRUE(f.store.deletePreset(undated));
    EXPECT_FALSE(f.store.deletePreset(undated));  // already gone: no error, and told
    EXPECT_THAT(names(f.store.loadPresets()), ElementsAre("Dated"));

    // A recipe file copied in the folder: two rows of one identifier, each deleting its own file.
    fs::copy_file(f.folder / (dated.id + ".json"), f.folder / "copy.json");
    const auto twins = f.store.loadPresets();
    ASSERT_EQ(twins.size(), 2u);
    const FilmPreset& copy = *twins[0].file == f.folder / "copy.json" ? twins[0] : twins[1];
    EXPECT_TRUE(f.store.deletePreset(copy));
    EXPECT_EQ(folderNames(f.folder), std::vector<std::string>{dated.id + ".json"});
    EXPECT_TRUE(f.lines.empty());
}

TEST(PresetStore, LoadsOnlyJsonFilesSkipsBrokenOnesAndOrdersNaturally) {
    Fixture f;
    const auto put = [&](const std::string& fileName, const FilmPreset& p) {
        writeFile(f.folder / fileName, json(p).dump());
    };
    put("a.JSON", customPreset("Look 10", 1700000000));
    put("b.json", customPreset("Look 9", 1700000000));
    put("c.json", customPreset("look 9b", 1700000000));
    put("d.json", customPreset("Undated", std::nullopt));
    put("e.json", customPreset("Newest", 1800000000));
    FilmPreset builtIn = FilmPresetLibrary::builtInPresets()[4];
    put("f.json", builtIn);  // "isCustom": false in the file
    put("notes.txt", customPreset("Text", 1));
    put("x.json.bak", customPreset("Backup", 1));
    put(".hidden.json", customPreset("Hidden", 1));
    writeFile(f.folder / "broken.json", "{\"id\": \"x\", \"name\": ");
    fs::create_directory(f.folder / "folder.json");

    const auto presets = f.store.loadPresets();
    EXPECT_THAT(names(presets), ElementsAre("Newest", "Look 9", "look 9b", "Look 10", "F-Velvia 50 RVP", "Undated"));
    EXPECT_TRUE(presets[4].isCustom);
    ASSERT_EQ(f.lines.size(), 1u);
    EXPECT_THAT(f.lines[0], StartsWith("[CustomPresetStore] Failed to decode preset at broken.json: "));
}

TEST(PresetStore, ImportAndExportKeepRecipesInsideTheFolder) {
    Fixture f;
    const fs::path outside = f.root / "outside";
    fs::create_directories(outside);

    // Export writes the recipe as it is: no date added.
    FilmPreset undated = customPreset("Shared Look", std::nullopt);
    undated.isCustom = false;
    const fs::path exported = outside / "Shared Look.vantrelrecipe";
    f.store.exportPreset(undated, exported);
    const json file = json::parse(readText(exported));
    EXPECT_FALSE(file.contains("createdAt"));
    EXPECT_EQ(file["isCustom"], false);
    EXPECT_TRUE(folderNames(f.folder).empty());

    // Import: custom, dated now, stored under its identifier; twice gives one recipe.
    const FilmPreset imported = f.store.importPreset(exported);
    EXPECT_EQ(imported.id, undated.id);
    EXPECT_TRUE(imported.isCustom);
    ASSERT_TRUE(imported.createdAt.has_value());
    EXPECT_EQ(f.store.importPreset(exported), f.store.loadPresets().at(0));
    auto listed = f.store.loadPresets();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].parameters, undated.parameters);

    // Another recipe under the same identifier is kept beside it, never over it.
    FilmPreset changed = undated;
    changed.parameters.exposure = 0.5;
    f.store.exportPreset(changed, outside / "changed.vantrelrecipe");
    const FilmPreset second = f.store.importPreset(outside / "changed.vantrelrecipe");
    EXPECT_NE(second.id, undated.id);
    EXPECT_EQ(second.name, "Shared Look 2");
    EXPECT_EQ(f.store.importPreset(outside / "changed.vantrelrecipe"), second);  // again: nothing changes
    listed = f.store.loadPresets();
    EXPECT_EQ(listed.size(), 2u);
    EXPECT_EQ(std::count_if(listed.begin(), listed.end(), [&](const FilmPreset& p) { return p.id == undated.id; }), 1);
    for (const FilmPreset& preset : listed) f.store.deletePreset(preset);

    // A dated file keeps its date; a lower-case UUID is written in its canonical form.
    json dated = json(customPreset("Dated", 1769882700));
    dated["id"] = "6f9619ff-8b86-d011-b42d-00c04fc964ff";
    writeFile(outside / "dated.json", dated.dump());
    const FilmPreset kept = f.store.importPreset(outside / "dated.json");
    EXPECT_EQ(kept.createdAt->unixSeconds(), 1769882700);
    EXPECT_EQ(kept.id, "6F9619FF-8B86-D011-B42D-00C04FC964FF");

    // Identifiers that would lead out of the folder, or are no UUID, get a fresh one.
    for (const char* hostile : {"../../outside/victim", "/tmp/evil", "velvia50", "..", ""}) {
        json bad = json(customPreset("Hostile", 1));
        bad["id"] = hostile;
        writeFile(outside / "hostile.vantrelrecipe", bad.dump());
        const FilmPreset safe = f.store.importPreset(outside / "hostile.vantrelrecipe");
        EXPECT_NE(safe.id, hostile);
        EXPECT_TRUE(Uuid::parse(safe.id).has_value()) << hostile;
        EXPECT_TRUE(fs::exists(f.folder / (safe.id + ".json")));
    }
    EXPECT_EQ(folderNames(outside), (std::vector<std::string>{"Shared Look.vantrelrecipe", "changed.vantrelrecipe",
                                                              "dated.json", "hostile.vantrelrecipe"}));

    // Saving or deleting by such an identifier touches nothing outside.
    writeFile(outside / "victim.json", "keep me");
    FilmPreset direct = customPreset("Direct", 1);
    direct.id = "../outside/victim";
    EXPECT_THROW(f.store.save(direct), std::invalid_argument);
    EXPECT_FALSE(f.store.deletePreset(direct));
    direct.file = outside / "victim.json";
    EXPECT_FALSE(f.store.deletePreset(direct));
    EXPECT_EQ(readText(outside / "victim.json"), "keep me");

    // Failures reach the caller and store nothing.
    const size_t stored = folderNames(f.folder).size();
    EXPECT_THROW(f.store.importPreset(outside / "missing.vantrelrecipe"), std::system_error);
    writeFile(outside / "broken.vantrelrecipe", "{\"id\": 1}");
    EXPECT_THROW(f.store.importPreset(outside / "broken.vantrelrecipe"), JsonDecodeError);
    FilmPreset infinite = customPreset("Infinite", 1);
    infinite.parameters.contrast = INFINITY;
    EXPECT_ANY_THROW(f.store.save(infinite));
    EXPECT_EQ(folderNames(f.folder).size(), stored);
}

TEST(PresetStore, UnreadableRecipeInPlaceIsKeptAsideBeforeBeingReplaced) {
    Fixture f;
    FilmPreset preset = customPreset("Replacement", 1769882700);
    const fs::path file = f.folder / (preset.id + ".json");
    writeFile(file, "{ truncated");
    f.store.save(preset);
    EXPECT_EQ(f.store.loadPresets().size(), 1u);  // the new recipe; the kept copy fails to decode
    bool keptCopy = false;
    for (const std::string& name : folderNames(f.folder))
        if (name.starts_with(preset.id + ".corrupt-")) keptCopy = readText(f.folder / name) == "{ truncated";
    EXPECT_TRUE(keptCopy);
}

}  // namespace
}  // namespace vantrel
