#pragma once
// The culling state of one frame (stars, colour label, pick flag) and the
// filmstrip filter that narrows a roll by it.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "model/Date.h"
#include "model/EnumTable.h"
#include "model/Uuid.h"

namespace vantrel {

enum class ColorLabel { none, red, yellow, green, blue, purple };
enum class PickStatus { unflagged, picked, rejected };

template <>
struct EnumTable<ColorLabel> {
    using C = ColorLabel;
    static constexpr bool unknownIsFirstCase = false;
    static constexpr std::array<EnumCase<C>, 6> cases{{
        {C::none, "none", "culling.labelNone"},
        {C::red, "red", "culling.labelRed"},
        {C::yellow, "yellow", "culling.labelYellow"},
        {C::green, "green", "culling.labelGreen"},
        {C::blue, "blue", "culling.labelBlue"},
        {C::purple, "purple", "culling.labelPurple"},
    }};
};

template <>
struct EnumTable<PickStatus> {
    using C = PickStatus;
    static constexpr bool unknownIsFirstCase = false;
    static constexpr std::array<EnumCase<C>, 3> cases{
        {{C::unflagged, "unflagged"}, {C::picked, "picked"}, {C::rejected, "rejected"}}};
};

// "#RRGGBB"; `none` is fully transparent "#00000000".
std::string_view colorHex(ColorLabel label);

struct CullingFilterCriteria {
    std::optional<int> minRating{};
    std::optional<ColorLabel> colorFilter{};
    std::optional<PickStatus> pickFilter{};

    static const CullingFilterCriteria& none();

    bool isEmpty() const { return !minRating && !colorFilter && !pickFilter; }

    bool operator==(const CullingFilterCriteria&) const = default;
};

struct PhotoCullingRecord {
    Uuid id{};               // the frame's identifier
    std::string filename{};  // the frame's file name when the record was made
    int rating = 0;        // stars, 0...5
    ColorLabel colorLabel = ColorLabel::none;
    PickStatus pickStatus = PickStatus::unflagged;
    Date updatedAt = Date::now();
    // When each mark was last set: two programs' records of one frame merge
    // mark by mark, the later of each. A mark never set dates from the start of
    // time; a record stored without them dates each mark from `updatedAt`.
    Date ratingChangedAt{};
    Date colorLabelChangedAt{};
    Date pickStatusChangedAt{};

    // The clamping initialiser: rating into 0...5.
    PhotoCullingRecord clamped() const;

    // A minimum of 5 passes exactly 5 stars; a `none` colour or an `unflagged`
    // flag filter passes every record.
    bool matches(const CullingFilterCriteria& criteria) const;

    bool operator==(const PhotoCullingRecord&) const = default;
};

void to_json(nlohmann::json& j, const PhotoCullingRecord& record);
void from_json(const nlohmann::json& j, PhotoCullingRecord& record);

}  // namespace vantrel
