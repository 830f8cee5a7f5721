#pragma once
// PortalColorPicker: the desktop portal's colour picker over D-Bus (PickColor
// of org.freedesktop.portal.Screenshot, version 2 and later). The desktop shows
// its own picker, on X11 and Wayland alike, and answers through the Response
// signal of a Request object whose path we know before calling, so the answer
// cannot arrive before we listen for it.
//
// On construction it asks the bus for the interface's version; without an
// answer within the probe timeout (no portal, a portal without a screenshot
// backend, a bus that does not answer) it is unavailable, and on a bus that is
// not connected at once. A pick that the portal refuses makes it unavailable too.
#include <chrono>

#include <QDBusConnection>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "views/kit/ScreenColorSampler.h"

class QDBusMessage;
class QDBusPendingCallWatcher;

namespace vantrel {

class PortalColorPicker final : public ScreenColorSampler {
    Q_OBJECT

public:
    static constexpr const char* kService = "org.freedesktop.portal.Desktop";
    static constexpr const char* kObjectPath = "/org/freedesktop/portal/desktop";
    static constexpr const char* kInterface = "org.freedesktop.portal.Screenshot";
    static constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";

    explicit PortalColorPicker(QDBusConnection bus,
                               std::chrono::milliseconds probeTimeout = std::chrono::milliseconds(2000),
                               QObject* parent = nullptr);
    ~PortalColorPicker() override;

    Availability availability() const override { return availability_; }
    const char* unavailableReasonKey() const override;
    void sample(QWidget* window, Completion done) override;
    void cancel() override;

    // The object path of the running pick's Request (empty when none runs).
    QString requestPath() const { return handle_; }

    // The colour of a PickColor response's results: the "color" entry as three
    // finite numbers ("(ddd)"); nothing for anything else.
    static std::optional<SampledColor> colorOf(const QVariantMap& results);

private Q_SLOTS:
    void onResponse(const QDBusMessage& message);

private:
    void probed(QDBusPendingCallWatcher* call);
    void decide(bool available);
    void start(QWidget* window);
    void finish(std::optional<SampledColor> colour);
    void listen(const QString& path);
    void stopListening();
    void becomeUnavailable();

    QDBusConnection bus_;
    Availability availability_ = Availability::probing;
    QPointer<QWidget> waitingWindow_;  // the window of a pick asked for while probing
    Completion done_;
    QString handle_;     // the Request path we listen on
    quint64 picks_ = 0;  // numbers the handle tokens
};

}  // namespace vantrel
