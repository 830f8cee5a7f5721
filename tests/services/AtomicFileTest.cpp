#include "services/AtomicFile.h"
#include "services/AppPaths.h"
#include "services/JsonText.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <csignal>
#include <filesystem>
#include <fstream>

#include <sys/resource.h>
#include <sys/stat.h>

namespace vantrel {
namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& path) {
    std::string text;
    EXPECT_FALSE(readWholeFile(path, text)) << path;
    return text;
}

std::vector<std::string> folderNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Caps the size of any file this process writes, so a write fails half-way
// as it would on a full disk (root is not exempt from this limit).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST(AtomicFile, WritesReplacesAndKeepsPermissions) {
    QTemporaryDir dir;
    const fs::path target = fs::path(dir.path().toStdString()) / "recipe.json";

    ASSERT_FALSE(writeFileAtomically(target, "first"));
    EXPECT_EQ(readText(target), "first");
    ::chmod(target.c_str(), 0640);

    ASSERT_FALSE(writeFileAtomically(target, "second, longer content"));
    EXPECT_EQ(readText(target), "second, longer content");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(folderNames(target.parent_path()), std::vector<std::string>{"recipe.json"});

    // A name near the folder's limit (an exported recipe file the user named).
    const std::string longName = std::string(240, 'r') + ".vantrelrecipe";
    ASSERT_FALSE(writeFileAtomically(target.parent_path() / longName, "long"));
    EXPECT_EQ(readText(target.parent_path() / longName), "long");

    // No folder: an error, and nothing is created.
    const fs::path orphan = target.parent_path() / "missing" / "x.json";
    EXPECT_TRUE(writeFileAtomically(orphan, "x"));
    EXPECT_FALSE(fs::exists(orphan.parent_path()));
}

TEST(AtomicFile, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    QTemporaryDir dir;
    const fs::path target = fs::path(dir.path().toStdString()) / "recipe.json";
    ASSERT_FALSE(writeFileAtomically(target, "old content"));

    std::error_code error;
    {
        const FileSizeLimit limit(64);
        error = writeFileAtomically(target, std::string(4096, 'x'));
    }
    EXPECT_EQ(error, std::make_error_code(std::errc::file_too_large));
    EXPECT_EQ(readText(target), "old content");
    EXPECT_EQ(folderNames(target.parent_path()), std::vector<std::string>{"recipe.json"});
}

TEST(AtomicFile, KeepsUnreadableFilesAsideUnderDistinctNames) {
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    const fs::path target = folder / "N02_snapshots.json";

    ASSERT_FALSE(writeFileAtomically(target, "{broken"));
    fs::path first;
    ASSERT_FALSE(keepFileAside(target, first));
    EXPECT_FALSE(fs::exists(target));
    // N02_snapshots.corrupt-YYYYMMDDTHHMMSSZ.json
    const std::string name = first.filename().string();
    const std::string prefix = "N02_snapshots.corrupt-";
    ASSERT_EQ(name.size(), prefix.size() + 16 + 5) << name;
    EXPECT_EQ(name.substr(0, prefix.size()), prefix);
    const std::string stamp = name.substr(prefix.size(), 16);
    EXPECT_EQ(stamp[8], 'T');
    EXPECT_EQ(stamp[15], 'Z');
    EXPECT_EQ(name.substr(name.size() - 5), ".json");
    EXPECT_EQ(readText(first), "{broken");

    ASSERT_FALSE(writeFileAtomically(target, "[oops"));
    fs::path second;
    ASSERT_FALSE(keepFileAside(target, second));
    EXPECT_NE(first, second);
    EXPECT_EQ(readText(first), "{broken");
    EXPECT_EQ(readText(second), "[oops");

    fs::path none;
    EXPECT_TRUE(keepFileAside(folder / "absent.json", none));
    std::string text;
    EXPECT_EQ(readWholeFile(folder / "absent.json", text), std::make_error_code(std::errc::no_such_file_or_directory));
}

TEST(AtomicFile, PrettyJsonSortsKeysAndRefusesNonFiniteNumbers) {
    const nlohmann::json value = {{"zeta", 1}, {"alpha", {{"b", 2.5}, {"a", true}}}};
    EXPECT_EQ(prettyJson(value), "{\n  \"alpha\": {\n    \"a\": true,\n    \"b\": 2.5\n  },\n  \"zeta\": 1\n}\n");

    nlohmann::json recipe = {{"parameters", {{"exposure", std::numeric_limits<double>::quiet_NaN()}}}};
    EXPECT_EQ(findNonFiniteNumber(recipe), "parameters.exposure");
    EXPECT_THROW(prettyJson(recipe), std::invalid_argument);
    nlohmann::json list = nlohmann::json::array({1.0, {{"records", {0.5, -std::numeric_limits<double>::infinity()}}}});
    EXPECT_EQ(findNonFiniteNumber(list), "[1].records[1]");
    EXPECT_EQ(findNonFiniteNumber(value), std::nullopt);

    // Invalid UTF-8 in user text is replaced, never thrown.
    EXPECT_NO_THROW(prettyJson(nlohmann::json{{"name", std::string("Look \xff")}}));
}

TEST(AtomicFile, PathChecksKeepNamesInsideTheirFolder) {
    using AppPaths::isInsideFolder;
    using AppPaths::isPlainFileName;
    EXPECT_TRUE(isPlainFileName("N02"));
    EXPECT_TRUE(isPlainFileName(".hidden"));
    for (const char* bad : {"", ".", "..", "../x", "a/b", "/etc/passwd"}) EXPECT_FALSE(isPlainFileName(bad)) << bad;
    EXPECT_FALSE(isPlainFileName(std::string_view("a\0b", 3)));

    EXPECT_TRUE(isInsideFolder("/data/CustomPresets", "/data/CustomPresets/x.json"));
    EXPECT_TRUE(isInsideFolder("/data/CustomPresets/", "/data/CustomPresets/./x.json"));
    EXPECT_FALSE(isInsideFolder("/data/CustomPresets", "/data/CustomPresets/../x.json"));
    EXPECT_FALSE(isInsideFolder("/data/CustomPresets", "/data/CustomPresets"));
    EXPECT_FALSE(isInsideFolder("/data/CustomPresets", "/data/CustomPresetsEvil/x.json"));
}

TEST(AtomicFile, DataFolderFollowsTheStandardLocationWithTemporaryFallback) {
    QTemporaryDir home;
    ::setenv("XDG_DATA_HOME", home.path().toUtf8().constData(), 1);
    const fs::path expected = fs::path(home.path().toStdString()) / "VantrelEditor";
    EXPECT_EQ(AppPaths::applicationDataDirectory(), expected);
    EXPECT_EQ(AppPaths::sampleRecipesDirectory(), expected / "sample_recipes");
    EXPECT_EQ(AppPaths::customPresetsDirectory(), expected / "CustomPresets");
    EXPECT_EQ(AppPaths::applicationDataDirectoryFrom({}), fs::temp_directory_path() / "VantrelEditor");
}

}  // namespace
}  // namespace vantrel
