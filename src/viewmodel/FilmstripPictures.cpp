#include "viewmodel/FilmstripPictures.h"

#include "viewmodel/SubjectMasks.h"

namespace vantrel {

FilmstripPictures::FilmstripPictures(std::shared_ptr<RenderService> render, SubjectMasks& masks, RecipeOf recipeOf,
                                     Current current, Made made)
    : render_(std::move(render)),
      masks_(masks),
      recipeOf_(std::move(recipeOf)),
      current_(std::move(current)),
      made_(std::move(made)) {}

void FilmstripPictures::keep(const Uuid& id, const QImage& picture, const RenderJob* developedBy) {
    cache_[id] = picture;
    if (developedBy)
        developed_[id] = {developedBy->recipe, developedBy->subjectMask.has_value()};
    else
        developed_.erase(id);
}

void FilmstripPictures::keepPreview(const Uuid& id, const QImage& preview, const EditParameters& recipe) {
    developed_[id] = {recipe, masks_.holds(id)};
    const QSize size = developedThumbnailSize(preview.width(), preview.height());
    if (preview.size() == size) {
        cache_[id] = preview;
        return;
    }
    // A quick cut to a few times the size, then a smooth scale: a full-size
    // smooth scale of a large scan would stall the window, and the cache must
    // not keep a full-size bitmap per frame.
    QImage rough = preview;
    if (preview.width() > 4 * size.width())
        rough = preview.scaled(size * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    cache_[id] = rough.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void FilmstripPictures::keepProxyOf(const LoadedPhoto& photo, bool onScreen) {
    const Uuid id = frameIdOf(photo);
    if (photo.fileURL() || cache_.count(id) || onScreen) return;
    QImage picture = render_->proxyThumbnail(photo, ThumbnailLoop::kThumbnailSize);
    if (!picture.isNull()) cache_[id] = std::move(picture);
}

ThumbnailLoop::Need FilmstripPictures::need(const LoadedPhoto& photo) {
    const Uuid id = frameIdOf(photo);
    ThumbnailLoop::Need need;
    const EditParameters* recipe = recipeOf_(id);
    // The frame on screen has its picture from its own render.
    if (recipe && current_() != id && !recipe->sameContent(EditParameters::defaultValue())) {
        const auto picture = developed_.find(id);
        const bool shown = picture != developed_.end() && picture->second.recipe.sameContent(*recipe) &&
                           (picture->second.withSubjectMask || recipe->subjectMask.isIdentity() || !masks_.holds(id));
        if (shown) return need;
        RenderJob job{photo, *recipe};
        job.useProxy = job.passing = job.wantsThumbnail = true;
        job.maxPixelSize = ThumbnailLoop::kDevelopedSourceSize;
        // Without the subject grade until its mask is found again (again() then).
        masks_.forRender(job, SubjectMasks::Urgency::background);
        need.developed = std::move(job);
        return need;
    }
    need.plain = photo.fileURL() && !cache_.count(id);
    return need;
}

void FilmstripPictures::delivered(const Uuid& id, const QImage& picture, const RenderJob* developedBy) {
    if (!developedBy) {
        // A developed picture kept while this one was being made is newer and
        // shows the recipe: the plain scan does not replace it.
        if (cache_.count(id)) return;
    } else {
        // Only while it still shows the frame's recipe, and never over the current frame's own.
        const EditParameters* recipe = recipeOf_(id);
        if (current_() == id || !recipe || !recipe->sameContent(developedBy->recipe)) return;
    }
    keep(id, picture, developedBy);
    made_(id, picture);
}

void FilmstripPictures::start(const std::vector<LoadedPhoto>& photos) {
    if (!loop_) {
        loop_ = std::make_unique<ThumbnailLoop>(
            render_, [this](const LoadedPhoto& photo) { return need(photo); },
            [this](const Uuid& id, const QImage& picture, const RenderJob* developedBy) {
                delivered(id, picture, developedBy);
            });
    }
    loop_->start(photos);
}

void FilmstripPictures::again(const std::vector<LoadedPhoto>& frames) {
    if (loop_) loop_->again(frames);
}

void FilmstripPictures::cancel() {
    if (loop_) loop_->cancel();
}

void FilmstripPictures::clear() {
    cache_.clear();
    developed_.clear();
}

}  // namespace vantrel
