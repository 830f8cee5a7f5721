#include "services/CustomPresetStore.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <system_error>

#include <QCollator>
#include <QLocale>
#include <QString>

#include <nlohmann/json.hpp>

#include "model/Json.h"
#include "model/Uuid.h"
#include "services/AppPaths.h"
#include "services/AtomicFile.h"
#include "services/JsonText.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

// A recipe file is a few kilobytes; anything far larger is not one.
constexpr std::uintmax_t kMaxRecipeFileSize = 32u << 20;

void printLine(const std::string& line) {
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string readFileOrThrow(const fs::path& file) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(file, error);
    if (!error && size > kMaxRecipeFileSize)
        throw std::system_error(std::make_error_code(std::errc::file_too_large), file.string());
    std::string text;
    if ((error = readWholeFile(file, text))) throw std::system_error(error, file.string());
    return text;
}

// Built in place: a converting json constructor that throws part-way leaks
// what it had built.
std::string encodePreset(const FilmPreset& preset) {
    nlohmann::json j;
    to_json(j, preset);
    return prettyJson(j);
}

FilmPreset decodePreset(const std::string& text) { return parseJson(text).get<FilmPreset>(); }

void writeOrThrow(const fs::path& file, const FilmPreset& preset) {
    const std::string bytes = encodePreset(preset);
    if (const std::error_code error = writeFileAtomically(file, bytes)) throw std::system_error(error, file.string());
}

// Files hold whole seconds; so does every date this store adds.
Date nowWholeSeconds() { return Date::fromUnixSeconds(std::floor(Date::now().unixSeconds())); }

std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// "<name> <number>", the name a recipe kept beside another of its identifier is given.
bool isNumberedName(const std::string& numbered, const std::string& name) {
    if (numbered.size() < name.size() + 2 || numbered.compare(0, name.size(), name) != 0 || numbered[name.size()] != ' ')
        return false;
    return std::all_of(numbered.begin() + std::ptrdiff_t(name.size()) + 1, numbered.end(),
                       [](unsigned char c) { return std::isdigit(c); });
}

}  // namespace

CustomPresetStore& CustomPresetStore::shared() {
    static CustomPresetStore store;
    return store;
}

CustomPresetStore::CustomPresetStore() : CustomPresetStore(Options{}) {}

CustomPresetStore::CustomPresetStore(Options options) : options_(std::move(options)) {
    if (!options_.presetsDirectory) options_.presetsDirectory = [] { return AppPaths::customPresetsDirectory(); };
    if (!options_.log) options_.log = printLine;
    ensureFolder();
}

fs::path CustomPresetStore::presetsDirectory() const { return options_.presetsDirectory(); }

void CustomPresetStore::log(const std::string& line) const { options_.log(line); }

void CustomPresetStore::ensureFolder() const {
    const fs::path folder = presetsDirectory();
    std::error_code error;
    if (!fs::exists(folder, error)) fs::create_directories(folder, error);  // a failure shows in what follows
}

fs::path CustomPresetStore::fileFor(const std::string& id) const {
    const fs::path folder = presetsDirectory();
    const std::string name = id + ".json";
    if (!AppPaths::isPlainFileName(id) || !AppPaths::isInsideFolder(folder, folder / name)) return {};
    return folder / name;
}

std::vector<FilmPreset> CustomPresetStore::loadPresets() const {
    ensureFolder();
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(presetsDirectory(), error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.') continue;
        if (lowercase(it->path().extension().string()) != ".json") continue;
        std::error_code kind;
        if (!it->is_regular_file(kind)) continue;
        files.push_back(it->path());
    }
    if (error) return {};
    std::sort(files.begin(), files.end());  // a stable listing order for equal recipes

    std::vector<FilmPreset> presets;
    for (const fs::path& file : files) {
        try {
            FilmPreset preset = decodePreset(readFileOrThrow(file));
            preset.isCustom = true;
            preset.file = file;
            presets.push_back(std::move(preset));
        } catch (const std::exception& failure) {
            log("[CustomPresetStore] Failed to decode preset at " + file.filename().string() + ": " + failure.what());
        }
    }

    // The "C" locale collates by code point and ignores numeric mode; names
    // are then ordered by English rules so numbers still compare by value.
    const QLocale locale = QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QString> names;  // converted once, not on every comparison
    std::vector<size_t> order(presets.size());
    for (size_t i = 0; i < presets.size(); ++i) {
        order[i] = i;
        names.push_back(QString::fromStdString(presets[i].name));
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const auto& da = presets[a].createdAt;
        const auto& db = presets[b].createdAt;
        if (da != db) return db < da;  // later first; an absent date is earlier than any date
        return collator.compare(names[a], names[b]) < 0;
    });
    std::vector<FilmPreset> sorted;
    sorted.reserve(presets.size());
    for (size_t i : order) sorted.push_back(std::move(presets[i]));
    return sorted;
}

void CustomPresetStore::save(const FilmPreset& preset) const {
    ensureFolder();
    const fs::path file = fileFor(preset.id);
    if (file.empty()) throw std::invalid_argument("A recipe identifier cannot name a file: " + preset.id);

    FilmPreset stored = preset;
    stored.isCustom = true;
    if (!stored.createdAt) stored.createdAt = nowWholeSeconds();
    const std::string bytes = encodePreset(stored);

    // A recipe file in place that cannot be read is kept aside, not overwritten.
    std::error_code error;
    if (fs::exists(fs::symlink_status(file, error))) {
        try {
            (void)decodePreset(readFileOrThrow(file));
        } catch (const std::exception&) {
            fs::path keptAs;
            if (const std::error_code aside = keepFileAside(file, keptAs)) throw std::system_error(aside, file.string());
        }
    }
    if (const std::error_code written = writeFileAtomically(file, bytes)) throw std::system_error(written, file.string());
}

bool CustomPresetStore::deletePreset(const FilmPreset& preset) const {
    const fs::path file = preset.file ? *preset.file : fileFor(preset.id);
    if (file.empty() || !AppPaths::isInsideFolder(presetsDirectory(), file)) return false;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(file, error))) return false;
    if (!fs::remove(file, error) && error) throw std::system_error(error, file.string());
    return true;
}

void CustomPresetStore::exportPreset(const FilmPreset& preset, const fs::path& file) const {
    writeOrThrow(file, preset);
}

FilmPreset CustomPresetStore::importPreset(const fs::path& file) const {
    FilmPreset preset = decodePreset(readFileOrThrow(file));
    preset.isCustom = true;
    if (!preset.createdAt) preset.createdAt = nowWholeSeconds();
    // Only a UUID may become a file name in the folder; anything else
    // ("../../x", "velvia50") gets a fresh identifier.
    const auto id = Uuid::parse(preset.id);
    preset.id = id ? id->toString() : Uuid::random().toString();

    // A stored recipe of that identifier is never replaced.
    const std::vector<FilmPreset> stored = loadPresets();
    bool clashes = false;
    for (const FilmPreset& other : stored) {
        if (other.id != preset.id) continue;
        if (other.name == preset.name && other.subtitle == preset.subtitle &&
            other.parameters.sameContent(preset.parameters))
            return other;  // imported before: nothing changes
        clashes = true;
    }
    if (clashes) {
        // Kept beside it before, under a numbered name: nothing changes.
        for (const FilmPreset& other : stored)
            if (other.subtitle == preset.subtitle && other.parameters.sameContent(preset.parameters) &&
                isNumberedName(other.name, preset.name))
                return other;
        preset.id = Uuid::random().toString();
        const auto taken = [&](const std::string& name) {
            return std::any_of(stored.begin(), stored.end(), [&](const FilmPreset& p) { return p.name == name; });
        };
        const std::string name = preset.name;
        for (int n = 2; taken(preset.name); ++n) preset.name = name + " " + std::to_string(n);
    }
    save(preset);
    preset.file = fileFor(preset.id);
    return preset;
}

}  // namespace vantrel
