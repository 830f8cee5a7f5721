#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <QDir>

#include "WindowTestSupport.h"
#include "app/CommandFilePoller.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

class CommandFileTest : public WindowTest {
protected:
    void SetUp() override {
        first = fs::path(dir.path().toStdString()) / "first_cmd.json";
        second = fs::path(dir.path().toStdString()) / "home" / "tmp" / "vantrel_cmd.json";
        fs::create_directories(second.parent_path());
        commandFiles = {first, second};
        WindowTest::SetUp();
    }

    static void write(const fs::path& file, const std::string& text) { std::ofstream(file) << text; }
    // One look at both places, as a tick of the running poll takes it (the first test
    // shows the timer delivering): what a look leaves behind, every later look does too.
    void look() { window->commandFilePoller()->pollOnce(); }

    fs::path first;
    fs::path second;
};

TEST_F(CommandFileTest, ACommandIsPerformedWithinATickAndItsFileRemoved) {
    ASSERT_TRUE(window->commandFilePoller()->isRunning());
    write(first, R"({"action":"zoom_200"})");
    EXPECT_TRUE(QTest::qWaitFor([&] { return vm().zoomScale() == 2.0; }, 600));
    EXPECT_FALSE(fs::exists(first));

    // Both places in one tick, the first one first.
    write(first, R"({"action":"zoom_100", "from": "first"})");
    write(second, R"({"action":"zoom_200"})");
    window->commandFilePoller()->pollOnce();
    EXPECT_EQ(vm().zoomScale(), 2.0);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(fs::exists(second));
}

TEST_F(CommandFileTest, WrongShapesAreRemovedOrLeftButNeverActedOn) {
    // An object without an action (or with a non-text one) is consumed and ignored.
    write(first, R"({"zoom":"zoom_200"})");
    write(second, R"({"action": 200})");
    look();
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(fs::exists(second));
    EXPECT_EQ(vm().zoomScale(), 1.0);

    // Not an object, or not JSON: left in place.
    write(first, R"(["zoom_200"])");
    write(second, R"({"action":"zoom_200")");
    look();
    EXPECT_TRUE(fs::exists(first));
    EXPECT_TRUE(fs::exists(second));
    EXPECT_EQ(vm().zoomScale(), 1.0);
}

TEST_F(CommandFileTest, FilesOfOtherUsersLinksAndLargeFilesAreRefused) {
    // Another user's file (as root, chown makes one).
    write(first, R"({"action":"zoom_200"})");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(first.c_str(), 4242, 4242), 0);
        look();
        EXPECT_TRUE(fs::exists(first));
        EXPECT_EQ(vm().zoomScale(), 1.0);
        EXPECT_EQ(readCommandFile(first).outcome, CommandFileRead::Outcome::refused);
    }
    fs::remove(first);

    // A symbolic link to a good command: neither followed nor removed, and its target stays.
    const fs::path target = fs::path(dir.path().toStdString()) / "target.json";
    write(target, R"({"action":"zoom_200"})");
    fs::create_symlink(target, second);
    look();
    EXPECT_TRUE(fs::is_symlink(second));
    EXPECT_TRUE(fs::exists(target));
    EXPECT_EQ(vm().zoomScale(), 1.0);
    fs::remove(second);

    // A second name for the same file.
    fs::create_hard_link(target, second);
    look();
    EXPECT_TRUE(fs::exists(second));
    EXPECT_EQ(vm().zoomScale(), 1.0);
    fs::remove(second);

    // Writable by every user.
    write(first, R"({"action":"zoom_200"})");
    fs::permissions(first, fs::perms::others_write, fs::perm_options::add);
    look();
    EXPECT_TRUE(fs::exists(first));
    EXPECT_EQ(vm().zoomScale(), 1.0);
    fs::remove(first);

    // More than 64 KiB.
    write(first, R"({"action":"zoom_200","pad":")" + std::string(70 * 1024, ' ') + "\"}");
    look();
    EXPECT_TRUE(fs::exists(first));
    EXPECT_EQ(vm().zoomScale(), 1.0);

    // A folder in its place.
    fs::remove(first);
    fs::create_directory(first);
    EXPECT_EQ(readCommandFile(first).outcome, CommandFileRead::Outcome::refused);
    EXPECT_EQ(readCommandFile(fs::path(dir.path().toStdString()) / "none.json").outcome,
              CommandFileRead::Outcome::absent);
}

TEST(CommandFileLocationsTest, TmpThenTheSamePathUnderHome) {
    const auto locations = CommandFilePoller::defaultLocations();
    ASSERT_EQ(locations.size(), 2u);
    EXPECT_EQ(locations[0], "/tmp/vantrel_cmd.json");
    EXPECT_EQ(locations[1], fs::path(QDir::homePath().toStdString()) / "tmp/vantrel_cmd.json");
}

}  // namespace
}  // namespace vantrel::testing
