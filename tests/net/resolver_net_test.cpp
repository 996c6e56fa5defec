// ResolveAddress against the system resolver, in a namespace of our own whose hosts file we write and
// whose DNS server answers nothing (nothing listens on its loopback), so unknown names fail fast.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "net/Netns.h"

namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class ResolverNet : public testing::Test {
  protected:
    void SetUp() override {
        NETNS_REQUIRE();
        ns_ = std::make_unique<netns::Namespace>("res");
        ASSERT_TRUE(ns_->ok());
        dir_ = fs::path("/etc/netns") / ns_->name();
        fs::create_directories(dir_);
        std::ofstream(dir_ / "hosts") << "127.0.0.1 localhost\n"
                                         "198.51.100.7 box.test\n"
                                         "203.0.113.5 multi.test\n"
                                         "203.0.113.6 multi.test\n"
                                         "192.0.2.9 3com.test\n";
        std::ofstream(dir_ / "resolv.conf") << "nameserver 127.0.0.1\noptions timeout:1 attempts:1\n";
        std::ofstream(dir_ / "nsswitch.conf") << "hosts: files dns\n";
    }
    void TearDown() override {
        if (!dir_.empty()) fs::remove_all(dir_);
    }

    std::vector<std::string> Resolve(const std::vector<std::string>& sites) {
        std::string command = "ip netns exec " + ns_->name() + " " + TN_PROBE_TOOL;
        for (const auto& s : sites) command += " " + Quote(s);
        FILE* pipe = popen(command.c_str(), "r");
        std::vector<std::string> lines;
        if (pipe == nullptr) return lines;
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
            std::string line(buffer);
            if (!line.empty() && line.back() == '\n') line.pop_back();
            lines.push_back(line);
        }
        EXPECT_EQ(pclose(pipe), 0);
        return lines;
    }

    std::unique_ptr<netns::Namespace> ns_;
    fs::path dir_;
};

TEST_F(ResolverNet, ResolvesThroughTheSystemResolver) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"box.test", "198.51.100.7"},
        {"multi.test", "203.0.113.5"},  // the first address
        {"3com.test", "192.0.2.9"},     // a name that begins with a digit is a name
        {"localhost", "127.0.0.1"},
        {"nosuch.test", "0"},
        {"1x.2.3.4", "0"},                   // looked up by name, unknown
        {"10.0.0.1 ", "10.0.0.1"},           // an address needs no look-up
        {"198.51.100.77", "198.51.100.77"},  // not in the hosts file, no reverse look-up needed
        {" box.test", "0"},                  // not trimmed
        {"", "0"},
    };
    std::vector<std::string> sites;
    for (const auto& c : cases) sites.push_back(c.first);
    const auto got = Resolve(sites);
    ASSERT_EQ(got.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(got[i], cases[i].second) << "'" << cases[i].first << "'";
}

}  // namespace
