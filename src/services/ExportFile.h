#pragma once
// The file an export is written to: a new hidden temporary file in the destination's folder,
// renamed over the destination only once everything was written and flushed to disk. A failed
// or abandoned export removes its temporary file, so it never leaves a truncated file behind
// and never destroys the file it was to replace.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace vantrel {

class ExportFile {
public:
    // Creates the temporary file; throws ExportError when the folder does not exist, is not a
    // folder or cannot be written.
    explicit ExportFile(std::filesystem::path destination);
    ~ExportFile();  // removes the temporary file unless committed
    ExportFile(const ExportFile&) = delete;
    ExportFile& operator=(const ExportFile&) = delete;

    // Buffered file operations for the encoders. On failure they return false (or -1) and keep
    // the error, which `throwFailure` then reports.
    bool write(const void* data, std::size_t size);
    std::size_t read(void* data, std::size_t size);
    std::int64_t seek(std::int64_t offset, int whence);
    std::int64_t size();

    bool failed() const { return errno_ != 0; }
    // Throws the kept file error as an ExportError ("Could not write …").
    [[noreturn]] void throwFailure() const;

    // Flushes, syncs, closes and renames onto the destination; throws ExportError on failure
    // (the temporary file is then removed and the destination left as it was).
    void commit();

    const std::filesystem::path& destination() const { return destination_; }

private:
    void keepError(int errnum);

    std::filesystem::path destination_;
    std::filesystem::path temporary_;
    std::FILE* file_ = nullptr;
    int errno_ = 0;
    bool committed_ = false;
};

}  // namespace vantrel
