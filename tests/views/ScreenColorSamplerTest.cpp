// The eyedropper's screen samplers: the desktop portal's colour picker against
// a fake portal on a private message bus (a pick, a cancel by the photographer
// and by us, a portal too old or absent), and the cross-hair overlay over a
// grabbed picture of the screen.
#include <cmath>
#include <limits>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "views/kit/PortalColorPicker.h"
#include "views/kit/ScreenGrabColorPicker.h"

namespace {

struct PortalColour {
    double red = 0, green = 0, blue = 0;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalColour& c) {
    argument.beginStructure();
    argument << c.red << c.green << c.blue;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalColour& c) {
    argument.beginStructure();
    argument >> c.red >> c.green >> c.blue;
    argument.endStructure();
    return argument;
}

}  // namespace

Q_DECLARE_METATYPE(PortalColour)

namespace vantrel {
namespace {

using Availability = ScreenColorSampler::Availability;

// A message bus of our own for one test, without any service that could start.
class PrivateBus {
public:
    PrivateBus() {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty() || !dir_.isValid()) return;
        const QString config = dir_.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) return;
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                   "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">"
                   "<busconfig><type>session</type><listen>unix:dir=" +
                   dir_.path().toUtf8() +
                   "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                   "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                   "</policy></busconfig>");
        file.close();
        process_.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                                QStringLiteral("--print-address=1")});
        while (!process_.canReadLine())
            if (!process_.waitForReadyRead(5000)) return;
        address_ = QString::fromUtf8(process_.readLine()).trimmed();

    }
    ~PrivateBus() {
        QDBusConnection::disconnectFromBus(QStringLiteral("picker"));
        QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
        process_.kill();
        process_.waitForFinished(2000);
    }
    bool running() const { return !address_.isEmpty(); }
    QDBusConnection connect(const QString& name) { return QDBusConnection::connectToBus(address_, name); }

private:
    QTemporaryDir dir_;
    QProcess process_;
    QString address_;
};

// The desktop portal's screenshot interface, as far as the picker uses it.
class FakePortal final : public QDBusVirtualObject {
public:
    quint32 version = 2;
    bool silent = false;       // the version is never answered
    bool refuse = false;       // PickColor answers with an error
    bool answerAtOnce = true;  // the Response follows the call at once
    quint32 response = 0;      // 0 picked, 1 cancelled
    PortalColour colour{0.25, 0.5, 1.2};
    bool colourAsText = false;  // a broken answer
    QString parentWindow;
    QString requestPath;
    QStringList closed;  // Request paths we were asked to close

    explicit FakePortal(QDBusConnection bus) : bus_(std::move(bus)) {}

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() == QLatin1String("org.freedesktop.DBus.Properties") &&
            message.member() == QLatin1String("Get")) {
            if (silent) return true;
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(version))));
            return true;
        }
        if (message.member() == QLatin1String("PickColor")) {
            if (refuse) {
                connection.send(message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.Failed"),
                                                         QStringLiteral("no picker here")));
                return true;
            }
            parentWindow = message.arguments().value(0).toString();
            const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().value(1));
            QString sender = message.service().mid(1);
            sender.replace(QLatin1Char('.'), QLatin1Char('_'));
            requestPath = QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender + QLatin1Char('/') +
                          options.value(QStringLiteral("handle_token")).toString();
            connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(requestPath))));
            if (answerAtOnce) answer();
            return true;
        }
        if (message.member() == QLatin1String("Close")) {
            closed << message.path();
            connection.send(message.createReply());
            return true;
        }
        return false;
    }
    void answer() {
        QDBusMessage signal = QDBusMessage::createSignal(requestPath, QStringLiteral("org.freedesktop.portal.Request"),
                                                         QStringLiteral("Response"));
        const QVariant value = colourAsText ? QVariant(QStringLiteral("#FF0000")) : QVariant::fromValue(colour);
        signal << response << QVariantMap{{QStringLiteral("color"), value}};
        bus_.send(signal);
    }

private:
    QDBusConnection bus_;
};

struct PortalFixture {
    PrivateBus bus;
    std::unique_ptr<FakePortal> portal;
    bool serve() {
        if (!bus.running()) return false;
        qDBusRegisterMetaType<PortalColour>();
        QDBusConnection side = bus.connect(QStringLiteral("portal"));
        portal = std::make_unique<FakePortal>(side);
        return side.registerService(QString::fromLatin1(PortalColorPicker::kService)) &&
               side.registerVirtualObject(QString::fromLatin1(PortalColorPicker::kObjectPath), portal.get(),
                                          QDBusConnection::SubPath);
    }
};

// One pick's outcome: how often the completion ran and with what.
struct Outcome {
    int calls = 0;
    std::optional<SampledColor> colour;
    ScreenColorSampler::Completion completion() {
        return [this](std::optional<SampledColor> c) {
            ++calls;
            colour = c;
        };
    }
};

TEST(PortalColorPicker, PicksThroughTheDesktopPortalAndEndsEachPickOnce) {
    PortalFixture f;
    if (!f.bus.running()) GTEST_SKIP() << "no dbus-daemon";
    ASSERT_TRUE(f.serve());
    PortalColorPicker picker(f.bus.connect(QStringLiteral("picker")));
    EXPECT_EQ(picker.availability(), Availability::probing);
    ASSERT_TRUE(QTest::qWaitFor([&] { return picker.availability() == Availability::available; }));
    EXPECT_STREQ(picker.unavailableReasonKey(), "");

    // A colour: its components as the portal gives them, later, once.
    Outcome picked;
    picker.sample(nullptr, picked.completion());
    EXPECT_EQ(picked.calls, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return picked.calls == 1; }));
    ASSERT_TRUE(picked.colour);
    EXPECT_EQ(*picked.colour, (SampledColor{0.25, 0.5, 1.2}));
    EXPECT_EQ(f.portal->parentWindow, "");  // no X11 window offscreen
    EXPECT_TRUE(picker.requestPath().isEmpty());

    // Only three finite numbers are a colour.
    for (bool text : {false, true}) {
        f.portal->colourAsText = text;
        f.portal->colour = {0.5, std::numeric_limits<double>::quiet_NaN(), 0.5};
        Outcome broken;
        picker.sample(nullptr, broken.completion());
        ASSERT_TRUE(QTest::qWaitFor([&] { return broken.calls == 1; }));
        EXPECT_FALSE(broken.colour);
    }
    f.portal->colourAsText = false;
    f.portal->colour = {0.25, 0.5, 1.2};

    // The photographer cancels in the desktop's picker.
    f.portal->response = 1;
    Outcome cancelled;
    picker.sample(nullptr, cancelled.completion());
    ASSERT_TRUE(QTest::qWaitFor([&] { return cancelled.calls == 1; }));
    EXPECT_FALSE(cancelled.colour);

    // We end a pick the portal still shows: it is asked to close, and a late answer is ignored.
    f.portal->response = 0;
    f.portal->answerAtOnce = false;
    Outcome ended;
    picker.sample(nullptr, ended.completion());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.portal->requestPath.isEmpty() && picker.requestPath() == f.portal->requestPath; }));
    const QString path = picker.requestPath();
    picker.cancel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.calls == 1; }));
    EXPECT_FALSE(ended.colour);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.portal->closed == QStringList{path}; }));
    // A late answer: it reaches us before the portal's answers to the picks below.
    f.portal->answer();

    // A new pick ends the older one with nothing.
    Outcome first, second;
    picker.sample(nullptr, first.completion());
    picker.sample(nullptr, second.completion());
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.calls == 1; }));
    EXPECT_FALSE(first.colour);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !picker.requestPath().isEmpty() && picker.requestPath() == f.portal->requestPath; }));
    f.portal->answer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.calls == 1; }));
    EXPECT_TRUE(second.colour);
    EXPECT_EQ(ended.calls, 1);  // the late answer was ignored
}

TEST(PortalColorPicker, APortalTooOldAbsentOrRefusingMakesItUnavailableWithoutWaiting) {
    PortalFixture f;
    if (!f.bus.running()) GTEST_SKIP() << "no dbus-daemon";
    {
        // Nobody serves the portal: the bus says so at once, long before the probe's timeout.
        PortalColorPicker picker(f.bus.connect(QStringLiteral("picker")), std::chrono::milliseconds(60000));
        QSignalSpy decided(&picker, &ScreenColorSampler::availabilityChanged);
        // A pick asked for while the probe runs waits for it, then ends with nothing.
        Outcome waiting;
        picker.sample(nullptr, waiting.completion());
        ASSERT_TRUE(QTest::qWaitFor([&] { return picker.availability() == Availability::unavailable; }, 3000));
        EXPECT_EQ(decided.count(), 1);
        ASSERT_TRUE(QTest::qWaitFor([&] { return waiting.calls == 1; }));
        EXPECT_FALSE(waiting.colour);
        EXPECT_STREQ(picker.unavailableReasonKey(), "negativeLab.sampleUnavailable");
        Outcome later;
        picker.sample(nullptr, later.completion());
        EXPECT_EQ(later.calls, 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return later.calls == 1; }));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("picker"));
    ASSERT_TRUE(f.serve());
    {
        f.portal->version = 1;  // before PickColor
        PortalColorPicker picker(f.bus.connect(QStringLiteral("picker")));
        ASSERT_TRUE(QTest::qWaitFor([&] { return picker.availability() == Availability::unavailable; }));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("picker"));
    {
        // A portal that never answers: unavailable once the probe times out.
        f.portal->silent = true;
        PortalColorPicker picker(f.bus.connect(QStringLiteral("picker")), std::chrono::milliseconds(100));
        EXPECT_EQ(picker.availability(), Availability::probing);
        ASSERT_TRUE(QTest::qWaitFor([&] { return picker.availability() == Availability::unavailable; }, 3000));
        f.portal->silent = false;
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("picker"));
    {
        f.portal->version = 2;
        f.portal->refuse = true;
        PortalColorPicker picker(f.bus.connect(QStringLiteral("picker")));
        ASSERT_TRUE(QTest::qWaitFor([&] { return picker.availability() == Availability::available; }));
        Outcome refused;
        picker.sample(nullptr, refused.completion());
        ASSERT_TRUE(QTest::qWaitFor([&] { return refused.calls == 1; }));
        EXPECT_FALSE(refused.colour);
        EXPECT_EQ(picker.availability(), Availability::unavailable);
    }
    // A bus that cannot be reached at all: unavailable at once, and a pick ends with nothing.
    PortalColorPicker nowhere(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                            QStringLiteral("nowhere")));
    EXPECT_EQ(nowhere.availability(), Availability::unavailable);
    Outcome lost;
    nowhere.sample(nullptr, lost.completion());
    ASSERT_TRUE(QTest::qWaitFor([&] { return lost.calls == 1; }));
    EXPECT_FALSE(lost.colour);
    QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));
}

TEST(ScreenGrabOverlay, PicksTheGrabbedPixelUnderTheClickOnceAndCancelsOnEscape) {
    // A grab at twice the overlay's logical size, left half red, right half a known grey-blue.
    QImage grab(200, 100, QImage::Format_RGB32);
    grab.fill(QColor(255, 0, 0));
    for (int y = 0; y < 100; ++y)
        for (int x = 100; x < 200; ++x) grab.setPixelColor(x, y, QColor(51, 102, 204));
    {
        ScreenGrabOverlay overlay(grab, QRect(0, 0, 100, 50));
        EXPECT_EQ(overlay.pixelAt({60, 10}), QPoint(120, 20));
        EXPECT_EQ(overlay.pixelAt({500, -5}), QPoint(199, 0));  // clamped to the grab
        const SampledColor blue = overlay.colorAt({75, 25});
        EXPECT_DOUBLE_EQ(blue.red, 0.2);
        EXPECT_DOUBLE_EQ(blue.green, 0.4);
        EXPECT_DOUBLE_EQ(blue.blue, 0.8);

        QSignalSpy picked(&overlay, &ScreenGrabOverlay::picked);
        QSignalSpy cancelled(&overlay, &ScreenGrabOverlay::cancelled);
        overlay.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&overlay));
        QTest::mouseMove(&overlay, {20, 20});
        QTest::mouseClick(&overlay, Qt::LeftButton, {}, {20, 20});
        QTest::mouseClick(&overlay, Qt::LeftButton, {}, {80, 20});  // one answer per overlay
        QTest::keyClick(&overlay, Qt::Key_Escape);
        ASSERT_EQ(picked.count(), 1);
        EXPECT_EQ(picked.at(0).at(0).value<SampledColor>(), (SampledColor{1, 0, 0}));
        EXPECT_EQ(cancelled.count(), 0);
    }
    for (bool escape : {true, false}) {
        ScreenGrabOverlay overlay(grab, QRect(0, 0, 100, 50));
        QSignalSpy picked(&overlay, &ScreenGrabOverlay::picked);
        QSignalSpy cancelled(&overlay, &ScreenGrabOverlay::cancelled);
        overlay.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&overlay));
        if (escape)
            QTest::keyClick(&overlay, Qt::Key_Escape);
        else
            QTest::mouseClick(&overlay, Qt::RightButton, {}, {20, 20});
        EXPECT_EQ(cancelled.count(), 1);
        EXPECT_EQ(picked.count(), 0);
    }

    // Offscreen there is no screen to grab: the picker is unavailable and ends a pick with nothing, later.
    ScreenGrabColorPicker picker;
    EXPECT_EQ(picker.availability(), Availability::unavailable);
    Outcome none;
    picker.sample(nullptr, none.completion());
    EXPECT_EQ(none.calls, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return none.calls == 1; }));
    EXPECT_FALSE(none.colour);
    EXPECT_TRUE(picker.overlays().empty());
}

}  // namespace
}  // namespace vantrel
