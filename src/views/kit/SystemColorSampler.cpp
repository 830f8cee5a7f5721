#include "views/kit/SystemColorSampler.h"

#include <QDBusConnection>
#include <QFileInfo>
#include <QGuiApplication>

#include "views/kit/PortalColorPicker.h"
#include "views/kit/ScreenGrabColorPicker.h"

namespace vantrel {

SystemColorSampler::SystemColorSampler(QObject* parent, std::chrono::milliseconds portalTimeout)
    : ScreenColorSampler(parent) {
    const QString platform = QGuiApplication::platformName();
    hasScreen_ = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal") &&
                 !QGuiApplication::screens().isEmpty();
    if (!hasScreen_) return;
    grab_ = new ScreenGrabColorPicker(this);
    if (sessionBusConfigured()) {
        portal_ = new PortalColorPicker(QDBusConnection::sessionBus(), portalTimeout, this);
        connect(portal_, &ScreenColorSampler::availabilityChanged, this, [this] {
            if (waiting_ && portal_->availability() != Availability::probing) {
                const Method use = method();
                pickWith(use, waitingWindow_, std::exchange(waiting_, nullptr));
            }
            Q_EMIT availabilityChanged();
        });
    }
}

SystemColorSampler::~SystemColorSampler() = default;

bool SystemColorSampler::sessionBusConfigured() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

SystemColorSampler::Method SystemColorSampler::method() const {
    if (portal_ && portal_->availability() == Availability::available) return Method::portal;
    if (grab_ && grab_->availability() == Availability::available) return Method::screenGrab;
    return Method::none;
}

ScreenColorSampler::Availability SystemColorSampler::availability() const {
    if (method() != Method::none) return Availability::available;
    if (portal_ && portal_->availability() == Availability::probing) return Availability::probing;
    return Availability::unavailable;
}

const char* SystemColorSampler::unavailableReasonKey() const {
    if (availability() != Availability::unavailable) return "";
    return hasScreen_ ? "negativeLab.sampleUnavailable" : "negativeLab.sampleNoScreen";
}

void SystemColorSampler::sample(QWidget* window, Completion done) {
    cancel();
    if (availability() == Availability::probing) {
        waiting_ = std::move(done);
        waitingWindow_ = window;
        return;
    }
    pickWith(method(), window, std::move(done));
}

void SystemColorSampler::pickWith(Method how, QWidget* window, Completion done) {
    running_ = how;
    const quint64 pick = ++picks_;
    // The running method is forgotten when this pick ends, unless a newer one runs.
    auto ended = [this, pick] {
        if (pick == picks_) running_ = Method::none;
        return pick == picks_;
    };
    switch (how) {
    case Method::portal:
        portal_->sample(window, [this, ended, window = QPointer<QWidget>(window), done](std::optional<SampledColor> colour) {
            const bool latest = ended();
            // A portal that refused the pick: the cross-hair takes over this press.
            if (latest && !colour && portal_->availability() == Availability::unavailable &&
                method() == Method::screenGrab)
                return pickWith(Method::screenGrab, window, done);
            done(colour);
        });
        break;
    case Method::screenGrab:
        grab_->sample(window, [ended, done](std::optional<SampledColor> colour) {
            ended();
            done(colour);
        });
        break;
    case Method::none:
        running_ = Method::none;
        deliver(std::move(done), std::nullopt);
        break;
    }
}

void SystemColorSampler::cancel() {
    if (Completion waiting = std::exchange(waiting_, nullptr)) deliver(std::move(waiting), std::nullopt);
    if (running_ == Method::portal) portal_->cancel();
    if (running_ == Method::screenGrab) grab_->cancel();
}

}  // namespace vantrel
