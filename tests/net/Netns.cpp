#include "net/Netns.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace netns {

namespace {

std::string UniqueName(const std::string& tag) {
    static std::atomic<int> counter{0};
    return "tnmon" + std::to_string(getpid()) + tag + std::to_string(counter++);
}

}  // namespace

std::string UnavailableReason() {
    static const std::string reason = [] {
        if (geteuid() != 0) return std::string("needs root to create network namespaces");
        if (std::system("command -v ip >/dev/null 2>&1") != 0)
            return std::string("the ip command (iproute2) is missing");
        const std::string probe = UniqueName("probe");
        if (std::system(("ip netns add " + probe + " >/dev/null 2>&1").c_str()) != 0) {
            return std::string("network namespaces cannot be created here");
        }
        std::system(("ip netns del " + probe + " >/dev/null 2>&1").c_str());
        return std::string();
    }();
    return reason;
}

bool SkipsForbidden() {
    const char* ci = std::getenv("CI");
    const char* strict = std::getenv("TN_NO_SKIP");
    return (ci != nullptr && std::string(ci) == "true") || (strict != nullptr && std::string(strict) == "1");
}

bool Run(const std::string& command) {
    const std::string full = command + " 2>&1";
    FILE* pipe = popen(full.c_str(), "r");
    if (pipe == nullptr) return false;
    std::string output;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    const int status = pclose(pipe);
    if (status != 0) {
        std::fprintf(stderr, "command failed (%d): %s\n%s", status, command.c_str(), output.c_str());
        return false;
    }
    return true;
}

void InNamespace(const std::string& name, const std::function<void()>& fn) {
    std::thread worker([&] {
        const int fd = open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0) << "namespace " << name << " not found";
        const int entered = setns(fd, CLONE_NEWNET);
        close(fd);
        ASSERT_EQ(entered, 0) << "cannot enter namespace " << name;
        fn();
    });
    worker.join();
}

bool Sysctl(const std::string& name, const std::string& key, const std::string& value) {
    return Run("ip netns exec " + name + " sh -c 'echo " + value + " > /proc/sys/" + key + "'");
}

Namespace::Namespace(std::string tag) : name_(UniqueName(tag)) {
    if (!UnavailableReason().empty()) return;
    ok_ = Run("ip netns add " + name_) && Ip("link set lo up");
}

Namespace::~Namespace() {
    if (UnavailableReason().empty()) Run("ip netns del " + name_);
}

bool Namespace::Ip(const std::string& args) const {
    return Run("ip -n " + name_ + " " + args);
}

Topology::Topology() {
    if (!client_.ok() || !router_.ok() || !server_.ok()) return;
    const std::string r = router_.name();
    const std::string s = server_.name();
    ok_ = client_.Ip("link add c0 type veth peer name r0 netns " + r) &&
          router_.Ip("link add r1 type veth peer name s0 netns " + s) &&
          client_.Ip("addr add 192.0.2.2/24 dev c0") && client_.Ip("link set c0 up") &&
          router_.Ip("addr add 192.0.2.1/24 dev r0") && router_.Ip("link set r0 up") &&
          router_.Ip("addr add 198.51.100.1/24 dev r1") && router_.Ip("link set r1 up") &&
          server_.Ip("addr add 198.51.100.2/24 dev s0") && server_.Ip("link set s0 up") &&
          client_.Ip("route add 198.51.100.0/24 via 192.0.2.1") &&
          client_.Ip("route add 203.0.113.0/25 via 192.0.2.1") &&
          client_.Ip("route add unreachable 203.0.113.130/32") &&
          server_.Ip("route add 192.0.2.0/24 via 198.51.100.1") &&
          router_.Ip("route add unreachable 203.0.113.1/32") &&
          router_.Ip("route add prohibit 203.0.113.2/32") &&
          router_.Ip("route add blackhole 203.0.113.3/32") && Sysctl(r, "net/ipv4/ip_forward", "1") &&
          Sysctl(r, "net/ipv4/icmp_ratelimit", "0") && Sysctl(s, "net/ipv4/icmp_echo_ignore_all", "1");
}

}  // namespace netns
