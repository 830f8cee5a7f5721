#pragma once
// The committed fuzz inputs of one target (tests/fuzz/corpus/<target>/), in name order, for the
// regular tests that replay them. VANTREL_FUZZ_CORPUS_DIR is set by tests/CMakeLists.txt.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vantrel::fuzz {

inline std::filesystem::path corpusFolder(const std::string& target) {
    return std::filesystem::path(VANTREL_FUZZ_CORPUS_DIR) / target;
}

inline std::vector<std::filesystem::path> corpusFiles(const std::string& target) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(corpusFolder(target), error))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

inline std::string fileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace vantrel::fuzz
