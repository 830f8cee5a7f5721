#pragma once
// One render of one image: plans the graph, computes the nodes that are needed once per
// render, then evaluates bands of the requested rectangle in tiles, in parallel.
#include <functional>
#include <memory>
#include <stop_token>

#include "engine/core/Context.h"

namespace vantrel::detail {

// Receives finished rows (plane row y, pixels x .. x+count-1); called concurrently for
// different rows.
using RowSink = std::function<void(std::int64_t x, std::int64_t y, int count, const float* rgba)>;

struct EvalSettings {
    int tileSize = 256;
    std::stop_token stop;
    RenderStats* stats = nullptr;
};

class Render {
public:
    Render(const Image& image, const Rect& rect, EvalSettings settings);
    ~Render();
    // Computes the once-per-render nodes; false when stopped.
    bool prepare();
    // Evaluates `band` (inside the render's rect); false when stopped.
    bool run(const Rect& band, const RowSink& sink);

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace vantrel::detail
