#pragma once
// Runs the current test again in a child process (this same test program, this
// test alone) in which writing really fails:
//   Unwritable::folder      one folder cannot be written. As root the child gets
//                           a mount namespace of its own in which the folder is
//                           bind-mounted read-only; for any other user the
//                           folder's write permission is taken away meanwhile.
//   Unwritable::everywhere  no file can grow past 0 bytes (RLIMIT_FSIZE), as on
//                           a full disk; root is not exempt.
// The child finds the parent's scratch folder through childScratch(); its test
// reports through its exit status.
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

extern char** environ;

namespace vantrel::testing {

inline constexpr const char* kScratchVariable = "VANTREL_UNWRITABLE_SCRATCH";
// The child's status when the folder could not be made unwritable here.
inline constexpr int kCannotLock = 77;

enum class Unwritable { folder, everywhere };

// In the child: the parent's scratch folder; in the parent: nothing.
inline std::optional<std::filesystem::path> childScratch() {
    const char* scratch = std::getenv(kScratchVariable);
    if (!scratch) return std::nullopt;
    return std::filesystem::path(scratch);
}

// The child's exit status: 0 when its test passed, kCannotLock when the folder
// could not be made unwritable.
inline int runUnwritableChild(const std::filesystem::path& scratch, Unwritable what,
                              const std::filesystem::path& folder = {}) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    std::vector<char*> argv{program.data(), filter.data(), nullptr};
    std::vector<std::string> environment{std::string(kScratchVariable) + "=" + scratch.string()};
    for (char** variable = environ; *variable; ++variable) environment.emplace_back(*variable);
    std::vector<char*> envp;
    for (std::string& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);

    // Everything the child needs is made before the fork: it only makes system calls.
    const std::string target = folder.string();
    const bool byPermissions = what == Unwritable::folder && ::geteuid() != 0;
    struct stat before {};
    if (byPermissions && (::stat(target.c_str(), &before) != 0 || ::chmod(target.c_str(), 0555) != 0))
        return kCannotLock;
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 0;
    std::fflush(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        if (what == Unwritable::folder && !byPermissions) {
            if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount(target.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
                ::mount(nullptr, target.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
                ::_exit(kCannotLock);
        }
        if (what == Unwritable::everywhere) {
            ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG instead of ending the child
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    const bool waited = child > 0 && ::waitpid(child, &status, 0) == child;
    if (byPermissions) ::chmod(target.c_str(), before.st_mode & 07777);
    if (!waited) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace vantrel::testing
