#include "services/JsonFileStore.h"

#include "model/Json.h"
#include "services/AtomicFile.h"
#include "services/JsonText.h"

#include <algorithm>
#include <cstdio>
#include <exception>

namespace vantrel {

namespace fs = std::filesystem;

namespace {

void printLine(const std::string& line) {
    // One write per line so that lines from the worker and the caller never interleave.
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

fs::path key(const fs::path& path) { return path.lexically_normal(); }

// Conflict copies kept beside one file: the newest few, so that two programs
// taking turns on one field do not fill the folder.
constexpr std::size_t kConflictCopiesKept = 5;

void pruneConflictCopies(const fs::path& path) {
    const std::string prefix = path.stem().string() + ".conflict-";
    std::vector<std::pair<fs::file_time_type, fs::path>> copies;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(path.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(prefix) || entry.path().extension() != path.extension()) continue;
        std::error_code timeError;
        copies.emplace_back(entry.last_write_time(timeError), entry.path());
    }
    if (copies.size() <= kConflictCopiesKept) return;
    std::sort(copies.begin(), copies.end());
    for (std::size_t i = 0; i + kConflictCopiesKept < copies.size(); ++i) fs::remove(copies[i].second, error);
}

// Reads and decodes; on failure returns the reason.
std::optional<std::string> readAndDecode(const fs::path& path, const JsonFileStore::Decoder& decode) {
    std::string text;
    if (const std::error_code error = readWholeFile(path, text)) return error.message();
    try {
        decode(parseJson(text));
    } catch (const std::exception& error) {
        return std::string(error.what());
    }
    return std::nullopt;
}

}  // namespace

JsonFileStore::JsonFileStore() : JsonFileStore(Options{}) {}

JsonFileStore::JsonFileStore(Options options) : options_(std::move(options)) {
    if (!options_.log) options_.log = printLine;
    if (!options_.writer) options_.writer = writeFileAtomically;
    worker_ = std::thread([this] { workerLoop(); });
}

JsonFileStore::~JsonFileStore() {
    {
        const std::lock_guard lock(queueMutex_);
        stopping_ = true;
    }
    workAvailable_.notify_all();
    worker_.join();
}

void JsonFileStore::log(const std::string& line) const { options_.log(line); }

void JsonFileStore::enqueue(fs::path path, std::function<void()> run) {
    {
        const std::lock_guard lock(queueMutex_);
        path = key(path);
        ++pending_[path];
        ++enqueued_;
        tasks_.push_back({std::move(path), std::move(run)});
    }
    workAvailable_.notify_one();
}

void JsonFileStore::workerLoop() {
    for (;;) {
        Task task;
        {
            std::unique_lock lock(queueMutex_);
            workAvailable_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            if (tasks_.empty()) return;  // stopping, and everything has been written
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        try {
            task.run();
        } catch (const std::exception& error) {
            log("[SessionStore] Failed to write " + task.path.string() + ": " + error.what());
        }
        {
            const std::lock_guard lock(queueMutex_);
            if (auto it = pending_.find(task.path); it != pending_.end() && --it->second == 0)
                pending_.erase(it);
            ++completed_;
        }
        workDone_.notify_all();
    }
}

void JsonFileStore::waitForPath(const fs::path& path) {
    if (onWorker()) return;
    const fs::path normal = key(path);
    std::unique_lock lock(queueMutex_);
    workDone_.wait(lock, [&] { return !pending_.contains(normal); });
}

void JsonFileStore::flush() {
    if (onWorker()) return;
    std::unique_lock lock(queueMutex_);
    const std::uint64_t target = enqueued_;
    workDone_.wait(lock, [&] { return completed_ >= target; });
}

bool JsonFileStore::load(const fs::path& path, const std::string& loadFailure, const Decoder& decode) {
    return read(path, &loadFailure, decode);
}

bool JsonFileStore::loadQuietly(const fs::path& path, const Decoder& decode) { return read(path, nullptr, decode); }

bool JsonFileStore::read(const fs::path& path, const std::string* loadFailure, const Decoder& decode) {
    waitForPath(path);
    std::error_code error;
    if (!fs::exists(path, error)) return false;
    const fs::path normal = key(path);
    if (const auto failure = readAndDecode(path, decode)) {
        {
            const std::lock_guard lock(stateMutex_);
            verified_.erase(normal);
            // A quiet read has told nothing: the save that keeps the file aside still says why.
            if (loadFailure) reported_.insert(normal);
        }
        if (loadFailure) log(*loadFailure + *failure);
        return false;
    }
    const std::lock_guard lock(stateMutex_);
    verified_.insert(normal);
    reported_.erase(normal);
    return true;
}

bool JsonFileStore::exists(const fs::path& path) {
    waitForPath(path);
    std::error_code error;
    return fs::exists(path, error);
}

void JsonFileStore::save(SaveRequest request) {
    fs::path path = request.path;
    enqueue(std::move(path), [this, request = std::move(request)] { runSave(request); });
}

void JsonFileStore::remove(const fs::path& path, std::vector<fs::path> others) {
    enqueue(path, [this, path, others = std::move(others)] {
        discard(path);
        for (const fs::path& other : others) discard(other);
    });
}

void JsonFileStore::perform(const fs::path& path, std::function<void()> task) { enqueue(path, std::move(task)); }

void JsonFileStore::discard(const fs::path& path) {
    std::error_code error;
    fs::remove(path, error);  // a missing file or a refused removal is not reported
    forget(path);
}

void JsonFileStore::forget(const fs::path& path) {
    const std::lock_guard lock(stateMutex_);
    verified_.erase(key(path));
    reported_.erase(key(path));
}

void JsonFileStore::retire(const fs::path& path, const SaveRequest& request) {
    std::error_code error;
    const std::optional<std::string> failure =
        request.check && fs::exists(path, error) ? readAndDecode(path, request.check) : std::nullopt;
    if (!failure) return discard(path);
    // Its content was never taken over: it stays, out of the way (in place
    // where it cannot be moved, as in a roll that cannot be written).
    fs::path keptAs;
    (void)keepFileAside(path, keptAs);
    forget(path);
}

void JsonFileStore::runSave(const SaveRequest& request) {
    SaveResult result;
    const auto finish = [&](SaveOutcome outcome) {
        result.outcome = outcome;
        if (request.done) request.done(result);
    };
    const auto fail = [&](const std::string& line) {
        if (request.logFailure) log(line);
        finish(SaveOutcome::failed);
    };

    // Encode first: a value that cannot be stored leaves the disk untouched.
    Bytes bytes;
    try {
        const Encoded encoded = request.encode();
        bytes.value = prettyJson(encoded.value);
        if (encoded.conflict) bytes.conflict = prettyJson(*encoded.conflict);
        bytes.conflictIsOurs = encoded.conflictIsOurs;
        bytes.unchanged = encoded.unchanged;
    } catch (const std::exception& error) {
        return fail(request.saveFailure + error.what());
    }

    // Files of an older name go only once the value stands safely in one place.
    const auto written = [&](SaveOutcome outcome) {
        for (const fs::path& old : request.supersedes) retire(old, request);
        finish(outcome);
    };
    const std::optional<Failure> failure = writeAt(request.path, bytes, request, result);
    if (!failure) {
        if (request.secondPlace) {
            std::error_code error;
            if (const std::optional<fs::path> stale = request.secondPlace(false, error)) retire(*stale, request);
        }
        return written(SaveOutcome::written);
    }
    result.cause = failureCauseOf(failure->code, FileAccess::writing);
    if (!request.secondPlace) return fail(request.saveFailure + failure->text);

    std::error_code error;
    const std::optional<fs::path> other = request.secondPlace(true, error);
    bytes.unchanged = false;  // what stands in the second place was not compared
    if (result.conflictKept) bytes.conflict.reset();  // the other version already stands beside the first place
    const std::optional<Failure> otherFailure =
        other ? writeAt(*other, bytes, request, result) : std::optional<Failure>(Failure{error, error.message()});
    if (!otherFailure) return written(SaveOutcome::keptAside);
    result.cause = failureCauseOf(otherFailure->code, FileAccess::writing);
    fail(request.saveFailure + failure->text + "; nor kept aside" + (other ? " in " + other->string() : std::string()) +
         ": " + otherFailure->text);
}

std::optional<JsonFileStore::Failure> JsonFileStore::writeAt(const fs::path& path, const Bytes& bytes,
                                                             const SaveRequest& request, SaveResult& result) {
    const fs::path normal = key(path);
    std::error_code error;
    const fs::path folder = path.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, error)) {
        fs::create_directories(folder, error);
        if (error) return Failure{error, error.message()};
    }

    // A file in place that this store has not seen decode is checked before it
    // is replaced; one that fails is kept aside rather than lost.
    bool verified = false;
    bool reported = false;
    {
        const std::lock_guard lock(stateMutex_);
        verified = verified_.contains(normal);
        reported = reported_.contains(normal);
    }
    if (!verified && fs::exists(fs::symlink_status(path, error))) {
        const auto failure = request.check ? readAndDecode(path, request.check) : std::nullopt;
        if (failure) {
            if (!reported) {
                log(request.loadFailure + *failure);
                const std::lock_guard lock(stateMutex_);
                reported_.insert(normal);
            }
            fs::path keptAs;
            if (const std::error_code aside = keepFileAside(path, keptAs))
                return Failure{aside, "the unreadable file in place could not be kept aside: " + aside.message()};
        }
    }

    if (bytes.conflict) {
        const std::optional<fs::path> keptAs = stampedCopyName(path, "conflict");
        const std::error_code kept = keptAs ? options_.writer(*keptAs, *bytes.conflict)
                                            : std::make_error_code(std::errc::file_exists);
        if (kept) return Failure{kept, "the other program's version could not be kept: " + kept.message()};
        result.conflictKept = keptAs;
        result.conflictKeptIsOurs = bytes.conflictIsOurs;
        pruneConflictCopies(path);
    }
    if (!bytes.unchanged || !fs::exists(path, error)) {
        if (const std::error_code written = options_.writer(path, bytes.value)) return Failure{written, written.message()};
    }
    const std::lock_guard lock(stateMutex_);
    verified_.insert(normal);
    reported_.erase(normal);
    return std::nullopt;
}

}  // namespace vantrel
