// The real program, started offscreen with a home folder of its own: a command
// file is consumed, SIGTERM ends it, and the edit is on disk. And the README
// names only files of the tree that are there.
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

namespace fs = std::filesystem;

TEST(SmokeTest, CommandFileIsConsumedAndSigtermSavesTheEdit) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const fs::path homePath = home.path().toStdString();
    const fs::path command = homePath / "tmp" / "vantrel_cmd.json";
    fs::create_directories(command.parent_path());

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(name);
    QProcess editor;
    editor.setProcessEnvironment(environment);
    editor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    editor.start(VANTREL_EDITOR_PATH, {});
    ASSERT_TRUE(editor.waitForStarted(10000));

    std::ofstream(command) << R"({"action":"enable_ultrahdr"})";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fs::exists(command) || editor.state() != QProcess::Running; }, 60000));
    ASSERT_FALSE(fs::exists(command)) << "the command file was not consumed";

    // At once: the delayed save has not run yet, so only the exit can save it.
    ::kill(pid_t(editor.processId()), SIGTERM);
    ASSERT_TRUE(editor.waitForFinished(60000));
    EXPECT_EQ(editor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(editor.exitCode(), 0);

    const fs::path recipe =
        homePath / ".local/share/VantrelEditor/sample_recipes/00000000-0000-0000-0000-000000000001.json";
    ASSERT_TRUE(fs::exists(recipe));
    const nlohmann::json saved = nlohmann::json::parse(std::ifstream(recipe));
    EXPECT_EQ(saved["ultraHDR"]["isEnabled"], true);
    EXPECT_EQ(saved["ultraHDR"]["highlightBoost"], 2.0);
}

TEST(SmokeTest, WithoutADisplayItSaysHowToStart) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
    QProcess editor;
    editor.setProcessEnvironment(environment);
    editor.start(VANTREL_EDITOR_PATH, {});
    ASSERT_TRUE(editor.waitForFinished(10000));
    EXPECT_NE(editor.exitCode(), 0);
    EXPECT_TRUE(editor.readAllStandardError().contains("xvfb-run"));
}

// A path the README names from the tree's top folders is there: a file renamed
// or moved is renamed in the README too. Paths under build/ are made, not kept.
TEST(SmokeTest, EveryPathTheReadmeNamesExists) {
    const fs::path readme = VANTREL_README_PATH;
    std::ifstream in(readme);
    ASSERT_TRUE(in) << readme;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::regex named(R"((?:^|[\s`(\[])((?:src|tests|scripts|docs|bench|\.ci)/[\w./-]*))");
    int paths = 0;
    for (auto match = std::sregex_iterator(text.begin(), text.end(), named); match != std::sregex_iterator(); ++match) {
        std::string path = (*match)[1];
        while (path.back() == '.') path.pop_back();  // a sentence's full stop
        ++paths;
        EXPECT_TRUE(fs::exists(readme.parent_path() / path)) << path;
    }
    EXPECT_GE(paths, 20);
}

}  // namespace
