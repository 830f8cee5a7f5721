// Every committed fuzz input of the roll-file readers goes through its driver again: each one
// is read or refused with JsonDecodeError, and what is read survives being saved and read back.
#include <gtest/gtest.h>

#include <functional>

#include "fuzz/CorpusFiles.h"
#include "fuzz/RecordReaders.h"

using namespace vantrel;
using namespace vantrel::fuzz;

TEST(FuzzCorpusReplay, RecipesSnapshotListsAndCullingDatabases) {
    const std::pair<const char*, std::function<bool(std::string_view)>> targets[] = {
        {"recipe", readRecipe}, {"snapshots", readSnapshotList}, {"culling", readCullingDatabase}};
    for (const auto& [target, read] : targets) {
        const auto files = corpusFiles(target);
        ASSERT_FALSE(files.empty()) << target;
        int accepted = 0;
        for (const auto& file : files) {
            bool ok = false;
            EXPECT_NO_THROW(ok = read(fileBytes(file))) << file;
            accepted += ok;
        }
        // The seeds are the project's own fixtures: a reader refusing them all is broken.
        EXPECT_GT(accepted, 0) << target;
    }
}

TEST(FuzzFindings, NumberBeyondDoubleIsMalformedJson) {
    const std::string text = fileBytes(corpusFolder("snapshots") / "number_overflow.json");
    ASSERT_FALSE(text.empty());
    EXPECT_THROW(decodeSnapshotList(parseJson(text)), JsonDecodeError);
}

TEST(FuzzFindings, SnapshotDatedBeyondAnyCalendarShowsNoDate) {
    const auto list = decodeSnapshotList(parseJson(fileBytes(corpusFolder("snapshots") / "date_beyond_time_t.json")));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_GT(list[0].createdAt.secondsSince2001, 1e128);
    EXPECT_EQ(list[0].formattedDate(), "");
}
