// One GUI application for the whole test program, on the offscreen platform
// so the tests need no display; its event loop delivers timers and results.
#include <QGuiApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

class QtEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QStandardPaths::setTestModeEnabled(true);
        app_ = new QGuiApplication(argc_, argv_);
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[16] = "test_viewmodel";
    char* argv_[2] = {name_, nullptr};
    QGuiApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
