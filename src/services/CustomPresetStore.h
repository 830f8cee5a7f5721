#pragma once
// The user's own film recipes: one JSON file per recipe, named after its
// identifier, in the "CustomPresets" folder of the program's data folder; and
// single recipes exported to or imported from ".vantrelrecipe" files.
//
// Everything runs synchronously on the caller's thread. Writes are atomic.
// Errors of save, delete, export and import are thrown (std::system_error for
// file work, JsonDecodeError / JsonEncodeError for content); loadPresets never
// throws and skips unreadable files with one printed line each.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "services/FilmPreset.h"

namespace vantrel {

class CustomPresetStore {
public:
    struct Options {
        // By default AppPaths::customPresetsDirectory().
        std::function<std::filesystem::path()> presetsDirectory;
        // Receives one failure line; by default standard output.
        std::function<void(const std::string&)> log;
    };

    static CustomPresetStore& shared();

    CustomPresetStore();
    explicit CustomPresetStore(Options options);

    // The folder's location (created by the store, not by this call).
    std::filesystem::path presetsDirectory() const;

    // Every decodable "*.json" recipe in the folder, marked custom and with the
    // file it was read from, newest first; undated ones last; equal dates by
    // name with numbers compared by value ("Look 9" before "Look 10").
    std::vector<FilmPreset> loadPresets() const;

    // Stores a copy marked custom, dated now when it has no date, as
    // "<id>.json". An identifier that would name a file outside the folder is
    // refused with std::invalid_argument.
    void save(const FilmPreset& preset) const;

    // Removes the recipe's own file (the one it was read from, else "<id>.json");
    // false when that file was already gone. A file outside the folder is never
    // touched (false as well).
    bool deletePreset(const FilmPreset& preset) const;

    // Writes the preset unchanged (no date added) to `file`.
    void exportPreset(const FilmPreset& preset, const std::filesystem::path& file) const;

    // Reads a recipe file, marks it custom, dates it now when it has no date,
    // gives it a fresh identifier when its own is not a UUID, saves it and
    // returns it as saved. A stored recipe with the same identifier is never
    // replaced: the same recipe imported again is the stored one, unchanged; a
    // different one is kept beside it, with an identifier of its own and its
    // name followed by " 2" (" 3", ... when that is taken).
    FilmPreset importPreset(const std::filesystem::path& file) const;

private:
    void ensureFolder() const;
    std::filesystem::path fileFor(const std::string& id) const;
    void log(const std::string& line) const;

    Options options_;
};

}  // namespace vantrel
