#include "model/EditParameters.h"
#include "services/AppLanguage.h"
#include "services/StringTable.h"
#include "services/TextFormatter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {
namespace {

const std::string kHeader = "key\ten\tzh-Hans\tzh-Hant\tja\tde\tfr\tes\n";

bool mentions(const std::vector<std::string>& problems, const std::string& fragment) {
    for (const auto& p : problems) {
        if (p.find(fragment) != std::string::npos) return true;
    }
    return false;
}

template <class Record>
void addLabels(std::vector<std::string_view>& labels, const auto& rows) {
    for (const ScalarParameter<Record>& row : rows)
        if (*row.label) labels.emplace_back(row.label);
}

template <class... Records>
std::vector<std::string_view> labelsOf() {
    std::vector<std::string_view> labels;
    (
        [&] {
            addLabels<Records>(labels, ParameterTable<Records>::rows);
            if constexpr (requires { ParameterTable<Records>::shapeRows; })
                addLabels<Records>(labels, ParameterTable<Records>::shapeRows);
        }(),
        ...);
    return labels;
}

// The slider titles of every record with parameter rows.
std::vector<std::string_view> rowLabels() {
    return labelsOf<EditParameters, CropParameters, LinearMask, RadialMask, SubjectAdjustment, BackgroundAdjustment,
                    HalationParameters, FilmGrainParameters, LightLeakParameters, DustAndScratchesParameters,
                    UltraHDRParameters, NegativeLabParameters, FilmFrameParameters>();
}

TEST(LocalizationTable, CheckCatchesIncompleteOrInconsistentRows) {
    const std::string good = "ok.row\tFrom %@ to %d\t从 %@ 到 %d\t從 %@ 到 %d\t%@ から %d\tVon %@ nach %d\tDe %@ à %d\tDe %@ a %d\n";
    EXPECT_TRUE(validateStringTable(kHeader + good).empty());
    // Positional forms may reorder the arguments.
    EXPECT_TRUE(validateStringTable(kHeader + "re.order\t%@ to %d\t%2$d 到 %1$@\tx %@ %d\tx %@ %d\tx %@ %d\tx %@ %d\tx %@ %d\n").empty());

    auto problems = validateStringTable(kHeader + good + "short.row\tOne\t一\t一\t一\tEins\tUn\n");
    EXPECT_TRUE(mentions(problems, "expected 8 columns")) << ::testing::PrintToString(problems);

    problems = validateStringTable(kHeader + "empty.text\tText\t文\t文\t\tText\tTexte\tTexto\n");
    EXPECT_TRUE(mentions(problems, "empty.text [ja]: empty text"));

    problems = validateStringTable(kHeader + "swapped.kind\t%d left\t%@ 剩余\t%d\t%d\t%d\t%d\t%d\n");
    EXPECT_TRUE(mentions(problems, "swapped.kind [zh-Hans]: placeholders"));

    problems = validateStringTable(kHeader + "lost.arg\t%@ (%d)\t%@\t%@ (%d)\t%@ (%d)\t%@ (%d)\t%@ (%d)\t%@ (%d)\n");
    EXPECT_TRUE(mentions(problems, "lost.arg [zh-Hans]"));

    problems = validateStringTable(kHeader + "precision\t%+.1f°\t%+.1f°\t%+.1f°\t%.1f°\t%+.1f°\t%+.1f°\t%+.1f°\n");
    EXPECT_TRUE(mentions(problems, "precision [ja]"));

    problems = validateStringTable(kHeader + "stray.percent\t100% view\t100% 视图\t100%\t100%\t100%\t100 % des pixels\t100%\n");
    EXPECT_TRUE(mentions(problems, "stray.percent [fr]"));

    problems = validateStringTable(kHeader + good + good);
    EXPECT_TRUE(mentions(problems, "duplicate key ok.row"));

    problems = validateStringTable("key\ten\tde\n" + good);
    EXPECT_TRUE(mentions(problems, "header"));
}

TEST(LocalizationTable, CompiledTableIsCompleteAndConsistent) {
    const auto problems = validateStringTable(StringTable::builtInSource());
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);

    const StringTable& table = StringTable::builtIn();
    EXPECT_GE(table.size(), 359u);
    for (const std::string& key : table.keys()) {
        for (const std::string& text : *table.row(key)) {
            // This platform has no Finder and no Apple frameworks to name.
            EXPECT_EQ(text.find("Finder"), std::string::npos) << key;
            EXPECT_EQ(text.find("Apple"), std::string::npos) << key;
            EXPECT_EQ(text.find("macOS"), std::string::npos) << key;
        }
    }
    EXPECT_EQ(table.text("hsl.aqua", AppLanguage::en), "Cyan");
    EXPECT_EQ(table.text("hsl.orange", AppLanguage::en), "Orange (Skin)");
    EXPECT_EQ(table.text("sidebar.noCustomRecipes", AppLanguage::en),
              "No custom recipes yet.\nClick '+ New Recipe' above to save the current look.");
    EXPECT_EQ(table.text("compare.holdOriginalHelp", AppLanguage::en),
              "Hold to monitor original (Release to restore current grade, Shortcut \\)");
}

TEST(LocalizationTable, EveryKeyTheProgramLooksUpHasARow) {
    // The main list, then one list per area of the program in localization_keys/.
    std::vector<std::filesystem::path> lists{VANTREL_TEST_DATA_DIR "/localization_keys.txt"};
    const std::filesystem::path areas = VANTREL_TEST_DATA_DIR "/localization_keys";
    if (std::filesystem::is_directory(areas))
        for (const auto& entry : std::filesystem::directory_iterator(areas))
            if (entry.path().extension() == ".txt") lists.push_back(entry.path());
    const StringTable& table = StringTable::builtIn();
    std::size_t count = 0;
    std::vector<std::string> missing;
    for (const auto& list : lists) {
        std::ifstream file(list);
        ASSERT_TRUE(file) << "missing key list " << list;
        for (std::string line; std::getline(file, line);) {
            if (line.empty() || line.front() == '#') continue;
            ++count;
            if (!table.row(line)) missing.push_back(line);
        }
    }
    // Each parameter row's slider title, so a new row needs no entry in a list.
    for (const std::string_view label : rowLabels()) {
        ++count;
        if (!table.row(std::string(label))) missing.emplace_back(label);
    }
    EXPECT_GT(count, 500u);
    EXPECT_TRUE(missing.empty()) << ::testing::PrintToString(missing);
}

}  // namespace
}  // namespace vantrel
