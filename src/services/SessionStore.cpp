#include "services/SessionStore.h"

#include <nlohmann/json.hpp>

#include "services/AppPaths.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

const std::string kTag = "[SessionStore] Failed to ";

// The photo's file name without its last extension ("a.b.tif" gives "a.b");
// a name without an extension, or one whose only dot leads, is used whole.
std::string baseName(const fs::path& photo) {
    const std::string name = photo.filename().string();
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

fs::path recipesFolder(const fs::path& photo) { return photo.parent_path() / ".vantrel" / "recipes"; }

// A photo path must end in a real file name, so that the files built from it
// stay inside the roll's ".vantrel" folder.
bool isPhotoPath(const fs::path& photo) { return AppPaths::isPlainFileName(photo.filename().string()); }

const std::string kNotAPhoto = "the photo location does not name a file";

// Snapshot lists go through the model's list form, whose failures name the element.
std::vector<SnapshotItem> loadList(JsonFileStore& files, const fs::path& url, const std::string& loadFailure) {
    std::vector<SnapshotItem> list;
    files.load(url, loadFailure, [&list](const nlohmann::json& json) { list = decodeSnapshotList(json); });
    return list;
}

void saveList(JsonFileStore& files, const fs::path& url, std::vector<SnapshotItem> list, std::string saveFailure,
              std::string loadFailure) {
    files.save({url, [list = std::move(list)] { return encodeSnapshotList(list); },
                [](const nlohmann::json& json) { (void)decodeSnapshotList(json); }, std::move(saveFailure),
                std::move(loadFailure)});
}

}  // namespace

SessionStore& SessionStore::shared() {
    static SessionStore store;
    return store;
}

SessionStore::SessionStore() : SessionStore(Options{}) {}

SessionStore::SessionStore(Options options) : options_(std::move(options)), files_(options_.files) {
    if (!options_.sampleDirectory) options_.sampleDirectory = [] { return AppPaths::sampleRecipesDirectory(); };
}

fs::path SessionStore::recipeURL(const fs::path& photo) { return recipesFolder(photo) / (baseName(photo) + ".json"); }

fs::path SessionStore::snapshotsURL(const fs::path& photo) {
    return recipesFolder(photo) / (baseName(photo) + "_snapshots.json");
}

fs::path SessionStore::cullingDatabaseURL(const fs::path& folder) {
    return folder / ".vantrel" / "culling_metadata.json";
}

fs::path SessionStore::sampleRecipesDirectory() const {
    const fs::path folder = options_.sampleDirectory();
    std::error_code error;
    if (!fs::exists(folder, error)) fs::create_directories(folder, error);  // a failure shows at the write
    return folder;
}

fs::path SessionStore::sampleFile(const std::string& name) const { return sampleRecipesDirectory() / name; }

// Recipes of photos with files.

std::optional<EditParameters> SessionStore::loadRecipe(const fs::path& photo) {
    if (!isPhotoPath(photo)) return std::nullopt;
    const fs::path url = recipeURL(photo);
    return loadJsonValue<EditParameters>(files_, url, kTag + "load recipe from " + url.string() + ": ");
}

bool SessionStore::hasRecipe(const fs::path& photo) { return isPhotoPath(photo) && files_.exists(recipeURL(photo)); }

void SessionStore::saveRecipe(const EditParameters& recipe, const fs::path& photo) {
    const fs::path url = recipeURL(photo);
    if (!isPhotoPath(photo)) return files_.log(kTag + "save recipe to " + url.string() + ": " + kNotAPhoto);
    saveJsonValue(files_, url, recipe, kTag + "save recipe to " + url.string() + ": ",
                  kTag + "load recipe from " + url.string() + ": ");
}

void SessionStore::deleteRecipe(const fs::path& photo) {
    if (isPhotoPath(photo)) files_.remove(recipeURL(photo));
}

// Recipes of the sample roll.

std::optional<EditParameters> SessionStore::loadSampleRecipe(const Uuid& id) {
    const fs::path url = sampleFile(id.toString() + ".json");
    return loadJsonValue<EditParameters>(files_, url, kTag + "load sample recipe from " + url.string() + ": ");
}

bool SessionStore::hasSampleRecipe(const Uuid& id) { return files_.exists(sampleFile(id.toString() + ".json")); }

void SessionStore::saveSampleRecipe(const EditParameters& recipe, const Uuid& id) {
    const fs::path url = sampleFile(id.toString() + ".json");
    saveJsonValue(files_, url, recipe, kTag + "save sample recipe to " + url.string() + ": ",
                  kTag + "load sample recipe from " + url.string() + ": ");
}

void SessionStore::deleteSampleRecipe(const Uuid& id) { files_.remove(sampleFile(id.toString() + ".json")); }

// Culling databases.

std::optional<RollCullingDatabase> SessionStore::loadCullingDatabase(const fs::path& folder) {
    return loadJsonValue<RollCullingDatabase>(files_, cullingDatabaseURL(folder),
                                              kTag + "load culling database: ");
}

void SessionStore::saveCullingDatabase(const RollCullingDatabase& database, const fs::path& folder) {
    saveJsonValue(files_, cullingDatabaseURL(folder), database, kTag + "save culling database: ",
                  kTag + "load culling database: ");
}

std::optional<RollCullingDatabase> SessionStore::loadSampleCullingDatabase() {
    return loadJsonValue<RollCullingDatabase>(files_, sampleFile("culling_metadata.json"),
                                              kTag + "load sample culling database: ");
}

void SessionStore::saveSampleCullingDatabase(const RollCullingDatabase& database) {
    saveJsonValue(files_, sampleFile("culling_metadata.json"), database, kTag + "save sample culling database: ",
                  kTag + "load sample culling database: ");
}

// Snapshot lists.

std::vector<SnapshotItem> SessionStore::loadSnapshots(const fs::path& photo) {
    if (!isPhotoPath(photo)) return {};
    return loadList(files_, snapshotsURL(photo), kTag + "load snapshots: ");
}

void SessionStore::saveSnapshots(const std::vector<SnapshotItem>& snapshots, const fs::path& photo) {
    if (!isPhotoPath(photo)) return files_.log(kTag + "save snapshots: " + kNotAPhoto);
    saveList(files_, snapshotsURL(photo), snapshots, kTag + "save snapshots: ", kTag + "load snapshots: ");
}

std::vector<SnapshotItem> SessionStore::loadSampleSnapshots(const Uuid& id) {
    return loadList(files_, sampleFile(id.toString() + "_snapshots.json"), kTag + "load sample snapshots: ");
}

void SessionStore::saveSampleSnapshots(const std::vector<SnapshotItem>& snapshots, const Uuid& id) {
    saveList(files_, sampleFile(id.toString() + "_snapshots.json"), snapshots, kTag + "save sample snapshots: ",
             kTag + "load sample snapshots: ");
}

void SessionStore::flush() { files_.flush(); }

}  // namespace vantrel
