#pragma once
// Whether a scan file holds all of its coded data. A JPEG cut short (an interrupted copy or
// download) still decodes, the rows that never arrived grey, without any error: this tells
// such a file apart, so the user can be told that what is shown is not the whole picture.
#include <filesystem>

namespace vantrel {

// True for a JPEG whose data stops before its end-of-image marker; false for a whole JPEG
// (data after the marker does not count) and for every other file.
bool scanEndsEarly(const std::filesystem::path& file);

}  // namespace vantrel
