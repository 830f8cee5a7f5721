#include "viewmodel/RollFolder.h"

#include <algorithm>
#include <cctype>
#include <numeric>
#include <string>

#include <QList>
#include <QString>
#include <tbb/parallel_for.h>

#include "services/L10n.h"

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

LoadedScans loadScans(RenderService& service, const std::vector<std::filesystem::path>& scans) {
    // Headers only, read side by side: opening a roll of many scans waits on
    // the disk and the metadata parser, not on one file after another.
    std::vector<std::optional<LoadedPhoto>> read(scans.size());
    tbb::parallel_for(std::size_t{0}, scans.size(), [&](std::size_t i) { read[i] = service.loadPhoto(scans[i]); });

    LoadedScans loaded;
    loaded.photos.reserve(scans.size());
    for (std::size_t i = 0; i < scans.size(); ++i) {
        // An unreadable scan is left out of the roll, and named to the user.
        if (read[i])
            loaded.photos.push_back(std::move(*read[i]));
        else
            loaded.unreadable.push_back(scans[i].filename().string());
    }
    return loaded;
}

LocalText unreadableCount(const std::vector<std::string>& names) {
    return names.size() == 1 ? L10n::text("roll.unreadableCountOne")
                             : L10n::text("roll.unreadableCount", int(names.size()));
}

LocalText unreadableDetail(const std::vector<std::string>& names) {
    constexpr std::size_t kListed = 20;
    std::string list;
    for (std::size_t i = 0; i < names.size() && i < kListed; ++i) list += (i ? "\n" : "") + names[i];
    if (names.size() > kListed)
        return L10n::text("roll.unreadableListMore", list, int(names.size() - kListed));
    return L10n::text("roll.unreadableList", list);
}

}  // namespace vantrel
