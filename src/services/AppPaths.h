#pragma once
// Where the program keeps its own data (the sample roll's recipes, custom
// recipes, the files of rolls on read-only media), and the small checks that keep names built from data inside the
// folder they belong to.
#include <filesystem>
#include <string>
#include <string_view>

namespace vantrel::AppPaths {

// The program's data folder: the user's generic data location (normally
// ~/.local/share) followed by "VantrelEditor"; the temporary folder takes the
// data location's place when the platform reports none. Not created here.
std::filesystem::path applicationDataDirectory();

// The same rule for a given data location (empty = none reported).
std::filesystem::path applicationDataDirectoryFrom(const std::filesystem::path& dataLocation);

// {data folder}/sample_recipes and {data folder}/CustomPresets; not created.
std::filesystem::path sampleRecipesDirectory();
std::filesystem::path customPresetsDirectory();
// {data folder}/kept_rolls: the files of rolls whose own folder cannot be written; not created.
std::filesystem::path keptRollsDirectory();

// True for a name that is safe as one path component: not empty, not "." or
// "..", and without a path separator or NUL.
bool isPlainFileName(std::string_view name);

// True when `file`, once "." and ".." are resolved lexically, lies inside
// `folder` (not the folder itself).
bool isInsideFolder(const std::filesystem::path& folder, const std::filesystem::path& file);

}  // namespace vantrel::AppPaths
