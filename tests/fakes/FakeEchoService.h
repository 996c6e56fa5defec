// In-memory echo facility: records every request and answers with the replies a test queued.
#pragma once

#include <deque>
#include <functional>
#include <vector>

#include "platform/EchoService.h"

namespace fakes {

class FakeEchoService : public platform::EchoService {
  public:
    struct Request {
        int32_t handle;
        std::array<uint8_t, 4> destination;
        std::vector<uint8_t> data;
        platform::EchoOptions options;
        int32_t timeoutMs;
    };
    bool openFails = false;
    std::deque<platform::EchoReply> replies;  // answered in order; when none is queued: `fallback`
    platform::EchoReply fallback{.error = platform::ip_status::kReqTimedOut};
    std::function<void(const Request&)> onSend;  // runs while the request is out
    std::vector<Request> requests;
    std::vector<int32_t> closed;
    int32_t nextHandle = 4243;
    bool routed = true;  // whether HasRoute finds a route, to any destination

    int32_t Open() override { return openFails ? 0 : nextHandle++; }
    std::string OpenError() const override { return openFails ? "refused" : ""; }
    void Close(int32_t handle) override { closed.push_back(handle); }
    platform::EchoReply SendEcho(int32_t handle, const std::array<uint8_t, 4>& destination,
                                 const std::vector<uint8_t>& data, const platform::EchoOptions& options,
                                 int32_t timeoutMs) override {
        requests.push_back({handle, destination, data, options, timeoutMs});
        if (onSend) onSend(requests.back());
        if (replies.empty()) return fallback;
        const platform::EchoReply r = replies.front();
        replies.pop_front();
        return r;
    }
    bool HasRoute(const std::array<uint8_t, 4>&) override { return routed; }
    static platform::EchoReply Reply(std::array<uint8_t, 4> from, uint32_t status, uint32_t rtt) {
        return {.count = 1, .address = from, .status = status, .roundTripMs = rtt, .error = 0};
    }
};

}  // namespace fakes
