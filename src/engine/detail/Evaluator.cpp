#include "engine/detail/Evaluator.h"

#include "engine/detail/Reference.h"

namespace vantrel::detail {

struct Render::State {
    Image image;
    Rect rect;
    EvalSettings settings;
};

Render::Render(const Image& image, const Rect& rect, EvalSettings settings)
    : state_(std::make_unique<State>(State{image, rect, std::move(settings)})) {}
Render::~Render() = default;

bool Render::prepare() {
    if (state_->settings.stats) state_->settings.stats->stages = state_->image.stages();
    return !state_->settings.stop.stop_requested();
}

bool Render::run(const Rect& band, const RowSink& sink) {
    if (state_->settings.stop.stop_requested()) return false;
    const PixelBuffer buf = evaluateReference(state_->image, band);
    for (std::int64_t y = band.maxY() - 1; y >= band.minY(); --y) sink(band.x, y, int(band.width), buf.row(y));
    if (state_->settings.stats) ++state_->settings.stats->tiles;
    return !state_->settings.stop.stop_requested();
}

}  // namespace vantrel::detail
