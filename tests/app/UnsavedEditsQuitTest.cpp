// Quitting with edits that could be saved nowhere (every write fails, as on a
// full disk): the window asks first, window-modal; asked not to, it saves what
// it can and goes. A SIGTERM to the real program never waits for an answer.
#include <csignal>
#include <filesystem>
#include <fstream>

#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "views/kit/FittingText.h"
#include "services/AtomicFile.h"
#include "services/L10n.h"
#include "services/SessionStore.h"
#include "services/UnwritableTestSupport.h"
#include "viewmodel/FakeServices.h"
#include "viewmodel/SessionStoreStorage.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

TEST(UnsavedEditsQuitTest, ClosingAsksBeforeDiscardingEditsSavedNowhere) {
    const std::optional<fs::path> scratch = childScratch();
    if (!scratch) {
        QTemporaryDir dir;
        ASSERT_EQ(runUnwritableChild(dir.path().toStdString(), Unwritable::everywhere), 0);
        return;
    }
    SessionStore::Options options;
    options.sampleDirectory = [root = *scratch] { return root / "samples"; };
    options.keptRollsDirectory = [root = *scratch] { return root / "kept"; };
    SessionStore sessionStore(options);
    ASSERT_EQ(writeFileAtomically(*scratch / "probe", "x"), std::make_error_code(std::errc::file_too_large));

    auto makeWindow = [&](int& quits) {
        ViewModelServices services;
        services.render = std::make_shared<FakeRenderService>();
        services.store = std::make_shared<SessionStoreStorage>(sessionStore);
        services.settings = std::make_shared<QSettings>(QString::fromStdString((*scratch / "settings.ini").string()),
                                                        QSettings::IniFormat);
        auto window = std::make_unique<MainWindow>(std::make_unique<DarkroomViewModel>(std::move(services)), nullptr,
                                                   [&quits] { ++quits; });
        window->show();
        EditParameters recipe = window->viewModel().parameters();
        recipe.exposure = 0.75;
        window->viewModel().setParameters(recipe);
        window->viewModel().requestRender(RenderQuality::final);
        return window;
    };

    int quits = 0;
    auto window = makeWindow(quits);
    const auto statusLine = [&] { return window->findChild<FittingLabel*>("statusLine")->fullText().toStdString(); };
    // The size limit that stands in for the full disk is named as the cause.
    const std::string failed = L10n::text("status.saveFailedBecause", L10n::text("cause.fileTooLarge")).str();
    EXPECT_TRUE(QTest::qWaitFor([&] { return statusLine() == failed; }, 3000));

    // Asked, and kept: the window stays with its edit.
    EXPECT_FALSE(window->close());
    QMessageBox* question = window->discardQuestion();
    ASSERT_NE(question, nullptr);
    EXPECT_TRUE(question->isVisible());
    EXPECT_EQ(question->windowModality(), Qt::WindowModal);
    EXPECT_EQ(question->text().toStdString(), L10n::tr("quit.unsavedMessage"));
    QTest::mouseClick(question->findChild<QPushButton*>("keepEditing"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->discardQuestion() == nullptr; }, 2000));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->viewModel().parameters().exposure, 0.75);
    EXPECT_EQ(quits, 0);

    // Asked again, and discarded: the window goes and the program quits.
    window->close();
    ASSERT_NE(window->discardQuestion(), nullptr);
    QTest::mouseClick(window->discardQuestion()->findChild<QPushButton*>("discardAndQuit"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 2000));
    EXPECT_EQ(quits, 1);
    window.reset();

    // Told not to ask (a signal, a program): no question, the window goes.
    int otherQuits = 0;
    auto other = makeWindow(otherQuits);
    other->setAskBeforeDiscarding(false);
    EXPECT_TRUE(other->close());
    EXPECT_EQ(other->discardQuestion(), nullptr);
    EXPECT_TRUE(other->viewModel().hasUnsavedEdits());
}

TEST(UnsavedEditsQuitTest, SigtermEndsTheProgramWhenNothingCanBeSaved) {
    QTemporaryDir home;
    const fs::path homePath = home.path().toStdString();
    // The data folder's place is taken by a file: the sample roll's edits can be saved nowhere.
    fs::create_directories(homePath / ".local");
    std::ofstream(homePath / ".local" / "share") << "not a folder";
    ASSERT_TRUE(writeFileAtomically(homePath / ".local" / "share" / "probe", "x"));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(name);
    // An edit through the command file under the home folder: its save fails.
    fs::create_directories(homePath / "tmp");
    std::ofstream(homePath / "tmp" / "vantrel_cmd.json") << R"({"action": "add_radial_mask"})";
    QProcess editor;
    editor.setProcessEnvironment(environment);
    editor.start(VANTREL_EDITOR_PATH, {});
    ASSERT_TRUE(editor.waitForStarted(10000));
    // Once the first save has failed, the window holds an edit saved nowhere.
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.readAllStandardOutput().contains("Failed to save sample recipe"); },
                                60000));
    ::kill(pid_t(editor.processId()), SIGTERM);
    ASSERT_TRUE(editor.waitForFinished(60000)) << "the program waited for an answer";
    EXPECT_EQ(editor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(editor.exitCode(), 0);
}

}  // namespace
}  // namespace vantrel::testing
