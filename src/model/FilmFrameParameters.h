#pragma once
// The printed film border around the developed image, the texts on its rebate
// and the optional capture-data watermark line.
#include <array>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "model/EnumTable.h"

namespace vantrel {

struct ImageMetadataInfo;

enum class FilmFrameStyle { none, sprocketOverlay, sprocket135, mediumFormat120, polaroid, galleryBorder };
enum class RebateColorMode { darkroomBlack, filmBaseAmber, fineArtWhite };
enum class FilmWatermarkStyle { typewriter, minimalist, retroStamp, goldenBadge };
enum class FilmWatermarkPosition { bottomRebate, bottomRight, bottomLeft, topRebate };

template <>
struct EnumTable<FilmFrameStyle> {
    using C = FilmFrameStyle;
    static constexpr bool unknownIsFirstCase = false;
    static constexpr std::array<EnumCase<C>, 6> cases{{{C::none, "none"},
                                                       {C::sprocketOverlay, "sprocketOverlay"},
                                                       {C::sprocket135, "sprocket135"},
                                                       {C::mediumFormat120, "mediumFormat120"},
                                                       {C::polaroid, "polaroid"},
                                                       {C::galleryBorder, "galleryBorder"}}};
};

template <>
struct EnumTable<RebateColorMode> {
    using C = RebateColorMode;
    static constexpr bool unknownIsFirstCase = false;
    static constexpr std::array<EnumCase<C>, 3> cases{
        {{C::darkroomBlack, "darkroomBlack"}, {C::filmBaseAmber, "filmBaseAmber"}, {C::fineArtWhite, "fineArtWhite"}}};
};

template <>
struct EnumTable<FilmWatermarkStyle> {
    using C = FilmWatermarkStyle;
    static constexpr bool unknownIsFirstCase = false;
    static constexpr std::array<EnumCase<C>, 4> cases{{{C::typewriter, "typewriter"},
                                                       {C::minimalist, "minimalist"},
                                                       {C::retroStamp, "retroStamp"},
                                                       {C::goldenBadge, "goldenBadge"}}};
};

template <>
struct EnumTable<FilmWatermarkPosition> {
    using C = FilmWatermarkPosition;
    static constexpr bool unknownIsFirstCase = false;
    static constexpr std::array<EnumCase<C>, 4> cases{{{C::bottomRebate, "bottomRebate"},
                                                       {C::bottomRight, "bottomRight"},
                                                       {C::bottomLeft, "bottomLeft"},
                                                       {C::topRebate, "topRebate"}}};
};

struct FilmFrameParameters {
    FilmFrameStyle style = FilmFrameStyle::none;
    std::string filmStockLabel = "VISION3 500T";
    std::string frameNumber = "▶ 24A";
    double borderThickness = 0.08;
    RebateColorMode colorMode = RebateColorMode::darkroomBlack;
    bool showBarcode = true;
    bool showFrameNumber = true;
    bool showStockLabel = true;
    bool showExifWatermark = false;
    FilmWatermarkStyle watermarkStyle = FilmWatermarkStyle::typewriter;
    FilmWatermarkPosition watermarkPosition = FilmWatermarkPosition::bottomRebate;
    std::string customWatermarkText{};  // replaces the whole line when it holds more than white space
    std::string watermarkCamera{};      // each part, when empty, comes from the photo
    std::string watermarkLens{};
    std::string watermarkParams{};
    std::string watermarkDate{};

    static const FilmFrameParameters& defaultValue();

    // The clamping initialiser: borderThickness into 0.03...0.2 (NaN gives 0.2).
    FilmFrameParameters clamped() const;

    // A watermark without a border still has to be drawn.
    bool isNeutral() const { return style == FilmFrameStyle::none && !showExifWatermark; }

    // The watermark line for a photo with the given capture data (or none):
    // the record's texts, the photo's data where they are empty; empty when
    // neither tells anything.
    std::string watermarkText(const ImageMetadataInfo* metadata = nullptr) const;

    bool operator==(const FilmFrameParameters&) const = default;
};

// Reading is lenient: a missing or null key keeps its default.
void to_json(nlohmann::json& j, const FilmFrameParameters& frame);
void from_json(const nlohmann::json& j, FilmFrameParameters& frame);

}  // namespace vantrel
