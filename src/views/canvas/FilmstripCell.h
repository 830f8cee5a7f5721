#pragma once
// What one cell of the filmstrip shows of a frame: its picture, title and
// culling marks. The window makes these from the view model's entries; the
// strip only reads them.
#include <string>

#include <QImage>

#include "model/PhotoCullingRecord.h"
#include "model/Uuid.h"

namespace vantrel {

struct FilmstripCell {
    Uuid id{};
    std::string title{};
    QImage thumbnail{};  // null until one is made
    bool is16Bit = false;
    bool hasEdits = false;
    int rating = 0;
    ColorLabel colorLabel = ColorLabel::none;
    PickStatus pickStatus = PickStatus::unflagged;

    // Pictures compare by identity: a new thumbnail is a new image.
    friend bool operator==(const FilmstripCell& a, const FilmstripCell& b) {
        return a.id == b.id && a.title == b.title && a.thumbnail.cacheKey() == b.thumbnail.cacheKey() &&
               a.is16Bit == b.is16Bit && a.hasEdits == b.hasEdits && a.rating == b.rating &&
               a.colorLabel == b.colorLabel && a.pickStatus == b.pickStatus;
    }
};

}  // namespace vantrel
