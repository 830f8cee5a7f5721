#include "ViewTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>
#include <QWidget>

#include "services/LocalizationManager.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/SpringValue.h"
#include "views/kit/StandardColors.h"

namespace vantrel::test {

namespace {

// View tests check end states; every spring lands at once.
class AnimationsOff final : public ::testing::Environment {
public:
    void SetUp() override { Animations::setEnabled(false); }
};

[[maybe_unused]] ::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new AnimationsOff);

}  // namespace

bool showExposed(QWidget& widget, QSize size) {
    if (size.isValid()) widget.resize(size);
    widget.show();
    return QTest::qWaitForWindowExposed(&widget);
}

bool shown(const QWidget* widget) { return widget->isVisibleTo(widget->window()); }

void settleLayouts() {
    for (int level = 0; level < 8; ++level) QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

QImage filledImage(QSize size, const QColor& colour) {
    QImage image(size, QImage::Format_RGBA8888_Premultiplied);
    image.fill(colour);
    return image;
}

QImage grabImage(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QColor pixelAt(const QImage& image, QPoint point) {
    const double dpr = image.devicePixelRatio();
    return image.pixelColor(QPoint(int(point.x() * dpr), int(point.y() * dpr)));
}

QColor pixelAt(QWidget& widget, QPoint point) { return pixelAt(grabImage(widget), point); }

::testing::AssertionResult colourNear(const QColor& actual, const QColor& expected, int tolerance) {
    const bool near = std::abs(actual.red() - expected.red()) <= tolerance &&
                      std::abs(actual.green() - expected.green()) <= tolerance &&
                      std::abs(actual.blue() - expected.blue()) <= tolerance &&
                      std::abs(actual.alpha() - expected.alpha()) <= tolerance;
    if (near) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "colour " << actual.name(QColor::HexArgb).toStdString() << " is not within "
                                         << tolerance << " of " << expected.name(QColor::HexArgb).toStdString();
}

void drag(QWidget* widget, QPoint from, QPoint to, int steps, Qt::KeyboardModifiers modifiers) {
    std::vector<QPoint> points{from};
    const int n = std::max(steps, 1);
    for (int i = 1; i <= n; ++i) points.push_back(from + (to - from) * i / n);
    dragAlong(widget, points, modifiers);
}

void dragAlong(QWidget* widget, const std::vector<QPoint>& points, Qt::KeyboardModifiers modifiers) {
    if (points.empty()) return;
    QTest::mousePress(widget, Qt::LeftButton, modifiers, points.front());
    for (std::size_t i = 1; i < points.size(); ++i) QTest::mouseMove(widget, points[i]);
    QTest::mouseRelease(widget, Qt::LeftButton, modifiers, points.back());
}

ScopedLanguage::ScopedLanguage(AppLanguage language) { LocalizationManager::shared().setLanguage(language); }
ScopedLanguage::~ScopedLanguage() { LocalizationManager::shared().setLanguage(AppLanguage::en); }

void fillGround(QWidget& widget, const QColor& colour) {
    setPaletteColour(widget, QPalette::Window, colour);
    widget.setAutoFillBackground(true);
}

void darkGround(QWidget& widget) {
    fillGround(widget, DarkroomTheme::panelBackground());
    setPaletteColour(widget, QPalette::WindowText, standardColor(StandardColor::PrimaryText));
}

QString saveShot(const QImage& image, const QString& name) {
    const QString dir = qEnvironmentVariable("VANTREL_VIEW_SHOTS");
    if (dir.isEmpty() || !QDir().mkpath(dir)) return {};
    const QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
    return image.save(path) ? path : QString();
}

QString saveShot(QWidget& widget, const QString& name) { return saveShot(widget.grab().toImage(), name); }

}  // namespace vantrel::test
