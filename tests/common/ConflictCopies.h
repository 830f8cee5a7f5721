#pragma once
// The conflict copies a store kept of recipes it overrode in part
// ("recipe.conflict-<time>.json"), anywhere under `folder`, in name order.
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace vantrel {

inline std::vector<std::filesystem::path> conflictCopies(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error))
        if (entry.path().filename().string().starts_with("recipe.conflict-")) found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace vantrel
