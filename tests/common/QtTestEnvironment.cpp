// One Qt application for the whole of a Qt test program, on the offscreen platform so the
// tests need no display; its event loop delivers timers and results. Programs that build
// widgets (VANTREL_TEST_WIDGETS) get a widget application with the interface in English.
#include <QStandardPaths>
#include <gtest/gtest.h>

#if defined(VANTREL_TEST_WIDGETS)
#include <QApplication>

#include "services/LocalizationManager.h"
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

namespace {

class QtEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QStandardPaths::setTestModeEnabled(true);
        app_ = new TestApplication(argc_, argv_);
#if defined(VANTREL_TEST_WIDGETS)
        vantrel::LocalizationManager::install().setLanguage(vantrel::AppLanguage::en);
#endif
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[32] = VANTREL_TEST_PROGRAM;
    char* argv_[2] = {name_, nullptr};
    TestApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
