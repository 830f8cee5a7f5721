// The ordered, atomic JSON file keeping underneath the session store,
// exercised with plain JSON values.
#include "services/AtomicFile.h"
#include "services/JsonFileStore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::StartsWith;

// Collects failure lines, and holds every write until `writesGo` is ready (when
// set), so that queued work is still pending when the test reads.
struct Harness {
    QTemporaryDir dir;
    fs::path folder{dir.path().toStdString()};
    std::mutex mutex;
    std::vector<std::string> lines;
    std::atomic<int> writes{0};
    std::shared_future<void> writesGo;
    std::function<std::error_code(const fs::path&, std::string_view)> writer = writeFileAtomically;

    JsonFileStore::Options options() {
        return {[this](const std::string& line) {
                    const std::lock_guard lock(mutex);
                    lines.push_back(line);
                },
                [this](const fs::path& path, std::string_view bytes) {
                    if (writesGo.valid()) writesGo.wait();
                    ++writes;
                    return writer(path, bytes);
                }};
    }
    std::vector<std::string> loggedLines() {
        const std::lock_guard lock(mutex);
        return lines;
    }
};

std::optional<json> loadPlain(JsonFileStore& store, const fs::path& path, const std::string& failure = "load: ") {
    std::optional<json> value;
    store.load(path, failure, [&](const json& j) {
        if (!j.is_object() || !j.contains("v")) throw std::runtime_error("no v");
        value = j;
    });
    return value;
}

void savePlain(JsonFileStore& store, const fs::path& path, json value) {
    store.save({path, [value] { return value; },
                [](const json& j) {
                    if (!j.is_object() || !j.contains("v")) throw std::runtime_error("no v");
                },
                "save failed " + path.filename().string() + ": ", "load failed: "});
}

std::string readText(const fs::path& path) {
    std::string text;
    EXPECT_FALSE(readWholeFile(path, text));
    return text;
}

std::vector<fs::path> corruptCopies(const fs::path& folder) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find(".corrupt-") != std::string::npos) found.push_back(entry.path());
    return found;
}

TEST(SessionStoreQueue, WritesInOrderSortedAndPrettyCreatingFolders) {
    Harness h;
    JsonFileStore store(h.options());
    const fs::path file = h.folder / ".vantrel" / "recipes" / "N02.json";

    EXPECT_EQ(loadPlain(store, file), std::nullopt);  // never saved: nothing, and silent
    for (int i = 0; i < 20; ++i) savePlain(store, file, json{{"v", i}, {"b", "x"}, {"a", 1}});
    store.flush();
    EXPECT_EQ(readText(file), "{\n  \"a\": 1,\n  \"b\": \"x\",\n  \"v\": 19\n}\n");
    EXPECT_EQ(h.writes.load(), 20);
    EXPECT_TRUE(h.loggedLines().empty());
    store.flush();  // nothing queued: returns at once
}

TEST(SessionStoreQueue, ReadsAfterQueuedWritesSeeThem) {
    Harness h;
    JsonFileStore store(h.options());
    const fs::path a = h.folder / "A_snapshots.json";
    const fs::path b = h.folder / "B_snapshots.json";

    savePlain(store, a, json{{"v", "old A"}});
    store.flush();

    // Switching A -> B -> A quickly: A's save is still queued when A is read again.
    std::promise<void> go;
    h.writesGo = go.get_future().share();
    savePlain(store, a, json{{"v", "new A"}});
    EXPECT_EQ(loadPlain(store, b), std::nullopt);
    savePlain(store, b, json{{"v", "B"}});
    go.set_value();
    EXPECT_EQ(loadPlain(store, a), json({{"v", "new A"}}));
    EXPECT_TRUE(store.exists(b));

    store.remove(a);
    EXPECT_FALSE(store.exists(a));
    EXPECT_EQ(loadPlain(store, a), std::nullopt);
    EXPECT_TRUE(h.loggedLines().empty());
}

TEST(SessionStoreQueue, FlushAndDestructionDrainTheQueue) {
    Harness h;
    {
        JsonFileStore store(h.options());
        for (int i = 0; i < 5; ++i) savePlain(store, h.folder / (std::to_string(i) + ".json"), json{{"v", i}});
        store.flush();
        EXPECT_EQ(h.writes.load(), 5);
        for (int i = 0; i < 5; ++i) EXPECT_TRUE(fs::exists(h.folder / (std::to_string(i) + ".json")));

        std::promise<void> go;
        h.writesGo = go.get_future().share();
        for (int i = 5; i < 10; ++i) savePlain(store, h.folder / (std::to_string(i) + ".json"), json{{"v", i}});
        EXPECT_EQ(h.writes.load(), 5);
        go.set_value();  // the store goes with these writes still queued
    }
    EXPECT_EQ(h.writes.load(), 10);
    EXPECT_EQ(readText(h.folder / "9.json"), "{\n  \"v\": 9\n}\n");
}

TEST(SessionStoreQueue, FailuresPrintOneLineAndKeepTheOldFile) {
    Harness h;
    JsonFileStore store(h.options());

    // A folder that cannot be made: its would-be parent is a regular file.
    std::ofstream(h.folder / "roll").put('x');
    savePlain(store, h.folder / "roll" / ".vantrel" / "recipes" / "N01.json", json{{"v", 1}});
    store.flush();
    EXPECT_THAT(h.loggedLines(), ElementsAre("save failed N01.json: Not a directory"));

    // A write that fails half-way leaves the previous file as it was.
    const fs::path file = h.folder / "N03.json";
    savePlain(store, file, json{{"v", "kept"}});
    store.flush();
    h.writer = [](const fs::path&, std::string_view) { return std::make_error_code(std::errc::io_error); };
    savePlain(store, file, json{{"v", "lost"}});
    store.flush();
    EXPECT_EQ(h.loggedLines().back(), "save failed N03.json: Input/output error");
    EXPECT_EQ(readText(file), "{\n  \"v\": \"kept\"\n}\n");

    // A value with a NaN is refused whole: nothing written, the old file stays.
    h.writer = writeFileAtomically;
    savePlain(store, file, json{{"v", {{"exposure", std::nan("")}}}});
    store.flush();
    EXPECT_THAT(h.loggedLines().back(), StartsWith("save failed N03.json: "));
    EXPECT_THAT(h.loggedLines().back(), HasSubstr("v.exposure"));
    EXPECT_EQ(readText(file), "{\n  \"v\": \"kept\"\n}\n");
    EXPECT_EQ(h.loggedLines().size(), 3u);
}

TEST(SessionStoreQueue, UnreadableFileIsKeptAsideOnceBeforeTheNextSave) {
    Harness h;
    const fs::path loaded = h.folder / "N04.json";
    const fs::path unseen = h.folder / "N05.json";
    std::ofstream(loaded) << "{\"v\": 1,";      // cut short
    std::ofstream(unseen) << "{\"other\": true}";  // valid JSON, not acceptable content
    {
        JsonFileStore store(h.options());
        EXPECT_EQ(loadPlain(store, loaded, "load failed: "), std::nullopt);
        ASSERT_EQ(h.loggedLines().size(), 1u);
        EXPECT_THAT(h.loggedLines()[0], StartsWith("load failed: "));
        EXPECT_TRUE(fs::exists(loaded));  // a failed read never removes anything

        savePlain(store, loaded, json{{"v", 2}});
        savePlain(store, loaded, json{{"v", 3}});
        // Saved without being read first: checked and kept aside all the same, reported once.
        savePlain(store, unseen, json{{"v", 4}});
        store.flush();
    }
    const auto copies = corruptCopies(h.folder);
    ASSERT_EQ(copies.size(), 2u);
    std::vector<std::string> contents{readText(copies[0]), readText(copies[1])};
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string>{"{\"other\": true}", "{\"v\": 1,"}));
    EXPECT_EQ(readText(loaded), "{\n  \"v\": 3\n}\n");
    EXPECT_EQ(readText(unseen), "{\n  \"v\": 4\n}\n");
    EXPECT_EQ(h.loggedLines().size(), 2u);
    EXPECT_EQ(h.loggedLines()[1], "load failed: no v");

    // A later run that finds a valid file replaces it without keeping a copy.
    JsonFileStore again(h.options());
    savePlain(again, loaded, json{{"v", 5}});
    again.flush();
    EXPECT_EQ(corruptCopies(h.folder).size(), 2u);

    // A quiet read of a file that cannot be read tells nothing: the save that keeps it aside does.
    const fs::path quiet = h.folder / "N06.json";
    std::ofstream(quiet) << "[6]";
    EXPECT_FALSE(again.loadQuietly(quiet, [](const json& j) { (void)j.at("v"); }));
    savePlain(again, quiet, json{{"v", 7}});
    again.flush();
    EXPECT_EQ(corruptCopies(h.folder).size(), 3u);
    ASSERT_EQ(h.loggedLines().size(), 3u);
    EXPECT_EQ(h.loggedLines()[2], "load failed: no v");
}

}  // namespace
}  // namespace vantrel
