#pragma once
// A folder-agnostic keeper of JSON files: reads on the caller's thread, writes
// and deletions in order on one worker thread of its own. A read waits for the
// queued work on the same file, so it always sees the latest save. A file that
// exists but cannot be decoded is never overwritten: the save that would
// replace it first keeps it aside (see keepFileAside). A save may name a second
// place for its file, written when the first cannot be, and is told where its
// value went and why; each failure is also reported as a single line through the
// log sink. A value may bring another program's version it overrides in part,
// kept beside it as "name.conflict-<time>.json" (the newest few of them).
#include <nlohmann/json.hpp>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "services/SaveOutcome.h"

namespace vantrel {

class JsonFileStore {
public:
    using Json = nlohmann::json;
    // Receives one failure line, without its line feed.
    using LogSink = std::function<void(const std::string& line)>;
    // Replaces a file's content as a whole; the default is writeFileAtomically.
    using FileWriter = std::function<std::error_code(const std::filesystem::path&, std::string_view)>;
    // Decodes a JSON value; throws (any std::exception) when it is not acceptable.
    using Decoder = std::function<void(const Json&)>;
    // What a save stores, built on the worker just before it writes.
    struct Encoded {
        Encoded(Json value) : value(std::move(value)) {}
        Json value;
        // Another program's version that `value` overrides in part: kept beside it.
        std::optional<Json> conflict;
        bool conflictIsOurs = false;  // see SaveResult::conflictKeptIsOurs
        // The file in place already holds `value`: it is not written again.
        bool unchanged = false;
    };
    // Builds the JSON value to store; may throw to refuse.
    using Encoder = std::function<Encoded()>;

    struct Options {
        LogSink log;        // default: standard output, one line each
        FileWriter writer;  // default: writeFileAtomically
    };

    // The same file in a second place: its path, with its folder made first when
    // `make` is set; nothing (and the reason in `error`) when there is none.
    using SecondPlace = std::function<std::optional<std::filesystem::path>(bool make, std::error_code& error)>;
    // Told on the worker where the value went.
    using Done = std::function<void(const SaveResult&)>;

    struct SaveRequest {
        std::filesystem::path path;
        Encoder encode;
        Decoder check;            // accepts a file already in place before it is replaced
        std::string saveFailure;  // line prefix when the save fails; the reason follows
        std::string loadFailure;  // line prefix when the file in place turns out unreadable
        // Written when `path` cannot be; a copy there is removed once `path` is
        // written again, so it never stands for a newer value than `path` holds.
        SecondPlace secondPlace = {};
        Done done = {};
        // Files the value takes the place of (an older name of the same record):
        // removed only once the value is safely written, in either place; one
        // that cannot be decoded is kept aside instead.
        std::vector<std::filesystem::path> supersedes = {};
        // A save that may well fail (a roll still read-only) reports it only to `done`.
        bool logFailure = true;
    };

    JsonFileStore();
    explicit JsonFileStore(Options options);
    // Finishes every queued write before returning.
    ~JsonFileStore();
    JsonFileStore(const JsonFileStore&) = delete;
    JsonFileStore& operator=(const JsonFileStore&) = delete;

    // Reads and decodes `path` after the queued work on it has finished.
    // A missing file gives false silently; a file that cannot be read or
    // decoded gives false and logs `loadFailure` followed by the reason.
    bool load(const std::filesystem::path& path, const std::string& loadFailure, const Decoder& decode);
    // The same without the line, for a read whose failure is told elsewhere: a
    // failure read quietly is still told by the save that keeps the file aside.
    bool loadQuietly(const std::filesystem::path& path, const Decoder& decode);

    // Whether a file exists at `path` once the queued work on it has finished.
    bool exists(const std::filesystem::path& path);

    // Queues a save: encode, create the parent folder when missing, keep an
    // unreadable file aside, write atomically.
    void save(SaveRequest request);

    // Queues the removal of `path` (and of `others`, in the same turn); a missing
    // file or a failed removal is silent.
    void remove(const std::filesystem::path& path, std::vector<std::filesystem::path> others = {});

    // Queues a task of the caller's own, run in order with the saves; reads of
    // `path` wait for it.
    void perform(const std::filesystem::path& path, std::function<void()> task);

    // Blocks until everything queued before the call has finished. Returns at
    // once when called from the worker itself.
    void flush();

    void log(const std::string& line) const;

private:
    struct Task {
        std::filesystem::path path;
        std::function<void()> run;
    };

    bool read(const std::filesystem::path& path, const std::string* loadFailure, const Decoder& decode);
    void enqueue(std::filesystem::path path, std::function<void()> run);
    void waitForPath(const std::filesystem::path& path);
    void workerLoop();
    struct Failure {
        std::error_code code;
        std::string text;
    };
    struct Bytes {
        std::string value;
        std::optional<std::string> conflict;
        bool conflictIsOurs = false;
        bool unchanged = false;
    };
    void runSave(const SaveRequest& request);
    // Writes at `path` as a save does (the conflict copy first); the reason when it fails.
    std::optional<Failure> writeAt(const std::filesystem::path& path, const Bytes& bytes, const SaveRequest& request,
                                   SaveResult& result);
    void forget(const std::filesystem::path& path);
    // Removes the file silently and forgets what is known of it.
    void discard(const std::filesystem::path& path);
    // A file the saved value stands for now: removed when it decodes, else kept aside.
    void retire(const std::filesystem::path& path, const SaveRequest& request);
    bool onWorker() const { return std::this_thread::get_id() == worker_.get_id(); }

    Options options_;

    std::mutex queueMutex_;
    std::condition_variable workAvailable_;
    std::condition_variable workDone_;
    std::deque<Task> tasks_;
    std::map<std::filesystem::path, int> pending_;
    std::uint64_t enqueued_ = 0;
    std::uint64_t completed_ = 0;
    bool stopping_ = false;

    // Files known to decode (read or written by this store), and files whose
    // failure has already been reported; both guarded by stateMutex_.
    mutable std::mutex stateMutex_;
    std::set<std::filesystem::path> verified_;
    std::set<std::filesystem::path> reported_;

    std::thread worker_;  // last: starts once everything above exists
};

// A typed read of a record with nlohmann from_json.
template <class T>
std::optional<T> loadJsonValue(JsonFileStore& store, const std::filesystem::path& path,
                               const std::string& loadFailure) {
    std::optional<T> value;
    store.load(path, loadFailure, [&value](const nlohmann::json& json) { value = json.get<T>(); });
    return value;
}

}  // namespace vantrel
