#pragma once
// Fakes and the fixture for the editing operations of the view model: analyses
// that answer what the test says (and can be held), an exporter that writes a
// small file or fails, file panels with fixed answers and a recording desktop.
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "ViewModelTestSupport.h"
#include "services/ExportError.h"
#include "services/LocalizationManager.h"
#include "viewmodel/FileDialogs.h"
#include "viewmodel/ViewModelServices.h"

namespace vantrel::testing {

// A gate that blocks workers until opened; open at start.
class Gate {
public:
    void close() {
        std::lock_guard lock(mutex_);
        open_ = false;
    }
    void open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    void pass() {
        std::unique_lock lock(mutex_);
        ++waiting_;
        changed_.wait(lock, [&] { return open_; });
        --waiting_;
    }
    int waiting() {
        std::lock_guard lock(mutex_);
        return waiting_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = true;
    int waiting_ = 0;
};

class FakeAnalysisService final : public AnalysisService {
public:
    std::optional<double> angle;
    std::optional<Image> mask;
    // When set, each frame's own mask, in place of `mask`.
    std::function<std::optional<Image>(const LoadedPhoto&)> maskOf;
    Gate gate;
    Gate subjects;  // holds subject analyses alone
    std::atomic<int> calls{0};

    std::optional<double> detectHorizonAngle(const LoadedPhoto&) override {
        ++calls;
        gate.pass();
        return angle;
    }
    std::optional<Image> detectSubject(const LoadedPhoto& photo) override {
        ++calls;
        {
            std::lock_guard lock(mutex_);
            subjectTitles_.push_back(photo.title());
        }
        gate.pass();
        subjects.pass();
        return maskOf ? maskOf(photo) : mask;
    }
    // The frames analysed for their subject, in order.
    std::vector<std::string> subjectTitles() {
        std::lock_guard lock(mutex_);
        return subjectTitles_;
    }
    // A mask told apart by its width (what the fake renderer stamps).
    static Image maskOfWidth(int width) { return Image::constant({1, 1, 1, 1}).cropped(Rect{0, 0, width, 6}); }

private:
    std::mutex mutex_;
    std::vector<std::string> subjectTitles_;
};

// Writes the frame's title and the recipe's exposure into the destination;
// fails for frames whose title contains "fail".
class FakeExportService final : public ExportService {
public:
    struct Call {
        std::string title;
        double exposure = 0;
        std::filesystem::path destination;
        std::optional<std::int64_t> maskWidth{};  // of the subject mask passed
        bool gradesSubject = false;               // the recipe's subject grading still asks for a mask
    };
    Gate gate;

    void exportImage(const LoadedPhoto& photo, const EditParameters& recipe, const ExportSettings&,
                     const std::optional<Image>& mask, const std::filesystem::path& destination,
                     std::stop_token) override {
        gate.pass();
        {
            std::lock_guard lock(mutex_);
            calls_.push_back({photo.title(), recipe.exposure, destination,
                              mask ? std::optional(mask->extent().width) : std::nullopt,
                              !recipe.subjectMask.isIdentity()});
        }
        if (photo.title().find("fail") != std::string::npos)
            throw ExportError(ExportError::kEditorDomain, ExportError::kRenderFailed, "render failed");
        std::ofstream(destination) << photo.title() << ' ' << recipe.exposure;
    }
    std::vector<Call> calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    std::mutex mutex_;
    std::vector<Call> calls_;
};

class FakeFileDialogs final : public FileDialogs {
public:
    std::optional<std::filesystem::path> folder;
    std::optional<std::filesystem::path> saveLocation;
    std::vector<std::string> titles;
    std::vector<std::string> proposedNames;
    std::vector<std::filesystem::path> startFolders;  // where each panel opened

    std::optional<std::filesystem::path> chooseFolder(const std::string& title,
                                                      const std::filesystem::path& startFolder) override {
        titles.push_back(title);
        startFolders.push_back(startFolder);
        return folder;
    }
    std::optional<std::filesystem::path> chooseSaveLocation(const std::string& title,
                                                            const std::filesystem::path& startFolder,
                                                            const std::string& proposedName) override {
        titles.push_back(title);
        startFolders.push_back(startFolder);
        proposedNames.push_back(proposedName);
        return saveLocation;
    }
};

class FakeWorkspace final : public Workspace {
public:
    std::vector<std::filesystem::path> shown;
    bool fails = false;  // as a desktop without a file manager
    void showFolder(const std::filesystem::path& folder) override {
        if (fails) throw std::runtime_error("no file manager");
        shown.push_back(folder);
    }
};

class EditViewModelTest : public ViewModelTest {
protected:
    void SetUp() override {
        ViewModelTest::SetUp();
        // The tests read English texts.
        LocalizationManager::shared().setLanguage(AppLanguage::en);
    }

    std::unique_ptr<DarkroomViewModel> makeViewModel() {
        ViewModelServices services;
        services.render = renderService ? renderService : render;
        services.store = store;
        services.settings = settings;
        services.timings = timings;
        services.exporter = exportService ? exportService : exporter;
        services.dialogs = dialogs;
        services.analysis = analysis;
        services.workspace = workspace;
        services.presets = presets;
        return std::make_unique<DarkroomViewModel>(std::move(services));
    }

    // A recipe of the current frame with one change.
    template <typename Edit>
    static void edit(DarkroomViewModel& vm, Edit change) {
        EditParameters recipe = vm.parameters();
        change(recipe);
        vm.setParameters(recipe);
    }

    // In place of the fake renderer and exporter when set.
    std::shared_ptr<RenderService> renderService;
    std::shared_ptr<ExportService> exportService;
    std::shared_ptr<FakeExportService> exporter = std::make_shared<FakeExportService>();
    std::shared_ptr<FakeFileDialogs> dialogs = std::make_shared<FakeFileDialogs>();
    std::shared_ptr<FakeAnalysisService> analysis = std::make_shared<FakeAnalysisService>();
    std::shared_ptr<FakeWorkspace> workspace = std::make_shared<FakeWorkspace>();
    std::shared_ptr<const CustomPresetStore> presets = std::make_shared<const CustomPresetStore>(
        CustomPresetStore::Options{[this] { return path("presets"); }, [](const std::string&) {}});
};

}  // namespace vantrel::testing
