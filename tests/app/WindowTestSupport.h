#pragma once
// A main window over a view model on fake services: instant renders, an
// in-memory session store, settings in a temporary file.
#include <memory>

#include <QScrollArea>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "services/CustomPresetStore.h"
#include "viewmodel/DarkroomViewModel.h"
#include "viewmodel/FakeServices.h"

namespace vantrel::testing {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ViewModelServices services;
        services.render = render;
        services.store = store;
        services.presets = std::make_shared<const CustomPresetStore>(CustomPresetStore::Options{
            [this] { return std::filesystem::path(dir.filePath("presets").toStdString()); }, [](const std::string&) {}});
        services.settings = std::make_shared<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
        // Long enough that only an explicit save writes during a test.
        services.timings = {std::chrono::milliseconds(30), std::chrono::milliseconds(60000)};
        window = std::make_unique<MainWindow>(std::make_unique<DarkroomViewModel>(std::move(services)), nullptr,
                                              [this] { ++quitRequests; });
        // The shared command files stay out of the tests: only these are polled.
        window->startCommandFilePolling(commandFiles);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !vm().renderedPreview().isNull(); }, 3000));
    }

    DarkroomViewModel& vm() { return window->viewModel(); }
    std::string firstFrameKey() { return FakeSessionStorage::sampleKey(DarkroomViewModel::sampleRollPhotoIDs()[0]); }

    QTemporaryDir dir;
    std::shared_ptr<FakeRenderService> render = std::make_shared<FakeRenderService>();
    std::shared_ptr<FakeSessionStorage> store = std::make_shared<FakeSessionStorage>();
    std::unique_ptr<MainWindow> window;
    int quitRequests = 0;
    std::vector<std::filesystem::path> commandFiles;
};

// The window shown, for tests that drive its panels: settle() lets queued work
// run and refreshes the window; scrollTo() brings a part of the inspector into
// view first.
class ShownWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void settle() {
        QCoreApplication::processEvents();
        window->refreshNow();
    }
    // With `margin` points of the inspector around it where there is room.
    void scrollTo(QWidget* widget, int margin = 50) {
        static_cast<QScrollArea*>(window->inspector())->ensureWidgetVisible(widget, margin, margin);
        settle();
    }
};

}  // namespace vantrel::testing
