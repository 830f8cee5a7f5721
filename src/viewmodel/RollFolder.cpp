#include "viewmodel/RollFolder.h"

#include <algorithm>
#include <cctype>
#include <numeric>
#include <string>

#include <QList>
#include <QString>

namespace vantrel {

namespace {

// The name's code points after NFC normalisation: the same name written with
// composed or decomposed accents sorts alike.
std::u32string sortKey(const std::filesystem::path& file) {
    const QList<uint> ucs4 = QString::fromStdString(file.filename().string())
                                 .normalized(QString::NormalizationForm_C)
                                 .toUcs4();
    return std::u32string(ucs4.begin(), ucs4.end());
}

}  // namespace

bool isScanFile(const std::filesystem::path& file) {
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".tif" || ext == ".tiff" || ext == ".jpg" || ext == ".jpeg" || ext == ".png";
}

RollListing listRollScans(const std::filesystem::path& folder) {
    RollListing listing;
    std::vector<std::filesystem::path> scans;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.') continue;
        if (isScanFile(it->path())) scans.push_back(it->path());
    }
    if (ec) {
        listing.error = ec;
        return listing;
    }

    std::vector<std::u32string> keys;
    keys.reserve(scans.size());
    for (const auto& scan : scans) keys.push_back(sortKey(scan));
    std::vector<std::size_t> order(scans.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    listing.scans.reserve(scans.size());
    for (std::size_t i : order) listing.scans.push_back(std::move(scans[i]));
    return listing;
}

std::string folderName(std::filesystem::path folder) {
    if (!folder.has_filename()) folder = folder.parent_path();
    return folder.filename().string();
}

}  // namespace vantrel
