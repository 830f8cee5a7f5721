#pragma once
// SystemColorSampler: the eyedropper of this desktop, chosen at run time.
// The desktop portal's colour picker where the session bus offers one, else a
// cross-hair over a grab of the screen (X11), else nothing: unavailable, with
// the reason as a localisation key. Without a screen (offscreen, minimal) it is
// unavailable at once and never touches the bus; without a session bus it does
// not try to start one. The portal is asked in the background (with a timeout),
// so constructing this never waits; a pick asked for meanwhile uses the grab
// when there is one, else waits for the portal's answer.
#include <chrono>
#include <memory>

#include <QPointer>
#include <QWidget>

#include "views/kit/ScreenColorSampler.h"

namespace vantrel {

class PortalColorPicker;
class ScreenGrabColorPicker;

class SystemColorSampler final : public ScreenColorSampler {
    Q_OBJECT

public:
    enum class Method { none, portal, screenGrab };

    explicit SystemColorSampler(QObject* parent = nullptr,
                                std::chrono::milliseconds portalTimeout = std::chrono::milliseconds(2000));
    ~SystemColorSampler() override;

    Availability availability() const override;
    const char* unavailableReasonKey() const override;
    void sample(QWidget* window, Completion done) override;
    void cancel() override;

    // The way a pick starts now (none while the portal is still asked and no grab is possible).
    Method method() const;

    // Whether this session names a session bus (an address, or the bus socket
    // in the runtime folder), so that connecting cannot start one.
    static bool sessionBusConfigured();

private:
    void pickWith(Method how, QWidget* window, Completion done);

    bool hasScreen_ = false;
    PortalColorPicker* portal_ = nullptr;
    ScreenGrabColorPicker* grab_ = nullptr;
    Completion waiting_;  // a pick asked for while the portal was asked and no grab was possible
    QPointer<QWidget> waitingWindow_;
    Method running_ = Method::none;
    quint64 picks_ = 0;
};

}  // namespace vantrel
