#pragma once
// The culling records of one roll, keyed by frame identifier. Records are
// never removed; a frame without one counts as unrated, unlabelled, unflagged.
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "model/PhotoCullingRecord.h"

namespace vantrel {

struct RollCullingDatabase {
    std::map<Uuid, PhotoCullingRecord> records{};

    // A frame of the open roll: its identifier of this session and its file name.
    struct Frame {
        Uuid id;
        std::string filename;
    };

    // The stored record, or a fresh unrated one (not stored).
    PhotoCullingRecord record(const Uuid& id, std::string_view filename) const;

    // Each changes one field of the frame's record (creating it with this file
    // name when there is none) and stamps the time. Stars are kept to 0...5.
    void setRating(int stars, const Uuid& id, std::string_view filename);
    void setColorLabel(ColorLabel label, const Uuid& id, std::string_view filename);
    void setPickStatus(PickStatus status, const Uuid& id, std::string_view filename);

    // Frame identifiers are drawn afresh each time a roll is opened, so records
    // stored in an earlier session are found again by file name: a frame that
    // has no record under its identifier takes over the record with its file
    // name (the most recently changed one if several share it). Records that
    // match no frame stay as they are. Returns how many records moved.
    std::size_t rekeyByFilename(const std::vector<Frame>& frames);

    // Folds in the records of `changes`, each taking the place of the records of
    // its frame (the same file name, or the same identifier) with, mark by mark
    // (rating, label, flag), whichever was set later. Records of other frames
    // stay as they are.
    void merge(const RollCullingDatabase& changes);
};

// "records" is an array alternating identifier text and record; reading also
// accepts an object keyed by identifier text. A repeated identifier: the later wins.
void to_json(nlohmann::json& j, const RollCullingDatabase& database);
void from_json(const nlohmann::json& j, RollCullingDatabase& database);

}  // namespace vantrel
