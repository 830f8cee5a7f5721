// One widget application for the whole test program, on the offscreen
// platform, with the interface in English.
#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include "services/LocalizationManager.h"

namespace {

class QtEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QStandardPaths::setTestModeEnabled(true);
        app_ = new QApplication(argc_, argv_);
        vantrel::LocalizationManager::install().setLanguage(vantrel::AppLanguage::en);
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[16] = "test_app";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
