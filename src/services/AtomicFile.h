#pragma once
// Whole-file reads and writes that never leave a half-written file behind.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace vantrel {

// Writes `bytes` to a temporary file beside `target`, flushes it to the disk
// and renames it over `target`. On failure the temporary file is removed and
// whatever stood at `target` before stays as it was. An existing target's
// permission bits are kept.
std::error_code writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// Reads the whole file into `out`.
std::error_code readWholeFile(const std::filesystem::path& path, std::string& out);

// Moves an unreadable file out of the way so that a save cannot overwrite it:
// "name.json" becomes "name.corrupt-<UTC time>.json" in the same folder (with
// "-2", "-3" ... added when that name is taken). `keptAs` receives the new path.
std::error_code keepFileAside(const std::filesystem::path& path, std::filesystem::path& keptAs);

// A free name beside `path` for a copy of it: "name.<tag>-<UTC time>.json",
// numbered the same way; nothing when every one is taken.
std::optional<std::filesystem::path> stampedCopyName(const std::filesystem::path& path, std::string_view tag);

}  // namespace vantrel
