// Runs the converted subject models on a photograph, loaded as the editor loads a scan, and
// writes their inputs and outputs as raw float32 files (with a JSON index of their shapes) for
// scripts/check-models.sh to compare with the original TensorFlow.js models, and prints the
// detections. --test-picture
// takes the picture of the golden test instead.
//   vantrel-models <photograph> | --test-picture <output folder>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/analysis/subject/SubjectModels.h"
#include "engine/analysis/subject/SubjectSegmentationEngine.h"
#include "engine/io/ImageLoader.h"

#include "../tests/common/PortraitScene.h"

using namespace vantrel;

namespace {

nlohmann::json save(const std::filesystem::path& dir, const std::string& name, const cv::Mat& blob) {
    std::ofstream(dir / (name + ".f32"), std::ios::binary)
        .write(reinterpret_cast<const char*>(blob.ptr<float>()), std::streamsize(blob.total() * sizeof(float)));
    std::vector<int> shape(blob.size.p, blob.size.p + blob.dims);
    return {{"file", name + ".f32"}, {"shape", shape}};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vantrel-models <photograph> | --test-picture <output folder>\n");
        return 2;
    }
    try {
        const auto working = std::string(argv[1]) == "--test-picture"
                                 ? std::optional<cv::Mat>(testing::modelProbePicture())
                                 : SubjectSegmentationEngine::workingCopy(ImageLoader::loadPhoto(argv[1]).proxyImage());
        if (!working) throw std::runtime_error("the photograph cannot be read");
        const subject::SubjectModels& models = subject::SubjectModels::shared();
        const auto heads = models.detectorHeads(*working);
        const cv::Mat person = models.personMap(*working);
        if (!heads || person.empty()) throw std::runtime_error("the models are not available");
        const std::filesystem::path dir = argv[2];
        std::filesystem::create_directories(dir);
        nlohmann::json index;
        index["detector"]["input"] = save(dir, "detector-input", subject::detectorInput(*working));
        for (std::size_t k = 0; k < heads->size(); ++k)
            index["detector"]["outputs"].push_back(save(dir, "head_" + std::to_string(k), (*heads)[k]));
        index["person"]["input"] = save(dir, "person-input", subject::personInput(*working));
        index["person"]["outputs"].push_back(save(dir, "person", person));
        std::ofstream(dir / "index.json") << index.dump(1);
        for (const subject::Detection& d : subject::decodeDetections(*heads, working->size(), 0.25f))
            std::printf("class %2d  score %.2f  box %.0f %.0f %.0f %.0f of %d x %d\n", d.label, d.score, d.box.x, d.box.y,
                        d.box.width, d.box.height, working->cols, working->rows);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vantrel-models: %s\n", e.what());
        return 1;
    }
}
