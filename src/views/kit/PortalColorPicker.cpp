#include "views/kit/PortalColorPicker.h"

#include <cmath>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTimer>
#include <QWidget>

namespace vantrel {

namespace {

constexpr quint32 kFirstVersionWithPickColor = 2;

// The identifier of the asking window, so that the desktop can place its
// picker over it; an X11 window only (Wayland needs an exported handle).
QString parentWindowOf(QWidget* widget) {
    if (!widget || QGuiApplication::platformName() != QLatin1String("xcb")) return {};
    QWidget* window = widget->window();
    return QStringLiteral("x11:") + QString::number(window->winId(), 16);
}

}  // namespace

PortalColorPicker::PortalColorPicker(QDBusConnection bus, std::chrono::milliseconds probeTimeout, QObject* parent)
    : ScreenColorSampler(parent), bus_(std::move(bus)) {
    // A bus we could not reach never answers a call, not even with an error.
    if (!bus_.isConnected()) {
        availability_ = Availability::unavailable;
        return;
    }
    QDBusMessage ask = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kObjectPath),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    ask << QString::fromLatin1(kInterface) << QStringLiteral("version");
    auto* call = new QDBusPendingCallWatcher(bus_.asyncCall(ask, int(probeTimeout.count())), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, &PortalColorPicker::probed);
    // Should the bus drop the call without an answer, the probe still ends.
    QTimer::singleShot(probeTimeout + std::chrono::milliseconds(500), this, [this] {
        if (availability_ == Availability::probing) decide(false);
    });
}

PortalColorPicker::~PortalColorPicker() {
    // The desktop's picker goes with us; no completion runs any more.
    if (!handle_.isEmpty()) {
        bus_.send(QDBusMessage::createMethodCall(QString::fromLatin1(kService), handle_,
                                                 QString::fromLatin1(kRequestInterface), QStringLiteral("Close")));
        stopListening();
    }
}

const char* PortalColorPicker::unavailableReasonKey() const {
    return availability_ == Availability::unavailable ? "negativeLab.sampleUnavailable" : "";
}

void PortalColorPicker::probed(QDBusPendingCallWatcher* call) {
    call->deleteLater();
    if (availability_ != Availability::probing) return;
    const QDBusPendingReply<QDBusVariant> reply = *call;
    bool ok = false;
    const quint32 version = reply.isError() ? 0 : reply.value().variant().toUInt(&ok);
    decide(ok && version >= kFirstVersionWithPickColor);
}

void PortalColorPicker::decide(bool available) {
    availability_ = available ? Availability::available : Availability::unavailable;
    Q_EMIT availabilityChanged();
    // A pick asked for while probing starts now, or ends with nothing.
    if (done_ && handle_.isEmpty()) {
        if (available)
            start(waitingWindow_);
        else
            finish(std::nullopt);
    }
}

void PortalColorPicker::sample(QWidget* window, Completion done) {
    cancel();
    done_ = std::move(done);
    switch (availability_) {
    case Availability::probing:
        waitingWindow_ = window;  // started once the probe answers
        break;
    case Availability::available:
        start(window);
        break;
    case Availability::unavailable:
        finish(std::nullopt);
        break;
    }
}

void PortalColorPicker::start(QWidget* window) {
    waitingWindow_.clear();
    // Listen first on the path the portal will use, then ask.
    const QString token = QStringLiteral("vantrel%1_%2").arg(QRandomGenerator::global()->generate()).arg(++picks_);
    QString sender = bus_.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    listen(QString::fromLatin1(kObjectPath) + QStringLiteral("/request/") + sender + QLatin1Char('/') + token);

    QDBusMessage pick = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kObjectPath),
                                                       QString::fromLatin1(kInterface), QStringLiteral("PickColor"));
    pick << parentWindowOf(window) << QVariantMap{{QStringLiteral("handle_token"), token}};
    auto* call = new QDBusPendingCallWatcher(bus_.asyncCall(pick), this);
    const QString asked = handle_;
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, asked](QDBusPendingCallWatcher* reply) {
        reply->deleteLater();
        if (handle_ != asked) return;  // that pick has ended already
        const QDBusPendingReply<QDBusObjectPath> answer = *reply;
        if (answer.isError()) {
            becomeUnavailable();
            finish(std::nullopt);
            return;
        }
        // Portals older than the handle_token convention choose their own path.
        if (const QString path = answer.value().path(); path != handle_) listen(path);
    });
}

void PortalColorPicker::listen(const QString& path) {
    stopListening();
    handle_ = path;
    bus_.connect(QString::fromLatin1(kService), handle_, QString::fromLatin1(kRequestInterface),
                 QStringLiteral("Response"), this, SLOT(onResponse(QDBusMessage)));
}

void PortalColorPicker::stopListening() {
    if (handle_.isEmpty()) return;
    bus_.disconnect(QString::fromLatin1(kService), handle_, QString::fromLatin1(kRequestInterface),
                    QStringLiteral("Response"), this, SLOT(onResponse(QDBusMessage)));
    handle_.clear();
}

void PortalColorPicker::onResponse(const QDBusMessage& message) {
    if (handle_.isEmpty() || message.path() != handle_) return;
    const QList<QVariant> arguments = message.arguments();
    std::optional<SampledColor> colour;
    // 0: success; 1: cancelled; 2: ended otherwise.
    if (arguments.size() >= 2 && arguments[0].toUInt() == 0)
        colour = colorOf(qdbus_cast<QVariantMap>(arguments[1]));
    finish(colour);
}

std::optional<SampledColor> PortalColorPicker::colorOf(const QVariantMap& results) {
    const QVariant value = results.value(QStringLiteral("color"));
    if (!value.canConvert<QDBusArgument>()) return std::nullopt;
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("(ddd)")) return std::nullopt;
    SampledColor colour;
    argument.beginStructure();
    argument >> colour.red >> colour.green >> colour.blue;
    argument.endStructure();
    // The engine takes any finite component; a broken answer is no colour.
    if (!std::isfinite(colour.red) || !std::isfinite(colour.green) || !std::isfinite(colour.blue)) return std::nullopt;
    return colour;
}

void PortalColorPicker::cancel() {
    if (!done_) return;
    if (!handle_.isEmpty())
        bus_.send(QDBusMessage::createMethodCall(QString::fromLatin1(kService), handle_,
                                                 QString::fromLatin1(kRequestInterface), QStringLiteral("Close")));
    finish(std::nullopt);
}

void PortalColorPicker::finish(std::optional<SampledColor> colour) {
    stopListening();
    waitingWindow_.clear();
    if (Completion done = std::exchange(done_, nullptr)) deliver(std::move(done), colour);
}

void PortalColorPicker::becomeUnavailable() {
    if (availability_ == Availability::unavailable) return;
    availability_ = Availability::unavailable;
    Q_EMIT availabilityChanged();
}

}  // namespace vantrel
