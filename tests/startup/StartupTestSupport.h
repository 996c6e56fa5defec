// Helpers of the start-up tests: a temporary XDG_CONFIG_HOME, whole-file reads and writes, running a
// check in a child process (as an unprivileged user where this process is root, because root ignores
// file modes), and desktop-file-validate.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace startup_test {

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
}

inline bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

inline mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// The names in a folder, sorted.
inline std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Sets an environment variable for the life of the object (nullptr: unsets it), then restores it.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> old_;
};

// A fresh folder that is XDG_CONFIG_HOME for the life of the object, removed afterwards.
class TempConfigHome {
  public:
    TempConfigHome() : root_(MakeRoot()), env_("XDG_CONFIG_HOME", (root_ + "/config").c_str()) {}
    ~TempConfigHome() {
        std::error_code ec;
        // Folders a test made read-only must be writable again to be removed.
        for (auto it = std::filesystem::recursive_directory_iterator(root_, ec);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0700);
        }
        std::filesystem::remove_all(root_, ec);
    }
    TempConfigHome(const TempConfigHome&) = delete;
    TempConfigHome& operator=(const TempConfigHome&) = delete;

    const std::string& root() const { return root_; }  // a scratch folder that holds the config home
    std::string path() const { return root_ + "/config"; }
    std::string autostart() const { return path() + "/autostart"; }
    std::string storeFolder() const { return path() + "/TarnovelMon"; }
    std::string storeFile() const { return storeFolder() + "/registry.ini"; }
    std::string entry(const std::string& valueName) const {
        return autostart() + "/" + valueName + ".desktop";
    }

  private:
    static std::string MakeRoot() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/tn-startup-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (::mkdtemp(name.data()) == nullptr) std::abort();
        return name.data();
    }

    std::string root_;
    ScopedEnv env_;
};

// What a check run in a child process came to.
struct ChildOutcome {
    bool ran = false;  // false: the child could not take the unprivileged user; see why
    std::string why;
    int exitCode = -1;  // the check's result; -1 when the child died of a signal
};

constexpr uid_t kNobody = 65534;

// Runs check in a child process and hands back its result (0..125). Where this process is root, the
// child first becomes user and group 65534 ("nobody"), so that file modes apply to it.
inline ChildOutcome RunInChild(const std::function<int()>& check) {
    const bool root = ::geteuid() == 0;
    const pid_t pid = ::fork();
    if (pid < 0) return {false, "fork failed", -1};
    if (pid == 0) {
        if (root && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(126);
        ::_exit(check() & 0x7F);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return {false, "waitpid failed", -1};
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 126) return {false, "could not become user 65534", -1};
    return {true, "", WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// Opens the scratch tree to other users (for a child running as "nobody"): every folder 0755, every
// file 0644.
inline void OpenToOthers(const std::string& root) {
    ::chmod(root.c_str(), 0755);
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        ::chmod(it->path().c_str(), it->is_directory(ec) ? 0755 : 0644);
    }
}

// A program's output and exit status.
struct RunResult {
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

inline RunResult Run(const std::vector<std::string>& argv) {
    int pipefd[2];
    if (::pipe(pipefd) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipefd[1], 1);
        ::dup2(pipefd[1], 2);
        ::close(pipefd[0]);
        ::close(pipefd[1]);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipefd[1]);
    RunResult result;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipefd[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0) result.output.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipefd[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The path of a program found on PATH, or "".
inline std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return "";
}

// Where a tool a test needs is missing: a skip for a developer, a failure in CI (CI=true) or when
// TN_NO_SKIP=1 asks that nothing be skipped.
inline bool SkipsAllowed() {
    const char* ci = std::getenv("CI");
    const char* noSkip = std::getenv("TN_NO_SKIP");
    return !(ci != nullptr && std::string(ci) == "true") &&
           !(noSkip != nullptr && std::string(noSkip) == "1");
}

}  // namespace startup_test
