#include "services/KeptRollFolders.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include <nlohmann/json.hpp>

#include "services/AtomicFile.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

constexpr int kMaximumAttempts = 32;
constexpr std::size_t kTailLength = 40;
const char* const kRecordName = "origin.json";

// FNV-1a: the same digits for the same path on every run and every build.
std::uint64_t pathHash(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

// The last component with every byte that is not a plain ASCII letter, digit,
// '-', '_' or '.' replaced, never hidden, never empty.
std::string readableTail(const fs::path& key) {
    std::string tail = key.filename().string().substr(0, kTailLength);
    for (char& c : tail) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.';
        if (!plain) c = '_';
    }
    if (tail.empty()) return "roll";
    if (tail.front() == '.') tail.front() = '_';
    return tail;
}

// The path as the record holds it (paths that are not UTF-8 are recorded with replacement characters).
std::string recordedPath(const fs::path& key) {
    return nlohmann::json(key.string()).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

enum class Record { ours, another, missing };

Record readRecord(const fs::path& folder, const fs::path& key) {
    std::string text;
    if (const std::error_code unreadable = readWholeFile(folder / kRecordName, text)) return Record::missing;
    const nlohmann::json record = nlohmann::json::parse(text, nullptr, false);
    if (!record.is_object() || !record.contains("path") || !record["path"].is_string()) return Record::another;
    const std::string recorded = record["path"].dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return recorded == recordedPath(key) ? Record::ours : Record::another;
}

std::error_code writeRecord(const fs::path& folder, const fs::path& key) {
    const std::string text = "{\n  \"path\": " + recordedPath(key) + "\n}\n";
    return writeFileAtomically(folder / kRecordName, text);
}

}  // namespace

fs::path KeptRollFolders::rollKey(const fs::path& roll) {
    std::error_code error;
    fs::path key = fs::absolute(roll, error).lexically_normal();
    if (error) key = roll.lexically_normal();
    if (!key.has_filename() && key.has_relative_path()) key = key.parent_path();
    return key;
}

std::string KeptRollFolders::folderName(const fs::path& rollKey, int attempt) {
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(pathHash(rollKey.string())));
    std::string name = readableTail(rollKey) + "-" + digits;
    if (attempt > 1) name += "-" + std::to_string(attempt);
    return name;
}

std::optional<fs::path> KeptRollFolders::find(const fs::path& base, const fs::path& roll) {
    std::error_code ignored;
    return lookUp(base, roll, false, ignored);
}

std::optional<fs::path> KeptRollFolders::make(const fs::path& base, const fs::path& roll, std::error_code& error) {
    return lookUp(base, roll, true, error);
}

void KeptRollFolders::removeIfEmpty(const fs::path& base, const fs::path& roll) {
    const std::optional<fs::path> folder = find(base, roll);
    if (!folder) return;
    const std::lock_guard lock(mutex_);
    std::error_code error;
    std::vector<fs::path> subfolders;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(*folder, error))
        if (entry.is_directory(error)) subfolders.push_back(entry.path());
    // Deepest first; a folder that still holds something stays.
    for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it) fs::remove(*it, error);
    error.clear();
    for (const fs::directory_entry& entry : fs::directory_iterator(*folder, error))
        if (entry.path().filename() != kRecordName) return;
    if (error) return;
    known_.erase({base, rollKey(roll)});
    if (!fs::remove(*folder / kRecordName, error)) return;
    fs::remove(*folder, error);
}

std::optional<fs::path> KeptRollFolders::lookUp(const fs::path& base, const fs::path& roll, bool create,
                                                std::error_code& error) {
    error.clear();
    const fs::path key = rollKey(roll);
    const std::lock_guard lock(mutex_);
    if (const auto known = known_.find({base, key}); known != known_.end()) return known->second;

    for (int attempt = 1; attempt <= kMaximumAttempts; ++attempt) {
        const fs::path folder = base / folderName(key, attempt);
        std::error_code status;
        const bool exists = fs::is_directory(folder, status);
        const Record record = exists ? readRecord(folder, key) : Record::missing;
        if (record == Record::another) continue;
        if (record == Record::ours) {
            known_[{base, key}] = folder;
            return folder;
        }
        // Folders of one name are made in order: past the first gap there is none
        // of ours. A folder without its record is one whose making was cut short.
        if (!create) return std::nullopt;
        if (!exists) fs::create_directories(folder, error);
        if (!error) error = writeRecord(folder, key);
        if (error) return std::nullopt;
        known_[{base, key}] = folder;
        return folder;
    }
    error = std::make_error_code(std::errc::file_exists);
    return std::nullopt;
}

}  // namespace vantrel
