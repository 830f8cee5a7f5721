#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz/MemoryFile.h"
#include "fuzz/PresetReader.h"

namespace {

// The store's folder for this run, removed at exit.
struct PresetFolder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("vantrel-fuzz-presets-" + std::to_string(::getpid()));
    ~PresetFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const PresetFolder folder;
    static const vantrel::CustomPresetStore store({[] { return folder.path; }, [](const std::string&) {}});
    static vantrel::fuzz::MemoryFile file;
    file.fill(data, size);
    vantrel::fuzz::importRecipeFile(store, file.path());
    return 0;
}
