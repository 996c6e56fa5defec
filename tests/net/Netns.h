// Network namespaces that a test creates for itself, made with `ip` and deleted again.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include <gtest/gtest.h>

namespace netns {

// Runs a shell command; false (with its errors on stderr) when it fails.
inline bool Run(const std::string& command) {
    return std::system((command + " >/dev/null").c_str()) == 0;
}

// Runs `fn` on this thread inside the namespace `name`, then takes the thread back to its own. Sockets
// opened there stay in it.
inline void InNamespace(const std::string& name, const std::function<void()>& fn) {
    const int own = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int fd = open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    const bool entered = setns(fd, CLONE_NEWNET) == 0;
    close(fd);
    if (entered) fn();
    const bool back = setns(own, CLONE_NEWNET) == 0;
    close(own);
    ASSERT_TRUE(entered && back) << "cannot enter or leave namespace " << name;
}

// Writes a sysctl of the namespace, e.g. Sysctl(ns, "net/ipv4/ping_group_range", "0 2147483647").
inline bool Sysctl(const std::string& name, const std::string& key, const std::string& value) {
    return Run("ip netns exec " + name + " sh -c 'echo " + value + " > /proc/sys/" + key + "'");
}

// One namespace with its loopback up; deleted with the object.
class Namespace {
  public:
    explicit Namespace(const std::string& tag)
        : name_("tnmon" + std::to_string(getpid()) + tag),
          ok_(Run("ip netns add " + name_) && Run("ip -n " + name_ + " link set lo up")) {}
    ~Namespace() { Run("ip netns del " + name_); }
    Namespace(const Namespace&) = delete;
    const std::string& name() const { return name_; }
    bool ok() const { return ok_; }

  private:
    const std::string name_;
    const bool ok_;
};

}  // namespace netns

// Skips the test (printed as SKIPPED) where namespaces cannot be made, or fails it where TN_NO_SKIP or CI
// is set.
#define NETNS_REQUIRE()                                                                           \
    if (geteuid() != 0 || std::system("ip netns list >/dev/null 2>&1") != 0) {                    \
        const char* netnsWhy = "needs root and the ip command (iproute2) for network namespaces"; \
        if (std::getenv("TN_NO_SKIP") || std::getenv("CI")) GTEST_FAIL() << netnsWhy;             \
        GTEST_SKIP() << netnsWhy;                                                                 \
    }                                                                                             \
    static_assert(true)
