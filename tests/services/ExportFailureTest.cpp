// A failed export leaves nothing behind and destroys nothing: bad destinations, a full disk
// (a tiny file-size limit in a child process), a stop request, and an empty render, which is
// refused before any file is opened.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ExportTestSupport.h"
#include "engine/core/Context.h"
#include "services/ExportError.h"
#include "services/ExportWriter.h"

extern char** environ;

namespace vantrel {
namespace {

constexpr const char* kChildVariable = "VANTREL_EXPORT_FSIZE_CHILD";

// Uniform noise, which compresses poorly, so every format writes well past a small limit.
Image noise(int w, int h) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> values(std::size_t(w) * std::size_t(h) * 3);
    for (float& v : values) v = unit(random);
    return testing::imageOf(w, h, [&values, w](int x, int y) {
        const float* p = &values[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 3];
        return std::array<float, 3>{p[0], p[1], p[2]};
    });
}

std::string contentsOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeText(const std::filesystem::path& path, const std::string& text) { std::ofstream(path) << text; }

template <class F>
ExportError errorOf(F&& f) {
    try {
        f();
    } catch (const ExportError& e) {
        return e;
    }
    ADD_FAILURE() << "no ExportError was thrown";
    return ExportError("none", 0, "");
}

TEST(ExportFailure, BadDestinationsFailWithTheFileErrorAndLeaveNothing) {
    const Context context;
    testing::ScratchFolder folder;
    const Image image = noise(64, 48);

    // The folder does not exist.
    auto e = errorOf([&] { writeImage(context, image, ExportSettings{}, folder / "missing" / "a.jpg"); });
    EXPECT_EQ(e.domain(), "POSIX");
    EXPECT_EQ(e.code(), ENOENT);
    EXPECT_NE(e.description().find("missing"), std::string::npos) << e.description();
    EXPECT_TRUE(e.concernsFolder());  // every other frame would fail there alike
    EXPECT_EQ(e.cause(), FailureCause::missingFolder);

    // The "folder" is a file.
    writeText(folder / "plain", "not a folder");
    e = errorOf([&] { writeImage(context, image, ExportSettings{}, folder / "plain" / "a.jpg"); });
    EXPECT_EQ(e.code(), ENOTDIR);
    EXPECT_TRUE(e.concernsFolder());
    EXPECT_EQ(contentsOf(folder / "plain"), "not a folder");

    // The destination is a folder: the rename fails, the folder and its content stay.
    std::filesystem::create_directory(folder / "taken.tiff");
    writeText(folder / "taken.tiff" / "inside", "kept");
    e = errorOf([&] { writeImage(context, image, ExportSettings{ExportFormat::tiff, 1, true}, folder / "taken.tiff"); });
    EXPECT_EQ(e.domain(), "POSIX");
    EXPECT_FALSE(e.concernsFolder());  // this file's own fault
    EXPECT_EQ(contentsOf(folder / "taken.tiff" / "inside"), "kept");

    // A name of 250 bytes, a few short of the folder's limit, is written.
    const std::string longName = std::string(246, 'n') + ".jpg";
    writeImage(context, image, ExportSettings{}, folder / longName);

    // Only what the test made is there: no temporary file survived.
    auto entries = folder.entries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{longName, "plain", "taken.tiff"}));
}

TEST(ExportFailure, EmptyRenderIsRefusedBeforeAnyFileIsOpened) {
    const Context context;
    testing::ScratchFolder folder;
    writeText(folder / "old.png", "previous export");
    for (ExportFormat format : allCases<ExportFormat>()) {
        // Even into a folder that does not exist: the empty image is the error, not the folder.
        auto e = errorOf([&] { writeImage(context, Image(), ExportSettings{format, 0.95, true}, folder / "no" / "x"); });
        EXPECT_EQ(e.domain(), ExportError::kEditorDomain);
        EXPECT_EQ(e.code(), ExportError::kEmptyRender);
        e = errorOf([&] { writeImage(context, Image(), ExportSettings{format, 0.95, true}, folder / "old.png"); });
        EXPECT_EQ(e.code(), ExportError::kEmptyRender);
    }
    // An unbounded image (a generator never cropped) is refused as well.
    const auto e = errorOf([&] { writeImage(context, Image::constant({0.5f, 0.5f, 0.5f, 1}), ExportSettings{}, folder / "old.png"); });
    EXPECT_EQ(e.code(), ExportError::kRenderFailed);
    EXPECT_EQ(contentsOf(folder / "old.png"), "previous export");
    EXPECT_EQ(folder.entries().size(), 1u);
}

TEST(ExportFailure, StopRequestKeepsThePreviousFile) {
    const Context context;
    testing::ScratchFolder folder;
    writeText(folder / "a.tiff", "previous export");
    std::stop_source stop;
    stop.request_stop();
    const auto e = errorOf(
        [&] { writeImage(context, noise(300, 300), ExportSettings{ExportFormat::tiff, 1, true}, folder / "a.tiff", stop.get_token()); });
    EXPECT_EQ(e.code(), ExportError::kCancelled);
    EXPECT_EQ(contentsOf(folder / "a.tiff"), "previous export");
    EXPECT_EQ(folder.entries().size(), 1u);
}

// Run in a child process (this same test program) under a 32 kB file-size limit; it writes
// over an existing file and reports through its exit status.
TEST(ExportFailure, FullDiskChild) {
    const char* target = std::getenv(kChildVariable);
    if (!target) GTEST_SKIP() << "runs only as the child of FullDiskKeepsTheReplacedFile";
    const std::string fixture(target);
    const auto bar = fixture.find('|');
    const auto format = enumFromRaw<ExportFormat>(fixture.substr(0, bar));
    ASSERT_TRUE(format);
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG instead of killing
    rlimit limit{32 * 1024, 32 * 1024};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const Context context;
    const auto e = errorOf([&] { writeImage(context, noise(512, 512), ExportSettings{*format, 1.0, true}, fixture.substr(bar + 1)); });
    EXPECT_EQ(e.domain(), "POSIX") << e.description();
    EXPECT_EQ(e.code(), EFBIG) << e.description();
}

TEST(ExportFailure, FullDiskKeepsTheReplacedFile) {
    if (std::getenv(kChildVariable)) GTEST_SKIP();
    testing::ScratchFolder folder;
    for (ExportFormat format : allCases<ExportFormat>()) {
        SCOPED_TRACE(rawValue(format));
        const auto path = folder / ("frame." + std::string(fileExtension(format)));
        writeText(path, "previous export");
        const std::string variable = std::string(kChildVariable) + "=" + std::string(rawValue(format)) + "|" + path.string();
        std::vector<std::string> environment{variable};
        for (char** v = environ; *v; ++v) environment.emplace_back(*v);
        std::vector<char*> envp;
        for (auto& v : environment) envp.push_back(v.data());
        envp.push_back(nullptr);
        std::string program = "/proc/self/exe", filter = "--gtest_filter=ExportFailure.FullDiskChild";
        char* argv[] = {program.data(), filter.data(), nullptr};
        pid_t child = 0;
        ASSERT_EQ(posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv, envp.data()), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the child's export did not fail as expected";
        EXPECT_EQ(contentsOf(path), "previous export");
    }
    EXPECT_EQ(folder.entries().size(), 3u);  // the three old files, no temporary file
}

}  // namespace
}  // namespace vantrel
