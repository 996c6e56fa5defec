// Network namespaces that a test creates for itself: loopback-only hosts, and a client, a router
// and a server joined by veth pairs. Everything is made with `ip` and deleted again.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace netns {

// Why namespaces cannot be used here, or "" when they can.
std::string UnavailableReason();

// True when a test that cannot run must fail instead of being skipped (CI).
bool SkipsForbidden();

// Runs a shell command; false (with the output logged) when it fails.
bool Run(const std::string& command);

// Runs `fn` on a thread that has entered the namespace `name`. Sockets opened there stay in it.
void InNamespace(const std::string& name, const std::function<void()>& fn);

// Writes a sysctl of the namespace, e.g. Sysctl(ns, "net/ipv4/ping_group_range", "0 2147483647").
bool Sysctl(const std::string& name, const std::string& key, const std::string& value);

// One namespace with its loopback up; deleted with the object.
class Namespace {
  public:
    explicit Namespace(std::string tag);
    ~Namespace();
    Namespace(const Namespace&) = delete;
    Namespace& operator=(const Namespace&) = delete;
    const std::string& name() const { return name_; }
    bool ok() const { return ok_; }
    // `ip -n NAME ...`
    bool Ip(const std::string& args) const;

  private:
    std::string name_;
    bool ok_ = false;
};

// client 192.0.2.2/24 -- 192.0.2.1/24 router 198.51.100.1/24 -- 198.51.100.2/24 server.
// The router forwards, sends ICMP errors without rate limit, and has special routes:
//   203.0.113.1 unreachable, 203.0.113.2 prohibit, 203.0.113.3 blackhole, 203.0.113.4 no route.
// The client routes 198.51.100.0/24 and 203.0.113.0/25 through the router, has an unreachable route
// to 203.0.113.130 and no route to 203.0.113.200. The server's kernel does not answer echoes.
struct Addresses {
    static constexpr const char* kClient = "192.0.2.2";
    static constexpr const char* kRouterNear = "192.0.2.1";
    static constexpr const char* kRouterFar = "198.51.100.1";
    static constexpr const char* kServer = "198.51.100.2";
    static constexpr const char* kRouterUnreachable = "203.0.113.1";
    static constexpr const char* kRouterProhibit = "203.0.113.2";
    static constexpr const char* kRouterBlackhole = "203.0.113.3";
    static constexpr const char* kRouterNoRoute = "203.0.113.4";
    static constexpr const char* kClientUnreachable = "203.0.113.130";
    static constexpr const char* kClientNoRoute = "203.0.113.200";
};

class Topology {
  public:
    Topology();
    bool ok() const { return ok_; }
    const Namespace& client() const { return client_; }
    const Namespace& router() const { return router_; }
    const Namespace& server() const { return server_; }

  private:
    Namespace client_{"c"};
    Namespace router_{"r"};
    Namespace server_{"s"};
    bool ok_ = false;
};

}  // namespace netns

// Skips the test with the reason, or fails it where skipping is not allowed.
#define NETNS_REQUIRE()                                                          \
    do {                                                                         \
        const std::string netnsWhy = ::netns::UnavailableReason();               \
        if (!netnsWhy.empty()) {                                                 \
            if (::netns::SkipsForbidden()) FAIL() << "cannot run: " << netnsWhy; \
            GTEST_SKIP() << netnsWhy;                                            \
        }                                                                        \
    } while (false)
