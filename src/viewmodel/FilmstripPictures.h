#pragma once
// FilmstripPictures: the picture each filmstrip cell shows of its frame, made
// in the background by the thumbnail loop (developed with the frame's recipe
// where it has edits, else the plain scan) or kept from the frame's preview
// when it leaves the screen, and what each developed picture was made from,
// so that a frame whose recipe changed since is developed again.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QImage>

#include "engine/io/LoadedPhoto.h"
#include "model/EditParameters.h"
#include "model/Uuid.h"
#include "viewmodel/RenderService.h"
#include "viewmodel/ThumbnailLoop.h"

namespace vantrel {

class SubjectMasks;

class FilmstripPictures {
public:
    // What a developed picture was made from.
    struct DevelopedPicture {
        EditParameters recipe;
        bool withSubjectMask = false;
    };
    // The frame's recipe in memory (null: none kept), and the frame on screen.
    using RecipeOf = std::function<const EditParameters*(const Uuid&)>;
    using Current = std::function<std::optional<Uuid>()>;
    // A picture the loop made for the frame's cell (already kept).
    using Made = std::function<void(const Uuid&, const QImage&)>;

    FilmstripPictures(std::shared_ptr<RenderService> render, SubjectMasks& masks, RecipeOf recipeOf, Current current,
                      Made made);

    const std::map<Uuid, QImage>& cache() const { return cache_; }
    // The frame's picture, developed by `developedBy` (none: the plain scan).
    void keep(const Uuid& id, const QImage& picture, const RenderJob* developedBy = nullptr);
    // Keeps a small copy of the frame's preview, developed with `recipe`.
    void keepPreview(const Uuid& id, const QImage& preview, const EditParameters& recipe);
    // A frame without a scan file never gets a picture from the loop: its proxy
    // is its picture (unless it has one, or is on screen with its own preview).
    void keepProxyOf(const LoadedPhoto& photo, bool onScreen);

    // (Re)starts the loop over these frames.
    void start(const std::vector<LoadedPhoto>& photos);
    // These frames' pictures are made again where they no longer show their
    // recipes (or were developed before their subject masks were found).
    void again(const std::vector<LoadedPhoto>& frames);
    void cancel();
    void clear();
    bool isRunning() const { return loop_ && loop_->isRunning(); }
    bool isIdle() const { return !loop_ || loop_->isIdle(); }

private:
    // What the loop is to make for the frame now.
    ThumbnailLoop::Need need(const LoadedPhoto& photo);
    void delivered(const Uuid& id, const QImage& picture, const RenderJob* developedBy);

    std::shared_ptr<RenderService> render_;
    SubjectMasks& masks_;
    RecipeOf recipeOf_;
    Current current_;
    Made made_;
    std::map<Uuid, QImage> cache_;
    std::map<Uuid, DevelopedPicture> developed_;
    // Last, so it stops before anything it calls back into is torn down.
    std::unique_ptr<ThumbnailLoop> loop_;
};

}  // namespace vantrel
