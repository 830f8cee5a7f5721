#include "model/PhotoCullingRecord.h"

#include <algorithm>

#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using R = PhotoCullingRecord;

constexpr auto schema = strictRecord(field("id", &R::id), field("filename", &R::filename), field("rating", &R::rating),
                                     field("colorLabel", &R::colorLabel), field("pickStatus", &R::pickStatus),
                                     field("updatedAt", &R::updatedAt),
                                     field("ratingChangedAt", &R::ratingChangedAt, Presence::optional),
                                     field("colorLabelChangedAt", &R::colorLabelChangedAt, Presence::optional),
                                     field("pickStatusChangedAt", &R::pickStatusChangedAt, Presence::optional));

}  // namespace

std::string_view colorHex(ColorLabel label) {
    switch (label) {
        case ColorLabel::none: return "#00000000";
        case ColorLabel::red: return "#FF453A";
        case ColorLabel::yellow: return "#FFD60A";
        case ColorLabel::green: return "#32D74B";
        case ColorLabel::blue: return "#0A84FF";
        case ColorLabel::purple: return "#BF5AF2";
    }
    return "#00000000";
}

const CullingFilterCriteria& CullingFilterCriteria::none() {
    static const CullingFilterCriteria value{};
    return value;
}

PhotoCullingRecord PhotoCullingRecord::clamped() const {
    PhotoCullingRecord out = *this;
    out.rating = std::clamp(rating, 0, 5);
    return out;
}

bool PhotoCullingRecord::matches(const CullingFilterCriteria& criteria) const {
    if (criteria.minRating) {
        const int minimum = *criteria.minRating;
        if (minimum == 5 ? rating != 5 : rating < minimum) return false;
    }
    if (criteria.colorFilter && *criteria.colorFilter != ColorLabel::none && colorLabel != *criteria.colorFilter)
        return false;
    if (criteria.pickFilter && *criteria.pickFilter != PickStatus::unflagged && pickStatus != *criteria.pickFilter)
        return false;
    return true;
}

void to_json(nlohmann::json& j, const PhotoCullingRecord& record) { writeRecord(j, record, schema); }
void from_json(const nlohmann::json& j, PhotoCullingRecord& record) {
    PhotoCullingRecord read;
    readRecord(j, read, schema);
    for (const auto& [key, time] : {std::pair{"ratingChangedAt", &R::ratingChangedAt},
                                    std::pair{"colorLabelChangedAt", &R::colorLabelChangedAt},
                                    std::pair{"pickStatusChangedAt", &R::pickStatusChangedAt}})
        if (!j.contains(key) || j[key].is_null()) read.*time = read.updatedAt;
    record = std::move(read);
}

}  // namespace vantrel
