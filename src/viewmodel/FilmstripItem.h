#pragma once
// One cell of the filmstrip: what it shows of a frame of the roll.
#include <filesystem>
#include <optional>
#include <string>

#include <QImage>

#include "model/PhotoCullingRecord.h"
#include "model/Uuid.h"

namespace vantrel {

struct FilmstripItem {
    Uuid id{};
    std::string title{};
    std::optional<std::filesystem::path> fileURL{};
    QImage thumbnail{};  // null until one is made
    bool is16Bit = false;
    bool hasEdits = false;
    int rating = 0;
    ColorLabel colorLabel = ColorLabel::none;
    PickStatus pickStatus = PickStatus::unflagged;
};

}  // namespace vantrel
