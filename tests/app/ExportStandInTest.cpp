// The window's export path end to end on the real engine: the sample roll's
// first frame, developed with its recipe, written where the save panel says.
#include <filesystem>

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/ViewModelStandIns.h"
#include "viewmodel/DarkroomViewModel.h"
#include "viewmodel/EngineRenderService.h"
#include "viewmodel/FakeServices.h"

namespace vantrel::testing {
namespace {

class AnswerDialogs final : public FileDialogs {
public:
    explicit AnswerDialogs(std::filesystem::path folder) : folder_(std::move(folder)) {}
    std::optional<std::filesystem::path> chooseFolder(const std::string&) override { return folder_; }
    std::optional<std::filesystem::path> chooseSaveLocation(const std::string&, const std::string& proposed) override {
        proposedName = proposed;
        return folder_ / proposed;
    }
    std::string proposedName;

private:
    std::filesystem::path folder_;
};

TEST(ExportStandInTest, SingleExportWritesTheDevelopedFrameAndAlerts) {
    QTemporaryDir dir;
    ViewModelServices services;
    services.render = std::make_shared<EngineRenderService>();
    services.store = std::make_shared<FakeSessionStorage>();
    services.settings = std::make_shared<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
    DarkroomViewModel vm(std::move(services));
    ASSERT_NE(vm.selectedPhoto(), nullptr);

    AnswerDialogs dialogs(dir.path().toStdString());
    ExportSettings settings;
    settings.format = ExportFormat::png;
    vm.setIsShowingExportDialog(true);
    pending::exportCurrentPhoto(vm, settings, &dialogs);
    EXPECT_FALSE(vm.isShowingExportDialog());
    EXPECT_EQ(dialogs.proposedName, "Vantrel_16bit_Film_Calibration_Target_Developed.png");
    EXPECT_TRUE(vm.isExporting());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !vm.isExporting(); }, 60000));
    ASSERT_TRUE(vm.exportAlertMessage().has_value());
    const std::filesystem::path written = std::filesystem::path(dir.path().toStdString()) / dialogs.proposedName;
    EXPECT_NE(vm.exportAlertMessage()->find(written.string()), std::string::npos) << *vm.exportAlertMessage();
    EXPECT_GT(std::filesystem::file_size(written), 1000u);
}

}  // namespace
}  // namespace vantrel::testing
