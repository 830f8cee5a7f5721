// The roll side of the view model: reading a folder's scans, the filmstrip
// pictures of frames without a file, and the thumbnail loop.
#include <tbb/parallel_for.h>

#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

std::vector<LoadedPhoto> DarkroomViewModel::loadScans(const std::vector<std::filesystem::path>& scans) const {
    // Headers only, read side by side: opening a roll of many scans waits on
    // the disk and the metadata parser, not on one file after another.
    std::vector<std::optional<LoadedPhoto>> read(scans.size());
    RenderService& service = *services_.render;
    tbb::parallel_for(std::size_t{0}, scans.size(), [&](std::size_t i) { read[i] = service.loadPhoto(scans[i]); });

    std::vector<LoadedPhoto> loaded;
    loaded.reserve(scans.size());
    for (std::optional<LoadedPhoto>& photo : read)
        if (photo) loaded.push_back(std::move(*photo));  // an unreadable scan is left out
    return loaded;
}

void DarkroomViewModel::cacheProxyThumbnail(const LoadedPhoto& photo) {
    const Uuid id = frameID(photo);
    if (thumbnailCache_.count(id)) return;
    if (selectedPhotoID_ == id && renderedPreviewPhotoID_ == id && !renderedPreview_.isNull()) return;
    QImage picture = services_.render->proxyThumbnail(photo, ThumbnailLoop::kThumbnailSize);
    if (!picture.isNull()) thumbnailCache_[id] = std::move(picture);
}

QImage DarkroomViewModel::previewAsThumbnail() const {
    const QSize size = developedThumbnailSize(renderedPreview_.width(), renderedPreview_.height());
    if (renderedPreview_.size() == size) return renderedPreview_;
    // A quick cut to a few times the size, then a smooth scale: a full-size
    // smooth scale of a large scan would stall the window, and the cache must
    // not keep a full-size bitmap per frame.
    QImage rough = renderedPreview_;
    if (renderedPreview_.width() > 4 * size.width())
        rough = renderedPreview_.scaled(size * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return rough.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void DarkroomViewModel::generateThumbnails(const std::vector<LoadedPhoto>& photos) {
    if (!thumbnailLoop_) {
        thumbnailLoop_ = std::make_unique<ThumbnailLoop>(
            services_.render, [this](const Uuid& id) { return !thumbnailCache_.count(id); },
            [this](const Uuid& id, const QImage& thumbnail) { acceptLoopThumbnail(id, thumbnail); });
    }
    thumbnailLoop_->start(photos);
}

bool DarkroomViewModel::isGeneratingThumbnails() const { return thumbnailLoop_ && thumbnailLoop_->isRunning(); }

void DarkroomViewModel::acceptLoopThumbnail(const Uuid& id, const QImage& thumbnail) {
    // A developed thumbnail published while this one was being made is newer
    // and shows the recipe: the undeveloped scan does not replace it.
    if (thumbnailCache_.count(id)) return;
    updateFilmstripThumbnail(thumbnail, id);
}

}  // namespace vantrel
