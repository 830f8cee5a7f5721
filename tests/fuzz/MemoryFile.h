#pragma once
// A file that lives only in memory (memfd), reachable by path, refilled for every fuzz input:
// the loader and the stores take paths, and a disk file per input would be slow.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vantrel::fuzz {

class MemoryFile {
public:
    MemoryFile() : fd_(::memfd_create("vantrel-fuzz-input", MFD_CLOEXEC)) {
        if (fd_ < 0) std::abort();
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~MemoryFile() { ::close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Replaces the file's whole content.
    void fill(const std::uint8_t* data, std::size_t size) {
        if (::ftruncate(fd_, 0) != 0) std::abort();
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) std::abort();
            done += static_cast<std::size_t>(n);
        }
    }
    const std::filesystem::path& path() const { return path_; }

private:
    int fd_;
    std::filesystem::path path_;
};

}  // namespace vantrel::fuzz
