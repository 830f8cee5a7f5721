#include "services/SessionStore.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <memory>
#include <type_traits>

#include <unistd.h>

#include "services/AppPaths.h"
#include "services/AtomicFile.h"

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

// One folder per photo, named by its whole file name: no other scan of the roll can take it.
fs::path frameFolder(const fs::path& photo) { return photo.parent_path() / ".vantrel" / "frames" / photo.filename(); }
fs::path oldRecipesFolder(const fs::path& photo) { return photo.parent_path() / ".vantrel" / "recipes"; }

// A photo path must end in a real file name, so that the files built from it
// stay inside the roll's ".vantrel" folder.
bool isPhotoPath(const fs::path& photo) { return AppPaths::isPlainFileName(photo.filename().string()); }

const std::string kNotAPhoto = "the photo location does not name a file";

// Filled in place: nlohmann's converting constructor leaks when to_json throws.
template <class T>
nlohmann::json toJson(const T& value) {
    nlohmann::json json;
    to_json(json, value);
    return json;
}

void checkRecipe(const nlohmann::json& json) { (void)json.get<EditParameters>(); }
void checkSnapshots(const nlohmann::json& json) { (void)decodeSnapshotList(json); }
void checkCulling(const nlohmann::json& json) { (void)json.get<RollCullingDatabase>(); }

// A save refused before it is queued: the caller still hears of it.
void refuse(JsonFileStore& files, const std::string& line, const JsonFileStore::Done& done) {
    files.log(line);
    if (done) done(SaveOutcome::failed);
}

// The roll a photo belongs to.
fs::path rollOf(const fs::path& photo) { return photo.parent_path(); }

const char* const kCullingName = "culling_metadata.json";
const char* const kKeptRecordName = "origin.json";
const std::string kKeptBaseTail = ".base.json";

// Beside a recipe kept aside: what the file beside the scans held when this program first
// kept its own aside (JSON null: no file), the base its homecoming merges against.
fs::path keptBaseOf(const fs::path& kept) { return kept.parent_path() / (kept.stem().string() + kKeptBaseTail); }
bool isKeptBase(const fs::path& file) { return file.filename().string().ends_with(kKeptBaseTail); }

// The recipe a base note holds (none stored reads as neutral); nothing without a readable note.
std::optional<EditParameters> readKeptBase(const fs::path& note) {
    std::string text;
    if (const std::error_code unreadable = readWholeFile(note, text)) return std::nullopt;
    try {
        const nlohmann::json json = nlohmann::json::parse(text);
        return json.is_null() ? EditParameters::defaultValue() : json.get<EditParameters>();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Any file a roll keeps: a snapshot list is an array, the culling file has its
// name, every other one is a recipe.
void checkKeptFile(const fs::path& beside, const nlohmann::json& json) {
    if (json.is_array()) checkSnapshots(json);
    else if (beside.filename() == kCullingName) checkCulling(json);
    else checkRecipe(json);
}

// How each kind of record that another program may change too is merged and stored.
template <class T>
struct RecordKind;

template <>
struct RecordKind<EditParameters> {
    static EditParameters none() { return EditParameters::defaultValue(); }  // none stored reads as neutral
    static EditParameters decode(const nlohmann::json& json) { return json.get<EditParameters>(); }
    static nlohmann::json encode(const EditParameters& recipe) { return toJson(recipe); }
    static void check(const nlohmann::json& json) { checkRecipe(json); }
    static bool same(const EditParameters& a, const EditParameters& b) { return a.sameContent(b); }
    static std::pair<EditParameters, bool> merge(const EditParameters& base, const EditParameters& ours,
                                                 const EditParameters& theirs) {
        RecipeMerge merged = mergeRecipes(base, ours, theirs);
        return {std::move(merged.recipe), merged.conflict};
    }
};

template <>
struct RecordKind<std::vector<SnapshotItem>> {
    using List = std::vector<SnapshotItem>;
    static List none() { return {}; }
    static List decode(const nlohmann::json& json) { return decodeSnapshotList(json); }
    static nlohmann::json encode(const List& list) { return encodeSnapshotList(list); }
    static void check(const nlohmann::json& json) { checkSnapshots(json); }
    static bool same(const List& a, const List& b) { return a == b; }
    static std::pair<List, bool> merge(const List& base, const List& ours, const List& theirs) {
        return {mergeSnapshotLists(base, ours, theirs), false};
    }
};

}  // namespace

SessionStore& SessionStore::shared() {
    static SessionStore store;
    return store;
}

SessionStore::SessionStore() : SessionStore(Options{}) {}

namespace {

SessionStore::Options withDefaults(SessionStore::Options options) {
    if (!options.sampleDirectory) options.sampleDirectory = [] { return AppPaths::sampleRecipesDirectory(); };
    if (!options.keptRollsDirectory) options.keptRollsDirectory = [] { return AppPaths::keptRollsDirectory(); };
    return options;
}

}  // namespace

SessionStore::SessionStore(Options options) : options_(withDefaults(std::move(options))), files_(options_.files) {}

fs::path SessionStore::recipeURL(const fs::path& photo) { return frameFolder(photo) / "recipe.json"; }

fs::path SessionStore::snapshotsURL(const fs::path& photo) { return frameFolder(photo) / "snapshots.json"; }

fs::path SessionStore::oldRecipeURL(const fs::path& photo) {
    return oldRecipesFolder(photo) / (baseName(photo) + ".json");
}

fs::path SessionStore::oldSnapshotsURL(const fs::path& photo) {
    return oldRecipesFolder(photo) / (baseName(photo) + "_snapshots.json");
}

void SessionStore::setRollScans(const fs::path& roll, const std::vector<fs::path>& scans) {
    // An older file is claimed by the scan whose recipe or snapshot list it would
    // have held; "b_snapshots.json" is claimed both by b.jpg and by b_snapshots.jpg.
    std::map<std::string, std::pair<std::string, int>> claims;
    for (const fs::path& scan : scans) {
        for (const fs::path& old : {oldRecipeURL(scan), oldSnapshotsURL(scan)}) {
            auto& [claimant, count] = claims[old.filename().string()];
            claimant = scan.filename().string();
            ++count;
        }
    }
    std::map<std::string, std::string> sole;
    for (auto& [name, claim] : claims)
        if (claim.second == 1) sole.emplace(name, std::move(claim.first));
    const std::lock_guard lock(claimsMutex_);
    soleClaims_[KeptRollFolders::rollKey(roll)] = std::move(sole);
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

// The kept folders' place is looked up on the caller's thread, like the sample folder's.
std::optional<fs::path> SessionStore::keptAsideFolder(const fs::path& roll) {
    return kept_.find(options_.keptRollsDirectory(), roll);
}

// Rolls whose folder cannot be written. The copy kept aside sits at the same
// place inside the roll's kept folder as the file does inside ".vantrel".

std::optional<fs::path> SessionStore::keptCopy(const fs::path& roll, const fs::path& beside) {
    const std::optional<fs::path> folder = keptAsideFolder(roll);
    if (!folder) return std::nullopt;
    return *folder / beside.lexically_relative(roll / ".vantrel");
}

fs::path SessionStore::newestCopy(const fs::path& roll, const fs::path& beside) {
    const bool besideExists = files_.exists(beside);  // also waits for the queued saves of this file
    const std::optional<fs::path> kept = keptCopy(roll, beside);
    if (!kept) return beside;
    std::error_code error;
    const auto keptTime = fs::last_write_time(*kept, error);
    if (error) return beside;
    if (!besideExists) return *kept;
    const auto besideTime = fs::last_write_time(beside, error);
    return error || keptTime >= besideTime ? *kept : beside;
}

std::optional<fs::path> SessionStore::claimedOldFile(const fs::path& photo, const fs::path& old) {
    const std::lock_guard lock(claimsMutex_);
    const auto roll = soleClaims_.find(KeptRollFolders::rollKey(rollOf(photo)));
    if (roll == soleClaims_.end()) return std::nullopt;
    const auto claim = roll->second.find(old.filename().string());
    if (claim == roll->second.end() || claim->second != photo.filename().string()) return std::nullopt;
    return old;
}

std::optional<fs::path> SessionStore::storedFile(const fs::path& photo, const fs::path& own, const fs::path& old) {
    const fs::path roll = rollOf(photo);
    for (const std::optional<fs::path>& file : {std::optional<fs::path>(own), claimedOldFile(photo, old)}) {
        if (!file) continue;
        const fs::path newest = newestCopy(roll, *file);
        if (files_.exists(newest)) return newest;
    }
    return std::nullopt;
}

std::vector<fs::path> SessionStore::oldCopies(const fs::path& photo, const fs::path& old) {
    std::vector<fs::path> copies;
    if (!claimedOldFile(photo, old)) return copies;
    copies.push_back(old);
    if (const std::optional<fs::path> kept = keptCopy(rollOf(photo), old)) copies.push_back(*kept);
    return copies;
}

JsonFileStore::SecondPlace SessionStore::keptAside(const fs::path& roll, const fs::path& beside) {
    const fs::path relative = beside.lexically_relative(roll / ".vantrel");
    return [kept = &kept_, base = options_.keptRollsDirectory(), roll, relative](
               bool make, std::error_code& error) -> std::optional<fs::path> {
        const std::optional<fs::path> folder = make ? kept->make(base, roll, error) : kept->find(base, roll);
        if (!folder) return std::nullopt;
        return *folder / relative;
    };
}

// Recipes and snapshot lists, merged with what the file holds when they are written.

std::optional<EditParameters> SessionStore::readRecipe(const fs::path& file, const std::optional<fs::path>& stored,
                                                       const std::string& loadFailure) {
    std::optional<EditParameters> recipe;
    if (stored) recipe = loadJsonValue<EditParameters>(files_, *stored, loadFailure);
    knownRecipes_.set(file, recipe);
    return recipe;
}

std::vector<SnapshotItem> SessionStore::readSnapshots(const fs::path& file, const std::optional<fs::path>& stored,
                                                      const std::string& loadFailure) {
    std::vector<SnapshotItem> list;
    if (stored) files_.load(*stored, loadFailure, [&list](const nlohmann::json& json) { list = decodeSnapshotList(json); });
    knownSnapshots_.set(file, list);
    return list;
}

template <class T>
void SessionStore::writeMerged(const T& value, const fs::path& file, StoredFile stored, Known<T>& known,
                               std::string saveFailure, std::string loadFailure, JsonFileStore::SecondPlace secondPlace,
                               Done done, std::vector<fs::path> supersedes) {
    using Kind = RecordKind<T>;
    // What the file holds once written, when it took in another program's changes.
    auto takenIn = std::make_shared<std::optional<T>>();
    // Runs on the worker: the store outlives it (files_ stops its worker first).
    JsonFileStore::Encoder encode = [this, value, file, stored = std::move(stored), &known,
                                     takenIn]() -> JsonFileStore::Encoded {
        const std::optional<fs::path> current = stored();
        std::optional<T> theirs;
        nlohmann::json raw;
        const bool read = current && files_.loadQuietly(*current, [&](const nlohmann::json& json) {
            theirs = Kind::decode(json);
            raw = json;
        });
        // Nothing to merge with in a file that cannot be read: it is kept aside as it is replaced.
        if (current && !read && files_.exists(*current)) return Kind::encode(value);
        if (!theirs) theirs = Kind::none();  // none stored
        const auto [merged, conflict] = Kind::merge(known.get(file).value_or(Kind::none()), value, *theirs);
        JsonFileStore::Encoded encoded = Kind::encode(merged);
        if (conflict) encoded.conflict = raw;
        encoded.unchanged = current == file && Kind::same(merged, *theirs);
        if (!Kind::same(merged, value)) *takenIn = merged;
        return encoded;
    };
    // The base of the next merge is this program's own value, not the merged one:
    // a field the other program changed is taken in again until this one changes it.
    Done remember = [&known, file, value, takenIn, done = std::move(done)](const SaveResult& result) {
        if (result.outcome == SaveOutcome::failed) {
            if (done) done(result);
            return;
        }
        known.set(file, value);
        SaveResult told = result;
        if constexpr (std::is_same_v<T, EditParameters>) told.merged = *takenIn;
        if (done) done(told);
    };
    files_.save({file, std::move(encode), Kind::check, std::move(saveFailure), std::move(loadFailure),
                 std::move(secondPlace), std::move(remember), std::move(supersedes)});
}

// Recipes of photos with files.

std::optional<EditParameters> SessionStore::loadRecipe(const fs::path& photo) {
    if (!isPhotoPath(photo)) return std::nullopt;
    const std::optional<fs::path> url = storedFile(photo, recipeURL(photo), oldRecipeURL(photo));
    return readRecipe(recipeURL(photo), url, kTag + "load recipe from " + (url ? url->string() : "") + ": ");
}

bool SessionStore::hasRecipe(const fs::path& photo) {
    return isPhotoPath(photo) && storedFile(photo, recipeURL(photo), oldRecipeURL(photo));
}

void SessionStore::saveRecipe(const EditParameters& recipe, const fs::path& photo, Done done) {
    const fs::path url = recipeURL(photo);
    if (!isPhotoPath(photo)) return refuse(files_, kTag + "save recipe to " + url.string() + ": " + kNotAPhoto, done);
    // A copy kept aside before this save may stem from a version that wrote no note: what stands
    // beside the scans now may be another program's since, and is no base of ours.
    const std::optional<fs::path> kept = keptCopy(rollOf(photo), url);
    std::error_code error;
    const bool keptAfresh = !kept || !fs::exists(*kept, error);
    Done noted = [this, roll = rollOf(photo), url, keptAfresh, done = std::move(done)](const SaveResult& result) {
        noteKeptBase(roll, url, result.outcome, keptAfresh);
        if (done) done(result);
    };
    writeMerged(recipe, url, [this, photo] { return storedFile(photo, recipeURL(photo), oldRecipeURL(photo)); },
                knownRecipes_, kTag + "save recipe to " + url.string() + ": ",
                kTag + "load recipe from " + url.string() + ": ", keptAside(rollOf(photo), url), std::move(noted),
                oldCopies(photo, oldRecipeURL(photo)));
}

void SessionStore::noteKeptBase(const fs::path& roll, const fs::path& beside, SaveOutcome outcome, bool keptAfresh) {
    const std::optional<fs::path> kept = keptCopy(roll, beside);
    if (!kept) return;
    const fs::path note = keptBaseOf(*kept);
    std::error_code error;
    // Written beside the scans, the save retired the copy kept aside.
    if (outcome == SaveOutcome::written) fs::remove(note, error);
    if (outcome != SaveOutcome::keptAside || !keptAfresh || fs::exists(note, error)) return;
    // The base is what stands beside the scans (JSON null: nothing); where that
    // cannot be told, no note is written and the homecoming merges as before.
    std::string bytes = "null";
    const bool there = fs::exists(beside, error);
    if (error) return;
    if (there) {
        if (const std::error_code unreadable = readWholeFile(beside, bytes)) return;
    }
    (void)writeFileAtomically(note, bytes);
}

std::optional<FailureCause> SessionStore::writeRefusal(const fs::path& roll) const {
    std::error_code error;
    const fs::path own = roll / ".vantrel";
    const fs::path probe = fs::is_directory(own, error) ? own : roll;
    if (::access(probe.c_str(), W_OK) == 0) return std::nullopt;
    const int cause = errno;
    if (cause != EROFS && cause != EACCES && cause != EPERM) return std::nullopt;  // told by the first save, if at all
    return failureCauseOf(cause, FileAccess::writing);
}

void SessionStore::deleteRecipe(const fs::path& photo) {
    if (!isPhotoPath(photo)) return;
    const fs::path url = recipeURL(photo);
    std::vector<fs::path> others = oldCopies(photo, oldRecipeURL(photo));
    if (const std::optional<fs::path> kept = keptCopy(rollOf(photo), url)) others.push_back(*kept);
    files_.remove(url, std::move(others));
}

// Recipes of the sample roll.

std::optional<EditParameters> SessionStore::loadSampleRecipe(const Uuid& id) {
    const fs::path url = sampleFile(id.toString() + ".json");
    return readRecipe(url, url, kTag + "load sample recipe from " + url.string() + ": ");
}

bool SessionStore::hasSampleRecipe(const Uuid& id) { return files_.exists(sampleFile(id.toString() + ".json")); }

void SessionStore::saveSampleRecipe(const EditParameters& recipe, const Uuid& id, Done done) {
    const fs::path url = sampleFile(id.toString() + ".json");
    writeMerged(recipe, url, [url] { return std::optional<fs::path>(url); }, knownRecipes_,
                kTag + "save sample recipe to " + url.string() + ": ",
                kTag + "load sample recipe from " + url.string() + ": ", {}, std::move(done));
}

void SessionStore::deleteSampleRecipe(const Uuid& id) { files_.remove(sampleFile(id.toString() + ".json")); }

// Culling databases.

// Culling databases: one file for the whole roll, which another program may
// write too, so each save merges into what is stored at the moment it writes.

JsonFileStore::Encoder SessionStore::mergedCulling(const RollCullingDatabase& changes,
                                                   std::function<fs::path()> file, std::string loadFailure) {
    // Runs on the worker: the store outlives it (files_ stops its worker first).
    return [this, changes, file = std::move(file), loadFailure = std::move(loadFailure)] {
        RollCullingDatabase merged =
            loadJsonValue<RollCullingDatabase>(files_, file(), loadFailure).value_or(RollCullingDatabase{});
        merged.merge(changes);
        return toJson(merged);
    };
}

std::optional<RollCullingDatabase> SessionStore::loadCullingDatabase(const fs::path& folder) {
    return loadJsonValue<RollCullingDatabase>(files_, newestCopy(folder, cullingDatabaseURL(folder)),
                                              kTag + "load culling database: ");
}

void SessionStore::saveCullingDatabase(const RollCullingDatabase& database, const fs::path& folder, Done done) {
    const fs::path url = cullingDatabaseURL(folder);
    const std::string loadFailure = kTag + "load culling database: ";
    files_.save({url, mergedCulling(database, [this, folder, url] { return newestCopy(folder, url); }, loadFailure),
                 checkCulling, kTag + "save culling database: ", loadFailure, keptAside(folder, url),
                 std::move(done)});
}

std::optional<RollCullingDatabase> SessionStore::loadSampleCullingDatabase() {
    return loadJsonValue<RollCullingDatabase>(files_, sampleFile("culling_metadata.json"),
                                              kTag + "load sample culling database: ");
}

void SessionStore::saveSampleCullingDatabase(const RollCullingDatabase& database, Done done) {
    const fs::path url = sampleFile("culling_metadata.json");
    const std::string loadFailure = kTag + "load sample culling database: ";
    files_.save({url, mergedCulling(database, [url] { return url; }, loadFailure), checkCulling,
                 kTag + "save sample culling database: ", loadFailure, {}, std::move(done)});
}

// Snapshot lists.

std::vector<SnapshotItem> SessionStore::loadSnapshots(const fs::path& photo) {
    if (!isPhotoPath(photo)) return {};
    return readSnapshots(snapshotsURL(photo), storedFile(photo, snapshotsURL(photo), oldSnapshotsURL(photo)),
                         kTag + "load snapshots: ");
}

void SessionStore::saveSnapshots(const std::vector<SnapshotItem>& snapshots, const fs::path& photo, Done done) {
    if (!isPhotoPath(photo)) return refuse(files_, kTag + "save snapshots: " + kNotAPhoto, done);
    const fs::path url = snapshotsURL(photo);
    writeMerged(snapshots, url,
                [this, photo] { return storedFile(photo, snapshotsURL(photo), oldSnapshotsURL(photo)); },
                knownSnapshots_, kTag + "save snapshots: ", kTag + "load snapshots: ", keptAside(rollOf(photo), url),
                std::move(done), oldCopies(photo, oldSnapshotsURL(photo)));
}

std::vector<SnapshotItem> SessionStore::loadSampleSnapshots(const Uuid& id) {
    const fs::path url = sampleFile(id.toString() + "_snapshots.json");
    return readSnapshots(url, url, kTag + "load sample snapshots: ");
}

void SessionStore::saveSampleSnapshots(const std::vector<SnapshotItem>& snapshots, const Uuid& id, Done done) {
    const fs::path url = sampleFile(id.toString() + "_snapshots.json");
    writeMerged(snapshots, url, [url] { return std::optional<fs::path>(url); }, knownSnapshots_,
                kTag + "save sample snapshots: ", kTag + "load sample snapshots: ", {}, std::move(done));
}

// Files kept aside coming home.

JsonFileStore::Encoder SessionStore::homecoming(const fs::path& kept, const fs::path& beside) {
    // Runs on the worker: the store outlives it (files_ stops its worker first).
    return [this, kept, beside]() -> JsonFileStore::Encoded {
        const auto read = [&](const fs::path& file) {
            std::optional<nlohmann::json> json;
            files_.loadQuietly(file, [&](const nlohmann::json& value) {
                checkKeptFile(beside, value);
                json = value;
            });
            return json;
        };
        const std::optional<nlohmann::json> ours = read(kept);
        if (!ours) throw std::runtime_error("the copy kept aside cannot be read");
        const std::optional<nlohmann::json> there = read(beside);
        if (!there) return *ours;  // none, or unreadable: kept aside as it is replaced
        if (ours->is_array())
            return encodeSnapshotList(mergeSnapshotLists({}, decodeSnapshotList(*ours), decodeSnapshotList(*there)));
        if (beside.filename() == kCullingName) {
            RollCullingDatabase merged = there->get<RollCullingDatabase>();
            merged.merge(ours->get<RollCullingDatabase>());
            return toJson(merged);
        }
        const EditParameters mine = ours->get<EditParameters>(), theirs = there->get<EditParameters>();
        const std::optional<EditParameters> base = readKeptBase(keptBaseOf(kept));
        // Still what stood there when this program kept its own aside: its own history, no conflict.
        if (base && base->sameContent(theirs)) return *ours;
        std::error_code besideError, keptError;
        const auto besideTime = fs::last_write_time(beside, besideError);
        const auto keptTime = fs::last_write_time(kept, keptError);
        const bool keptIsNewer = besideError || keptError || besideTime <= keptTime;
        // Changed there since: what only one side changed stays, and where both changed a field
        // the newer stands (without a base, the newer whole); the older stays beside it.
        JsonFileStore::Encoded encoded = keptIsNewer ? *ours : *there;
        bool conflict = !theirs.sameContent(mine);
        if (base) {
            const RecipeMerge merge =
                keptIsNewer ? mergeRecipes(*base, mine, theirs) : mergeRecipes(*base, theirs, mine);
            encoded = toJson(merge.recipe);
            conflict = merge.conflict;
        }
        encoded.unchanged = theirs.sameContent(encoded.value.get<EditParameters>());
        if (conflict) {
            encoded.conflict = keptIsNewer ? *there : *ours;
            encoded.conflictIsOurs = !keptIsNewer;
        }
        return encoded;
    };
}

std::optional<fs::path> SessionStore::scanOf(const fs::path& roll, const fs::path& relative) {
    auto part = relative.begin();
    if (part == relative.end()) return std::nullopt;
    const fs::path folder = *part;
    if (++part == relative.end()) return std::nullopt;  // the roll's culling records
    if (folder == "frames") return roll / *part;
    // The older layout names its files by the scan that alone claims them.
    const std::lock_guard lock(claimsMutex_);
    const auto claims = soleClaims_.find(KeptRollFolders::rollKey(roll));
    if (claims == soleClaims_.end()) return std::nullopt;
    const auto claim = claims->second.find(part->string());
    if (claim == claims->second.end()) return std::nullopt;
    return roll / claim->second;
}

bool SessionStore::hasKeptFiles(const fs::path& roll) {
    const std::optional<fs::path> folder = keptAsideFolder(roll);
    // The homecoming's last step is queued under the kept folder's path: this waits for it.
    return folder && files_.exists(*folder);
}

void SessionStore::bringKeptFilesHome(const fs::path& roll, HomeTold told) {
    const std::optional<fs::path> folder = keptAsideFolder(roll);
    if (!folder) return;
    std::vector<fs::path> copies, notes;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(*folder, error)) {
        std::error_code status;
        const fs::path relative = entry.path().lexically_relative(*folder);
        if (!entry.is_regular_file(status) || relative == kKeptRecordName) continue;
        if (isKeptBase(relative)) {
            notes.push_back(entry.path());
            continue;
        }
        const std::string name = relative.filename().string();
        // Copies kept of unreadable or overridden files are no records: moved as they are, below.
        if (name.find(".corrupt-") != std::string::npos || name.find(".conflict-") != std::string::npos) {
            copies.push_back(relative);
            continue;
        }
        const fs::path beside = roll / ".vantrel" / relative;
        Done home;
        if (told) home = [told, scan = scanOf(roll, relative)](const SaveResult& result) { told(scan, result); };
        files_.save({beside, homecoming(entry.path(), beside),
                     [beside](const nlohmann::json& json) { checkKeptFile(beside, json); },
                     kTag + "bring back " + entry.path().string() + ": ", kTag + "load " + beside.string() + ": ",
                     {}, std::move(home), {entry.path()}, false});
    }
    files_.perform(*folder, [this, base = options_.keptRollsDirectory(), folder = *folder, roll,
                             copies = std::move(copies), notes = std::move(notes)] {
        // A note goes once the recipe it was kept beside has come home.
        for (const fs::path& note : notes) {
            const std::string name = note.filename().string();
            std::error_code missing;
            if (!fs::exists(note.parent_path() / (name.substr(0, name.size() - kKeptBaseTail.size()) + ".json"), missing))
                fs::remove(note, missing);
        }
        for (const fs::path& relative : copies) {
            const fs::path beside = roll / ".vantrel" / relative;
            std::string bytes;
            std::error_code unknown;
            // Never over a file of that name, nor where it cannot be told whether there is one.
            if (fs::exists(beside, unknown) || unknown) continue;
            if (const std::error_code unreadable = readWholeFile(folder / relative, bytes)) continue;
            fs::create_directories(beside.parent_path(), unknown);
            if (const std::error_code failed = writeFileAtomically(beside, bytes); !failed)
                fs::remove(folder / relative, unknown);
        }
        kept_.removeIfEmpty(base, roll);
    });
}

void SessionStore::flush() { files_.flush(); }

}  // namespace vantrel
