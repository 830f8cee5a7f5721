// The tiled evaluator.
//
// A render first plans the graph: nodes are listed inputs-first; chains of row-capable nodes
// (sources, constants, generators, pointwise kernels, crops) are grouped so that each group
// runs row by row through all its kernels with the rows in cache, and only the group's last
// node is stored (for a consumer that needs a region, or as the output). Neighbourhood,
// transform and clamp nodes work on regions. Nodes whose result is needed whole (rasters,
// whole-image neighbourhoods, explicitly materialised images, and shared neighbourhoods) are
// computed once per render before the tiles run, and read from memory afterwards.
//
// For each tile, the rectangle each node must produce is found by propagating the tile's
// rectangle from the output to the inputs (the union of what every consumer reads), so a node
// with several consumers is computed once per tile. Scratch memory comes from a per-thread
// arena that is reset between tiles and keeps its capacity.
#include "engine/core/detail/Evaluator.h"

#include <tbb/enumerable_thread_specific.h>
#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "engine/core/LargeBlocks.h"
#include "engine/core/detail/Node.h"
#include "engine/core/detail/Primitives.h"

namespace vantrel::detail {

namespace {

// Bump allocator of floats, reset per tile; grows by whole blocks so pointers stay valid. The
// blocks are large ones, so a render's threads take back the previous render's pages.
class Scratch {
public:
    float* alloc(std::size_t n) {
        // A tile never legitimately needs this much; a graph that asks for it is refused.
        if (n > (std::size_t(1) << 32)) throw std::length_error("tile scratch too large");
        n = (n + 15) & ~std::size_t(15);
        if (block_ < blocks_.size() && used_ + n <= sizes_[block_]) {
            float* p = blocks_[block_].get() + used_;
            used_ += n;
            return p;
        }
        // Next block that fits, else a new one.
        while (++block_ < blocks_.size()) {
            if (n <= sizes_[block_]) {
                used_ = n;
                return blocks_[block_].get();
            }
        }
        const std::size_t size = std::max<std::size_t>(n, std::size_t(1) << 20);
        blocks_.push_back(makeLargeArray<float>(size));
        sizes_.push_back(size);
        block_ = blocks_.size() - 1;
        used_ = n;
        return blocks_.back().get();
    }
    PixelView allocView(const Rect& r) {
        if (r.isEmpty()) return {};
        if (r.area() > double(std::int64_t(1) << 30)) throw std::length_error("tile region too large");
        return {r, alloc(std::size_t(r.width) * std::size_t(r.height) * 4), r.width * 4};
    }
    void reset() {
        // Merge into one block big enough for the last tile's needs, so later tiles use one.
        if (blocks_.size() > 1) {
            std::size_t total = 0;
            for (std::size_t s : sizes_) total += s;
            blocks_.clear();
            sizes_.clear();
            blocks_.push_back(makeLargeArray<float>(total));
            sizes_.push_back(total);
        }
        block_ = 0;
        used_ = 0;
    }

    std::vector<Rect> demand;
    std::vector<ConstPixelView> views;
    std::vector<float*> slots;
    std::vector<const float*> inputPtrs;
    bool busy = false;

private:
    std::vector<LargeArray<float>> blocks_;
    std::vector<std::size_t> sizes_;
    std::size_t block_ = 0;
    std::size_t used_ = 0;
};

enum class Role {
    leaf,        // pixels already in memory (buffer node or materialised result)
    groupRoot,   // last node of a row group: stored in a tile buffer (or sent to the sink)
    member,      // inside a row group: lives in a row slot only
    region,      // neighbourhood / transform / clamp: computed into a tile buffer
};

struct PlanNode {
    const Node* node = nullptr;
    std::vector<int> inputs;
    std::vector<int> consumers;
    Role role = Role::region;
    int group = -1;
    ConstPixelView memory;  // for leaves
};

struct Plan {
    std::vector<PlanNode> nodes;  // inputs before consumers; root last
    std::vector<std::vector<int>> groups;  // per group root index: members in order, root last
    int root = -1;
};

bool rowCapable(NodeKind k) {
    switch (k) {
        case NodeKind::source:
        case NodeKind::constant:
        case NodeKind::generator:
        case NodeKind::pointwise:
        case NodeKind::crop:
        case NodeKind::cache:
        case NodeKind::empty:
            return true;
        default:
            return false;
    }
}

// The rectangle input `k` of `n` must provide so that `n` can produce `need`.
Rect inputDemand(const Node& n, const Rect& need) {
    switch (n.kind) {
        case NodeKind::neighbourhood: return need.grown(n.margin);
        case NodeKind::transform: return transformReadRect(n, need);
        case NodeKind::clamp: return clampInputRect(n, need);
        case NodeKind::raster: return n.inputs[0]->extent.isFinite() ? n.inputs[0]->extent : Rect{};
        default: return need;
    }
}

// The nodes a plan node reads: its inputs, except that a transform reads through a clamp
// directly below it (its sampling clamps the coordinates, so the clamped region is not copied).
const Node* planInput(const Node& n, std::size_t k) {
    if (const Node* clamp = foldedClamp(n)) return resolve(clamp->inputs[0].get());
    return resolve(n.inputs[k].get());
}

// A strong downscale of a source (a thumbnail of a full scan) reads four source pixels per
// output pixel straight from the native data instead of converting the whole region it spans.
bool samplesSourceDirectly(const Node& n) {
    if (n.kind != NodeKind::transform) return false;
    const Node* in = resolve(n.inputs[0].get());
    return in->kind == NodeKind::source && std::fabs(n.inverse.determinant()) > 4.0;
}

}  // namespace

struct Render::State {
    Image image;
    Rect rect;
    EvalSettings settings;
    std::unordered_map<const Node*, std::shared_ptr<const PixelBuffer>> materialised;
    std::unordered_map<const Node*, Plan> plans;
    tbb::enumerable_thread_specific<Scratch> scratch;
    std::atomic<std::size_t> tiles{0};
    std::atomic<bool> stopped{false};

    bool stopRequested() {
        if (stopped.load(std::memory_order_relaxed)) return true;
        if (settings.stop.stop_requested()) stopped.store(true, std::memory_order_relaxed);
        return stopped.load(std::memory_order_relaxed);
    }

    // ---- planning

    Plan buildPlan(const Node* root) {
        root = resolve(root);
        Plan plan;
        std::unordered_map<const Node*, int> index;
        // Iterative post-order DFS; stage nodes are looked through.
        struct Frame { const Node* n; std::size_t next; };
        std::vector<Frame> stack{{resolve(root), 0}};
        std::unordered_map<const Node*, bool> onStack;
        auto isLeaf = [&](const Node* n) {
            // A materialised root (a raster or whole-image filter at the top of the graph) is
            // read from memory too; only while it is being computed is it not yet there.
            return n->kind == NodeKind::buffer || materialised.count(n) > 0;
        };
        while (!stack.empty()) {
            Frame& f = stack.back();
            const bool leaf = isLeaf(f.n);
            if (!leaf && f.next < f.n->inputs.size()) {
                const Node* in = planInput(*f.n, f.next++);
                if (!index.count(in)) stack.push_back({in, 0});
                continue;
            }
            const Node* n = f.n;
            stack.pop_back();
            if (index.count(n)) continue;
            PlanNode p;
            p.node = n;
            if (!leaf)
                for (std::size_t k = 0; k < n->inputs.size(); ++k) p.inputs.push_back(index.at(planInput(*n, k)));
            if (leaf) {
                p.role = Role::leaf;
                const PixelBuffer& b = n->kind == NodeKind::buffer ? *n->buffer : *materialised.at(n);
                // A raster may return more than its extent; nothing outside the extent exists.
                const Rect visible = b.rect().intersected(n->extent);
                if (!visible.isEmpty()) p.memory = b.view().sub(visible);
            }
            index[n] = int(plan.nodes.size());
            plan.nodes.push_back(std::move(p));
        }
        plan.root = int(plan.nodes.size()) - 1;
        for (int i = 0; i < int(plan.nodes.size()); ++i)
            for (int in : plan.nodes[std::size_t(i)].inputs) plan.nodes[std::size_t(in)].consumers.push_back(i);
        // Row groups, decided from the output back to the inputs.
        plan.groups.assign(plan.nodes.size(), {});
        for (int i = plan.root; i >= 0; --i) {
            PlanNode& p = plan.nodes[std::size_t(i)];
            if (p.role == Role::leaf) continue;
            // A cache node that is not materialised here (it is this plan's root) is a crop.
            if (!rowCapable(p.node->kind)) {
                p.role = Role::region;
                continue;
            }
            int group = -2;
            if (i != plan.root) {
                for (int c : p.consumers) {
                    const PlanNode& cp = plan.nodes[std::size_t(c)];
                    const int g = cp.role == Role::groupRoot || cp.role == Role::member ? cp.group : -1;
                    if (g < 0 || (group != -2 && group != g)) {
                        group = -1;
                        break;
                    }
                    group = g;
                }
            }
            if (group >= 0) {
                p.role = Role::member;
                p.group = group;
            } else {
                p.role = Role::groupRoot;
                p.group = i;
            }
        }
        for (int i = 0; i <= plan.root; ++i) {
            const PlanNode& p = plan.nodes[std::size_t(i)];
            if (p.role == Role::member || p.role == Role::groupRoot) plan.groups[std::size_t(p.group)].push_back(i);
        }
        return plan;
    }

    const Plan& planFor(const Node* root) {
        auto it = plans.find(root);
        if (it == plans.end()) it = plans.emplace(root, buildPlan(root)).first;
        return it->second;
    }

    // ---- one tile

    // Propagates `rect` from the plan's root; demand[i] ends as what node i must produce
    // (clipped to its extent).
    static void propagate(const Plan& plan, const Rect& rect, std::vector<Rect>& demand) {
        demand.assign(plan.nodes.size(), Rect{});
        demand[std::size_t(plan.root)] = rect;
        for (int i = plan.root; i >= 0; --i) {
            const PlanNode& p = plan.nodes[std::size_t(i)];
            Rect& need = demand[std::size_t(i)];
            need = need.intersected(p.node->extent);
            if (need.isEmpty() || p.role == Role::leaf) continue;
            if (samplesSourceDirectly(*p.node)) continue;
            for (int in : p.inputs) {
                Rect& d = demand[std::size_t(in)];
                d = d.united(inputDemand(*p.node, need));
            }
        }
    }

    // A view over exactly `r`, zero where `v` has no pixels (no copy when `v` covers `r`).
    static ConstPixelView exactView(Scratch& s, const ConstPixelView& v, const Rect& r) {
        if (r.isEmpty()) return {};
        if (!v.isEmpty() && v.rect.contains(r)) return v.sub(r);
        PixelView out = s.allocView(r);
        for (std::int64_t y = r.minY(); y < r.maxY(); ++y) readViewRow(v, r.x, y, int(r.width), out.row(y));
        return out;
    }

    // Row pointer for pixels x..x+count-1 of row y of `v`, zero-padded into `tmp` if needed.
    static const float* rowOf(const ConstPixelView& v, std::int64_t x, std::int64_t y, int count, float* tmp) {
        if (!v.isEmpty() && y >= v.rect.minY() && y < v.rect.maxY() && x >= v.rect.minX() && x + count <= v.rect.maxX())
            return v.at(x, y);
        readViewRow(v, x, y, count, tmp);
        return tmp;
    }

    // Runs the row group of `g` over its demanded rectangle. The root's rows go to
    // `emit(y, row)`, where row covers need[g].x .. maxX.
    template <class Emit>
    void runGroup(const Plan& plan, int g, Scratch& s, Emit&& emit) {
        const std::vector<Rect>& demand = s.demand;
        const Rect& area = demand[std::size_t(g)];
        if (area.isEmpty()) return;
        const auto& members = plan.groups[std::size_t(g)];
        const std::int64_t x0 = area.x;
        const int width = int(area.width);
        const std::size_t slotFloats = std::size_t(width) * 4;
        // One slot per member plus a spare per input for padded reads.
        std::size_t maxInputs = 0;
        for (int m : members) maxInputs = std::max(maxInputs, plan.nodes[std::size_t(m)].inputs.size());
        float* base = s.alloc(slotFloats * (members.size() + maxInputs));
        std::vector<float*>& slots = s.slots;
        slots.assign(plan.nodes.size(), nullptr);
        for (std::size_t k = 0; k < members.size(); ++k) slots[std::size_t(members[k])] = base + k * slotFloats;
        float* spare = base + members.size() * slotFloats;
        std::vector<const float*>& ptrs = s.inputPtrs;
        for (std::int64_t y = area.maxY() - 1; y >= area.minY(); --y) {
            for (int m : members) {
                const PlanNode& p = plan.nodes[std::size_t(m)];
                float* slot = slots[std::size_t(m)];
                const Rect& need = demand[std::size_t(m)];
                if (need.isEmpty() || y < need.minY() || y >= need.maxY()) {
                    std::memset(slot, 0, slotFloats * sizeof(float));
                    continue;
                }
                const std::int64_t a = need.x, b = need.maxX();
                const int n = int(b - a);
                float* out = slot + (a - x0) * 4;
                if (a > x0) std::memset(slot, 0, std::size_t(a - x0) * 4 * sizeof(float));
                if (b < x0 + width) std::memset(slot + (b - x0) * 4, 0, std::size_t(x0 + width - b) * 4 * sizeof(float));
                const Node& node = *p.node;
                switch (node.kind) {
                    case NodeKind::empty: std::memset(out, 0, std::size_t(n) * 4 * sizeof(float)); break;
                    case NodeKind::source: readSourceRow(*node.source, a, y, n, out); break;
                    case NodeKind::constant: fillRow(node.color, n, out); break;
                    case NodeKind::generator: node.generator(RowSpan{a, y, n}, out); break;
                    case NodeKind::pointwise: {
                        ptrs.resize(p.inputs.size());
                        for (std::size_t k = 0; k < p.inputs.size(); ++k) {
                            const int in = p.inputs[k];
                            if (slots[std::size_t(in)]) ptrs[k] = slots[std::size_t(in)] + (a - x0) * 4;
                            else ptrs[k] = rowOf(s.views[std::size_t(in)], a, y, n, spare + k * slotFloats);
                        }
                        node.pointwise(RowSpan{a, y, n}, ptrs.data(), out);
                        break;
                    }
                    default: {  // crop, cache: pass the input through
                        const int in = p.inputs[0];
                        const float* src = slots[std::size_t(in)] ? slots[std::size_t(in)] + (a - x0) * 4
                                                                  : rowOf(s.views[std::size_t(in)], a, y, n, spare);
                        std::memcpy(out, src, std::size_t(n) * 4 * sizeof(float));
                        break;
                    }
                }
            }
            emit(y, slots[std::size_t(g)]);
        }
    }

    void runRegion(const Plan& plan, int i, Scratch& s, const PixelView& out) {
        const PlanNode& p = plan.nodes[std::size_t(i)];
        const Node& node = *p.node;
        const Rect& need = out.rect;
        const ConstPixelView in = s.views[std::size_t(p.inputs[0])];
        const int n = int(need.width);
        switch (node.kind) {
            case NodeKind::neighbourhood:
                node.neighbourhood(exactView(s, in, need.grown(node.margin)), out);
                break;
            case NodeKind::transform:
                if (samplesSourceDirectly(node)) {
                    for (std::int64_t y = need.minY(); y < need.maxY(); ++y)
                        sampleTransformRowFromSource(node, *resolve(node.inputs[0].get())->source, need.x, y, n, out.row(y));
                    break;
                }
                if (const Node* clamp = foldedClamp(node)) {
                    const Rect& e = clamp->inputs[0]->extent;
                    for (std::int64_t y = need.minY(); y < need.maxY(); ++y) sampleTransformRow(node, in, need.x, y, n, out.row(y), &e);
                    break;
                }
                for (std::int64_t y = need.minY(); y < need.maxY(); ++y) sampleTransformRow(node, in, need.x, y, n, out.row(y));
                break;
            case NodeKind::clamp:
                for (std::int64_t y = need.minY(); y < need.maxY(); ++y) clampRow(node, in, need.x, y, n, out.row(y));
                break;
            default:  // raster or whole-image nodes that were not materialised (nothing to read)
                for (std::int64_t y = need.minY(); y < need.maxY(); ++y) std::memset(out.row(y), 0, std::size_t(n) * 16);
                break;
        }
    }

    // Evaluates `plan` over `tile` and hands every row of the tile (full width, zero outside
    // the root's extent) to `sink`.
    void runTile(const Plan& plan, const Rect& tile, const RowSink& sink) {
        Scratch& local = scratch.local();
        if (local.busy) {
            // A kernel ran a parallel loop and this thread picked up another tile meanwhile:
            // the thread's scratch is in use, so this tile gets its own.
            Scratch own;
            runTileWith(own, plan, tile, sink);
            return;
        }
        local.busy = true;
        runTileWith(local, plan, tile, sink);
        local.busy = false;
    }

    void runTileWith(Scratch& s, const Plan& plan, const Rect& tile, const RowSink& sink) {
        s.reset();
        propagate(plan, tile, s.demand);
        s.views.assign(plan.nodes.size(), ConstPixelView{});
        const Rect& rootNeed = s.demand[std::size_t(plan.root)];
        const int tw = int(tile.width);
        float* rowTmp = s.alloc(std::size_t(tw) * 4);
        auto emitRow = [&](std::int64_t y, const float* row, std::int64_t rowX) {
            // `row` holds rootNeed's span of row y, starting at rowX.
            if (rowNeedsPadding(tile, rootNeed)) {
                std::memset(rowTmp, 0, std::size_t(tw) * 16);
                if (row) std::memcpy(rowTmp + (rootNeed.x - tile.x) * 4, row + (rootNeed.x - rowX) * 4, std::size_t(rootNeed.width) * 16);
                sink(tile.x, y, tw, rowTmp);
            } else {
                sink(tile.x, y, tw, row + (tile.x - rowX) * 4);
            }
        };
        for (int i = 0; i <= plan.root; ++i) {
            const PlanNode& p = plan.nodes[std::size_t(i)];
            const Rect& need = s.demand[std::size_t(i)];
            if (p.role == Role::leaf) {
                s.views[std::size_t(i)] = p.memory;
                if (i == plan.root && !need.isEmpty()) {
                    // The buffer may cover less than the extent (a raster's result): pad with zeros.
                    float* padded = s.alloc(std::size_t(need.width) * 4);
                    for (std::int64_t y = need.maxY() - 1; y >= need.minY(); --y)
                        emitRow(y, rowOf(p.memory, need.x, y, int(need.width), padded), need.x);
                }
                continue;
            }
            if (need.isEmpty() || p.role == Role::member) continue;
            // Crops and whole-pixel moves of pixels already in memory are views of them.
            if (const auto shifted = viewWithoutCopy(plan, i, s, need)) {
                s.views[std::size_t(i)] = *shifted;
                if (i == plan.root)
                    for (std::int64_t y = need.maxY() - 1; y >= need.minY(); --y) emitRow(y, shifted->row(y), need.x);
                continue;
            }
            if (p.role == Role::groupRoot) {
                if (i == plan.root) {
                    runGroup(plan, i, s, [&](std::int64_t y, const float* row) { emitRow(y, row, need.x); });
                } else {
                    PixelView v = s.allocView(need);
                    runGroup(plan, i, s, [&](std::int64_t y, const float* row) {
                        std::memcpy(v.row(y), row, std::size_t(need.width) * 16);
                    });
                    s.views[std::size_t(i)] = v;
                }
                continue;
            }
            PixelView v = s.allocView(need);
            runRegion(plan, i, s, v);
            s.views[std::size_t(i)] = v;
            if (i == plan.root)
                for (std::int64_t y = need.maxY() - 1; y >= need.minY(); --y) emitRow(y, v.row(y), need.x);
        }
        // Rows of the tile the root does not cover at all.
        if (rootNeed.isEmpty() || rootNeed.height < tile.height) {
            std::memset(rowTmp, 0, std::size_t(tw) * 16);
            for (std::int64_t y = tile.maxY() - 1; y >= tile.minY(); --y)
                if (rootNeed.isEmpty() || y < rootNeed.minY() || y >= rootNeed.maxY()) sink(tile.x, y, tw, rowTmp);
        }
        tiles.fetch_add(1, std::memory_order_relaxed);
    }

    // A crop that is a row group of its own, or a whole-pixel translation, over an input that
    // is in memory and covers what is needed: the input's pixels, relabelled.
    static std::optional<ConstPixelView> viewWithoutCopy(const Plan& plan, int i, const Scratch& s, const Rect& need) {
        const PlanNode& p = plan.nodes[std::size_t(i)];
        const Node& n = *p.node;
        std::int64_t dx = 0, dy = 0;
        if (n.kind == NodeKind::crop || n.kind == NodeKind::cache) {
            if (p.role != Role::groupRoot || plan.groups[std::size_t(i)].size() != 1) return std::nullopt;
        } else if (n.kind == NodeKind::transform && !foldedClamp(n) && n.exact) {
            const AffineTransform& t = n.inverse;
            if (t.a != 1 || t.b != 0 || t.c != 0 || t.d != 1 || t.tx != std::floor(t.tx) || t.ty != std::floor(t.ty))
                return std::nullopt;
            dx = std::int64_t(t.tx);
            dy = std::int64_t(t.ty);
        } else {
            return std::nullopt;
        }
        const ConstPixelView& in = s.views[std::size_t(p.inputs[0])];
        const Rect src{need.x + dx, need.y + dy, need.width, need.height};
        if (in.isEmpty() || !in.rect.contains(src)) return std::nullopt;
        ConstPixelView v = in.sub(src);
        v.rect = need;
        return v;
    }

    static bool rowNeedsPadding(const Rect& tile, const Rect& need) { return need.x != tile.x || need.width != tile.width; }

    // Evaluates the graph below `root` over `rect` in parallel tiles.
    bool runTiles(const Node* root, const Rect& rect, const RowSink& sink) {
        if (rect.isEmpty()) return !stopRequested();
        const Plan& plan = planFor(root);
        const std::int64_t ts = settings.tileSize;
        const std::int64_t cols = (rect.width + ts - 1) / ts, rows = (rect.height + ts - 1) / ts;
        // One task per tile: tiles are coarse, and with few of them per thread (a preview has
        // about nine) handing them out one by one keeps the threads finishing together.
        tbb::parallel_for(
            tbb::blocked_range<std::int64_t>(0, cols * rows, 1),
            [&](const tbb::blocked_range<std::int64_t>& range) {
                for (std::int64_t t = range.begin(); t != range.end(); ++t) {
                    if (stopRequested()) return;
                    const std::int64_t cx = t % cols, cy = t / cols;
                    // Tiles are counted from the top-left so the output is produced top down.
                    const std::int64_t x0 = rect.x + cx * ts, y1 = rect.maxY() - cy * ts;
                    const Rect tile = Rect::fromEdges(x0, std::max(rect.y, y1 - ts), std::min(rect.maxX(), x0 + ts), y1);
                    runTile(plan, tile, sink);
                }
            },
            tbb::simple_partitioner());
        return !stopRequested();
    }

    std::shared_ptr<const PixelBuffer> evaluateToBuffer(const Node* root, const Rect& rect) {
        // Every row of every tile reaches the sink, so the buffer needs no zero fill.
        auto out = std::make_shared<PixelBuffer>(PixelBuffer::forOverwrite(rect));
        if (out->isEmpty()) return out;
        PixelView v = out->view();
        const bool ok = runTiles(root, rect, [&](std::int64_t x, std::int64_t y, int count, const float* row) {
            std::memcpy(v.at(x, y), row, std::size_t(count) * 16);
        });
        if (!ok) return nullptr;
        return out;
    }

    // ---- once per render

    bool prepare() {
        const Node* root = resolve(image.node().get());
        // Every node reachable, inputs first, with the render-level demand.
        std::vector<const Node*> order;
        std::unordered_map<const Node*, int> index;
        {
            struct Frame { const Node* n; std::size_t next; };
            std::vector<Frame> stack{{root, 0}};
            while (!stack.empty()) {
                Frame& f = stack.back();
                if (f.next < f.n->inputs.size()) {
                    const Node* in = resolve(f.n->inputs[f.next++].get());
                    if (!index.count(in)) stack.push_back({in, 0});
                    continue;
                }
                const Node* n = f.n;
                stack.pop_back();
                if (index.count(n)) continue;
                index[n] = int(order.size());
                order.push_back(n);
            }
        }
        std::vector<Rect> demand(order.size());
        std::vector<int> consumers(order.size(), 0);
        demand.back() = rect;
        for (int i = int(order.size()) - 1; i >= 0; --i) {
            const Node* n = order[std::size_t(i)];
            Rect& need = demand[std::size_t(i)];
            need = need.intersected(n->extent);
            for (const auto& in : n->inputs) {
                const int k = index.at(resolve(in.get()));
                ++consumers[std::size_t(k)];
                if (!need.isEmpty()) demand[std::size_t(k)] = demand[std::size_t(k)].united(inputDemand(*n, need));
            }
        }
        // The input of a strong downscale spans many tiles' worth of pixels for every tile:
        // compute it once (its extent bounds the cost) unless it can be sampled directly.
        std::vector<bool> forced(order.size(), false);
        for (const Node* n : order) {
            if (n->kind != NodeKind::transform || std::fabs(n->inverse.determinant()) <= 4.0 || samplesSourceDirectly(*n)) continue;
            const Node* in = planInput(*n, 0);
            if (in->kind != NodeKind::buffer && in->extent.isFinite() && index.count(in)) forced[std::size_t(index.at(in))] = true;
        }
        // Materialise, inputs first.
        std::size_t count = 0;
        for (std::size_t i = 0; i < order.size(); ++i) {
            const Node* n = order[i];
            const Rect& need = demand[i];
            const bool wanted = forced[i] || n->kind == NodeKind::cache || n->kind == NodeKind::raster ||
                                (n->kind == NodeKind::neighbourhood && (n->wholeImage || (consumers[i] > 1 && n->margin > 0)));
            if (!wanted) continue;
            if (stopRequested()) return false;
            std::shared_ptr<const PixelBuffer> result;
            if (!need.isEmpty() && need.area() <= kMaxMaterialisedPixels) {
                switch (n->kind) {
                    case NodeKind::cache:
                        result = evaluateToBuffer(resolve(n->inputs[0].get()), need);
                        break;
                    case NodeKind::raster: {
                        const Node* in = resolve(n->inputs[0].get());
                        std::shared_ptr<const PixelBuffer> input =
                            in->extent.isFinite() && in->extent.area() <= kMaxMaterialisedPixels
                                ? evaluateToBuffer(in, in->extent)
                                : std::make_shared<PixelBuffer>();
                        if (!input) return false;
                        result = std::make_shared<const PixelBuffer>(n->raster(*input));
                        break;
                    }
                    default:
                        if (n->kind == NodeKind::neighbourhood && n->wholeImage) {
                            auto input = evaluateToBuffer(resolve(n->inputs[0].get()), need.grown(n->margin));
                            if (!input) return false;
                            // The kernel writes every output pixel.
                            auto out = std::make_shared<PixelBuffer>(PixelBuffer::forOverwrite(need));
                            n->neighbourhood(input->view(), out->view());
                            result = out;
                        } else {
                            result = evaluateToBuffer(n, need);
                        }
                        break;
                }
                if (!result) return false;
            } else {
                result = std::make_shared<const PixelBuffer>();
            }
            materialised[n] = std::move(result);
            ++count;
            plans.clear();  // plans built so far did not know this node is in memory
        }
        if (settings.stats) {
            settings.stats->materialized += count;
            settings.stats->tiles += tiles.load();
            settings.stats->stages = image.stages();
        }
        return !stopRequested();
    }

    static constexpr double kMaxMaterialisedPixels = double(std::int64_t(1) << 31);
};

Render::Render(const Image& image, const Rect& rect, EvalSettings settings)
    : state_(std::make_unique<State>()) {
    state_->image = image;
    state_->rect = rect;
    state_->settings = std::move(settings);
    state_->settings.tileSize = std::clamp(state_->settings.tileSize, 16, 4096);
}

Render::~Render() = default;

bool Render::prepare() { return state_->prepare(); }

bool Render::run(const Rect& band, const RowSink& sink) {
    if (state_->stopRequested()) return false;
    const std::size_t before = state_->tiles.load();
    const bool ok = state_->runTiles(resolve(state_->image.node().get()), band, sink);
    if (state_->settings.stats) state_->settings.stats->tiles += state_->tiles.load() - before;
    return ok;
}

}  // namespace vantrel::detail
