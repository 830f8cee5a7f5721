#pragma once
// A main window over a view model on fake services: instant renders, an
// in-memory session store, settings in a temporary file.
#include <memory>
#include <string>

#include <QDir>
#include <QScrollArea>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "services/CustomPresetStore.h"
#include "services/LocalizationManager.h"
#include "viewmodel/DarkroomViewModel.h"
#include "viewmodel/FakeServices.h"
#include "viewmodel/WaitUntilIdle.h"
#include "views/kit/LayoutCheck.h"

namespace vantrel::testing {

// The services of a test window: its presets and settings in `dir`, and saves
// only on an explicit save during a test.
inline ViewModelServices windowServices(const QTemporaryDir& dir, std::shared_ptr<RenderService> render,
                                        std::shared_ptr<SessionStorage> store) {
    ViewModelServices services;
    services.render = std::move(render);
    services.store = std::move(store);
    services.presets = std::make_shared<const CustomPresetStore>(CustomPresetStore::Options{
        [presets = std::filesystem::path(dir.filePath("presets").toStdString())] { return presets; },
        [](const std::string&) {}});
    services.settings = std::make_shared<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
    services.timings = {std::chrono::milliseconds(30), std::chrono::milliseconds(60000)};
    return services;
}

// What the layout checker finds wrong in `view` once the labels that changed
// have refitted (they do on the next layout pass: it waits up to a second).
inline std::string settledLayoutIssues(const QWidget& view) {
    auto report = [&] { return describeLayoutIssues(findLayoutIssues(view)); };
    (void)QTest::qWaitFor([&] { return report().isEmpty(); }, 1000);
    return report().toStdString();
}

// Pictures to look at are asked for by naming a folder in VANTREL_VIEW_SHOTS;
// saveWindowShot writes `widget` there as <name>.png.
inline bool shotsWanted() { return !qEnvironmentVariable("VANTREL_VIEW_SHOTS").isEmpty(); }
inline void saveWindowShot(QWidget& widget, const QString& name) {
    const QString folder = qEnvironmentVariable("VANTREL_VIEW_SHOTS");
    if (!folder.isEmpty() && QDir().mkpath(folder)) widget.grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ViewModelServices services = windowServices(dir, render, store);
        services.analysis = analysis;
        window = std::make_unique<MainWindow>(std::make_unique<DarkroomViewModel>(std::move(services)), nullptr,
                                              [this] { ++quitRequests; });
        // The shared command files stay out of the tests: only these are polled.
        window->startCommandFilePolling(commandFiles);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !vm().renderedPreview().isNull(); }, 3000));
    }

    // Tests that switch the language leave the window's next test in English.
    void TearDown() override { LocalizationManager::shared().setLanguage(AppLanguage::en); }

    DarkroomViewModel& vm() { return window->viewModel(); }
    // The window refreshed, and the layouts its new texts asked for done.
    void settle() {
        QCoreApplication::processEvents();
        window->refreshNow();
        QCoreApplication::processEvents();
    }
    // The pointer pressed at `from` on `widget`, moved in steps to `to`, and
    // released there unless `release` is false, as the window delivers it to
    // whatever lies under the pointer.
    void dragInWindow(QWidget* widget, QPointF from, QPointF to, bool release = true) {
        QWindow* handle = window->windowHandle();
        const QPoint a = widget->mapTo(window.get(), from.toPoint());
        const QPoint b = widget->mapTo(window.get(), to.toPoint());
        QTest::mousePress(handle, Qt::LeftButton, {}, a);
        for (int i = 1; i <= 4; ++i) QTest::mouseMove(handle, a + (b - a) * i / 4);
        if (release) QTest::mouseRelease(handle, Qt::LeftButton, {}, b);
    }
    // What the window finds under a point of `widget`.
    QWidget* widgetUnder(QWidget* widget, QPointF at) {
        return window->childAt(widget->mapTo(window.get(), at.toPoint()));
    }
    std::string firstFrameKey() { return FakeSessionStorage::sampleKey(DarkroomViewModel::sampleRollPhotoIDs()[0]); }

    QTemporaryDir dir;
    std::shared_ptr<FakeRenderService> render = std::make_shared<FakeRenderService>();
    std::shared_ptr<FakeSessionStorage> store = std::make_shared<FakeSessionStorage>();
    // None unless a fixture sets one before SetUp: then no horizon or subject is ever found.
    std::shared_ptr<AnalysisService> analysis;
    std::unique_ptr<MainWindow> window;
    int quitRequests = 0;
    std::vector<std::filesystem::path> commandFiles;
};

// The window shown, for tests that drive its panels: scrollTo() brings a part
// of the inspector into view first.
class ShownWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    // With `margin` points of the inspector around it where there is room.
    void scrollTo(QWidget* widget, int margin = 50) {
        static_cast<QScrollArea*>(window->inspector())->ensureWidgetVisible(widget, margin, margin);
        settle();
    }
};

}  // namespace vantrel::testing
