#pragma once
// The fixture of the view-model tests: fake services, settings in a temporary
// file, rolls of empty scan files, and waiting on the event loop.
#include <chrono>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "FakeServices.h"
#include "WaitUntilIdle.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel::testing {

class ViewModelTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    std::unique_ptr<DarkroomViewModel> makeViewModel() {
        ViewModelServices services;
        services.render = render;
        services.store = store;
        if (folders) services.folders = folders;
        services.settings = settings;
        services.timings = timings;
        return std::make_unique<DarkroomViewModel>(std::move(services));
    }

    std::filesystem::path path(const char* name) const { return std::filesystem::path(dir.path().toStdString()) / name; }

    // A folder holding empty files of these names (the fake loader only looks at names).
    std::filesystem::path makeRoll(const char* name, std::initializer_list<const char*> files) const {
        const std::filesystem::path folder = path(name);
        std::filesystem::create_directories(folder);
        for (const char* file : files) std::ofstream(folder / file) << "scan";
        return folder;
    }

    static bool waitFor(const std::function<bool()>& condition, int ms = 2000) {
        return QTest::qWaitFor(condition, ms);
    }

    // Whatever the view model was going to do has been done (see WaitUntilIdle.h).
    static bool idle(DarkroomViewModel& vm, int ms = 10000) { return waitUntilIdle(vm, ms); }

    // Until the current frame's render has been published and nothing more is running.
    static bool settle(DarkroomViewModel& vm) {
        return waitFor([&] { return !vm.renderedPreview().isNull(); }) && idle(vm);
    }

    static Uuid idOfTitle(const DarkroomViewModel& vm, const std::string& title) {
        for (const LoadedPhoto& photo : vm.photos())
            if (photo.title() == title) return DarkroomViewModel::frameID(photo);
        return Uuid();
    }

    QTemporaryDir dir;
    std::shared_ptr<FakeRenderService> render = std::make_shared<FakeRenderService>();
    std::shared_ptr<FakeSessionStorage> store = std::make_shared<FakeSessionStorage>();
    std::shared_ptr<FolderAccess> folders;
    std::shared_ptr<QSettings> settings =
        std::make_shared<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
    Timings timings{std::chrono::milliseconds(30), std::chrono::milliseconds(400)};
};

}  // namespace vantrel::testing
