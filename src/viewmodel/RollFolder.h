#pragma once
// The scans of a roll folder, and reading them. Its scans are its direct entries that are not hidden and whose
// extension, in any case, is tif, tiff, jpg, jpeg or png, ordered by file name
// as code points after NFC normalisation (case-sensitive, upper-case Latin
// before lower-case, digits one by one: frame10 before frame2).
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "engine/io/LoadedPhoto.h"
#include "services/LocalText.h"
#include "viewmodel/RenderService.h"

namespace vantrel {

struct RollListing {
    std::vector<std::filesystem::path> scans;
    std::error_code error;  // set when the folder could not be listed; `scans` is then empty
};

bool isScanFile(const std::filesystem::path& file);

RollListing listRollScans(const std::filesystem::path& folder);

// The folder's own name, also for a path ending in a separator.
std::string folderName(std::filesystem::path folder);

// The frames of the listed scans (headers only, read side by side), and the
// names of those that could not be read, which are left out of the roll.
struct LoadedScans {
    std::vector<LoadedPhoto> photos;
    std::vector<std::string> unreadable;
};
LoadedScans loadScans(RenderService& service, const std::vector<std::filesystem::path>& scans);

// "3 files could not be read", and the status line's detail naming them (a
// long list is cut: the tooltip must stay readable).
LocalText unreadableCount(const std::vector<std::string>& names);
LocalText unreadableDetail(const std::vector<std::string>& names);

}  // namespace vantrel
