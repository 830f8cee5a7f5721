#pragma once
// When the current frame renders: a final request renders the full scan at
// once; an interactive one renders the proxy at once and the full scan after a
// quiet pause, which each further request restarts. Renders run on the given
// pool; a finished render is handed back on the GUI thread only while it is
// still the latest of its kind, and a full render stops its request's proxy.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include "viewmodel/RenderService.h"
#include "viewmodel/TaskHandle.h"
#include "viewmodel/ToolMode.h"

namespace vantrel {

class RenderScheduler final : public QObject {
    Q_OBJECT

public:
    // final: a final request's render; proxy: an interactive request's quick
    // one; full: the full scan after the pause.
    enum class Pass { final, proxy, full };
    // Publishes a finished render (on the GUI thread).
    using Publish = std::function<void(Pass, const RenderJob&, RenderResult)>;
    // Renders the sharp region of a zoomed canvas for `job` (when one is
    // wanted), then runs `then`: a full render shows the part on screen first.
    using RegionThen = std::function<void(const RenderJob&, std::function<void()>)>;

    RenderScheduler(std::shared_ptr<RenderService> service, QThreadPool& pool, std::chrono::milliseconds fullRenderDelay,
                    Publish publish, RegionThen regionThen, QObject* parent = nullptr);

    // Stops what a previous request started (renders under way and the waiting full render).
    void cancel();
    // Renders `job` as `quality` asks; an interactive proxy render is at most
    // `interactiveSize` pixels long (0: the proxy's own size).
    void request(RenderJob job, RenderQuality quality, int interactiveSize);
    // An interactive request's full render is waiting for its pause.
    bool isFullRenderWaiting() const { return fullRenderJob_.has_value(); }

private:
    void startFullRender();
    void launch(Pass pass, RenderJob job);
    void finished(Pass pass, std::uint64_t serial, const RenderJob& job, RenderResult result);

    std::shared_ptr<RenderService> service_;
    QThreadPool& pool_;
    Publish publish_;
    RegionThen regionThen_;
    TaskHandle renderTask_;  // final and proxy renders
    TaskHandle fullRenderTask_;
    QTimer fullRenderTimer_;
    std::optional<RenderJob> fullRenderJob_;
};

}  // namespace vantrel
