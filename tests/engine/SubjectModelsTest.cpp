#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <nlohmann/json.hpp>

#include "common/PortraitScene.h"
#include "engine/analysis/subject/SubjectChoice.h"
#include "engine/analysis/subject/SubjectModels.h"

namespace vantrel::subject {
namespace {

constexpr int kBins = 11;

// Head outputs with nothing in them: every class logit far below any score.
std::vector<cv::Mat> emptyHeads() {
    std::vector<cv::Mat> heads;
    for (int side : {52, 26, 13}) heads.emplace_back(std::vector<int>{1, kDetectorClasses + 4 * kBins, side, side}, CV_32F, cv::Scalar(-12));
    return heads;
}

// Puts a detection of `label` into the cell (x, y) of `head`, each box side's
// distribution peaked on the bins `sides` (left, top, right, bottom).
void plant(cv::Mat& head, int x, int y, int label, float logit, const int (&sides)[4]) {
    const int h = head.size[2], w = head.size[3];
    float* data = head.ptr<float>();
    const auto at = [&](int channel) -> float& { return data[(std::size_t(channel) * h + y) * w + x]; };
    at(label) = logit;
    for (int k = 0; k < 4; ++k)
        for (int b = 0; b < kBins; ++b) at(kDetectorClasses + k * kBins + b) = b == sides[k] ? 20.0f : 0.0f;
}

Detection box(int label, float score, float x, float y, float w, float h) { return {{x, y, w, h}, label, score}; }

TEST(SubjectModels, DecodesBoxesFromTheHeadsAndSuppressesOverlaps) {
    const cv::Size picture(832, 416);  // twice as wide as the detector's input
    EXPECT_TRUE(decodeDetections(emptyHeads(), picture, 0.25f).empty());

    std::vector<cv::Mat> heads = emptyHeads();
    // A horse on the stride-16 grid, centre (10.5, 12.5) x 16, reaching 3 bins left and up, 5 right and down.
    plant(heads[1], 10, 12, 17, 3.0f, {3, 3, 5, 5});
    // The same horse seen once more from the next cell: one thing, one box.
    plant(heads[1], 11, 12, 17, 1.0f, {4, 3, 4, 5});
    // A weak person elsewhere, below the score asked for.
    plant(heads[0], 5, 5, 0, -2.0f, {1, 1, 1, 1});
    const std::vector<Detection> found = decodeDetections(heads, picture, 0.25f);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].label, 17);
    EXPECT_NEAR(found[0].score, 1 / (1 + std::exp(-3.0f)), 1e-4);
    const float cx = 10.5f * 16, cy = 12.5f * 16;
    EXPECT_NEAR(found[0].box.x, (cx - 3 * 16) * 2, 0.5);
    EXPECT_NEAR(found[0].box.y, cy - 3 * 16, 0.5);
    EXPECT_NEAR(found[0].box.width, 8 * 16 * 2, 0.5);
    EXPECT_NEAR(found[0].box.height, 8 * 16, 0.5);
    EXPECT_EQ(kindOf(found[0].label), Kind::animal);
}

TEST(SubjectModels, ChoosesTheMostProminentKindWithTheOthersThatStandOutNearlyAsWell) {
    const cv::Size picture(1200, 800);
    // A herd of five horses across the frame, a weakly seen person, and a clear chair.
    std::vector<Detection> found;
    for (int k = 0; k < 5; ++k) found.push_back(box(17, 0.55f + 0.05f * float(k % 2), 60.0f + 220.0f * float(k), 300, 200, 180));
    found.push_back(box(0, 0.3f, 560, 200, 120, 400));
    found.push_back(box(56, 0.9f, 500, 250, 300, 300));
    auto choice = chooseSubject(found, picture);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->kind, Kind::animal);
    EXPECT_EQ(choice->boxes.size(), 5u);

    // A group: two people side by side and one far behind them, small; a small dog at the edge.
    found = {box(0, 0.8f, 400, 150, 180, 550), box(0, 0.75f, 620, 160, 170, 530), box(0, 0.5f, 1100, 100, 30, 60),
             box(16, 0.7f, 0, 700, 90, 90)};
    choice = chooseSubject(found, picture);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->kind, Kind::person);
    ASSERT_EQ(choice->boxes.size(), 2u);
    EXPECT_FLOAT_EQ(choice->boxes[0].score, 0.8f);

    // Nothing found, only things of no known kind, or only weak boxes: no subject from the detector.
    EXPECT_FALSE(chooseSubject({}, picture));
    EXPECT_FALSE(chooseSubject({box(56, 0.9f, 500, 250, 300, 300), box(0, 0.3f, 400, 100, 300, 600)}, picture));
}

TEST(SubjectModels, ConvertedGraphsGiveTheGoldenOutputs) {
    // Taken by scripts/check-models.sh from the original TensorFlow.js models on this picture.
    std::ifstream file(std::string(VANTREL_TEST_DATA_DIR) + "/subject-models-golden.json");
    ASSERT_TRUE(file) << "golden outputs missing";
    const nlohmann::json golden = nlohmann::json::parse(file);
    const SubjectModels& models = SubjectModels::shared();
    ASSERT_TRUE(models.available()) << "no models beside the test program: " << SubjectModels::besideProgram();
    const cv::Mat picture = testing::modelProbePicture();
    const auto heads = models.detectorHeads(picture);
    ASSERT_TRUE(heads);
    ASSERT_EQ(heads->size(), 3u);
    std::vector<std::pair<std::string, cv::Mat>> outputs;
    for (std::size_t k = 0; k < heads->size(); ++k) outputs.emplace_back("head_" + std::to_string(k), (*heads)[k]);
    outputs.emplace_back("person", models.personMap(picture));
    for (const auto& [name, ours] : outputs) {
        SCOPED_TRACE(name);
        const nlohmann::json& g = golden.at(name);
        std::size_t count = 1;
        for (int d : g.at("shape")) count *= std::size_t(d);
        ASSERT_EQ(ours.total(), count);
        const double tolerance = 1e-3 * (g.at("range")[1].get<double>() - g.at("range")[0].get<double>());
        const float* values = ours.ptr<float>();
        double worst = 0;
        for (std::size_t i = 0; i < g.at("places").size(); ++i)
            worst = std::max(worst, std::abs(double(values[g["places"][i].get<std::size_t>()]) - g["values"][i].get<double>()));
        EXPECT_LE(worst, tolerance);
    }
    // The person stands in the middle of the picture, the ground around it is none.
    const cv::Mat person = models.personMap(picture);
    EXPECT_GT(person.at<float>(kPersonSide * 45 / 100, kPersonSide / 2), 0.5f);
    EXPECT_LT(person.at<float>(kPersonSide / 10, kPersonSide / 10), 0.5f);
}

TEST(SubjectModels, MissingOrDamagedFilesMakeThemUnavailableWithoutACrash) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("vantrel-models-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const cv::Mat picture = testing::modelProbePicture();
    const SubjectModels missing(dir);
    EXPECT_FALSE(missing.available());
    EXPECT_FALSE(missing.detect(picture));
    EXPECT_TRUE(missing.personMap(picture).empty());

    // A detector cut short and a person model of noise.
    const std::filesystem::path beside = SubjectModels::besideProgram();
    std::ifstream whole(beside / "nanodet.pb", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(whole)), {});
    ASSERT_GT(bytes.size(), 1000u);
    std::ofstream(dir / "nanodet.pb", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    std::ofstream(dir / "selfie.pb", std::ios::binary) << std::string(5000, '\x7f');
    const SubjectModels damaged(dir);
    EXPECT_FALSE(damaged.available());
    EXPECT_FALSE(damaged.detect(picture));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vantrel::subject
