#pragma once
// The scans of a roll folder: its direct entries that are not hidden and whose
// extension, in any case, is tif, tiff, jpg, jpeg or png, ordered by file name
// as code points after NFC normalisation (case-sensitive, upper-case Latin
// before lower-case, digits one by one: frame10 before frame2).
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace vantrel {

struct RollListing {
    std::vector<std::filesystem::path> scans;
    std::error_code error;  // set when the folder could not be listed; `scans` is then empty
};

bool isScanFile(const std::filesystem::path& file);

RollListing listRollScans(const std::filesystem::path& folder);

// The folder's own name, also for a path ending in a separator.
std::string folderName(std::filesystem::path folder);

}  // namespace vantrel
