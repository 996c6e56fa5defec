// An echo responder of our own, on a raw ICMP socket in a test namespace whose kernel does not
// answer echoes itself. It records what each request carried on the wire and answers as told: after
// a delay, with duplicates, and with stale, foreign, wrong or malformed answers sent ahead of the
// real one.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace netns {

class EchoResponder {
  public:
    struct Behaviour {
        int delayMs = 0;            // the real answer leaves this long after the request came in
        int duplicates = 0;         // copies of the real answer sent after it
        bool silent = false;        // no real answer (what comes first is still sent)
        bool stale = false;         // first an answer with the previous sequence number
        bool foreign = false;       // first an answer with another identifier
        bool wrongPayload = false;  // first an answer whose data differ
        bool malformed = false;     // first an answer with a bad checksum and a truncated one
    };
    struct Request {
        uint8_t tos = 0;
        bool dontFragment = false;
        uint8_t ttl = 0;
        std::vector<uint8_t> data;
    };

    explicit EchoResponder(const std::string& namespaceName);
    ~EchoResponder();
    EchoResponder(const EchoResponder&) = delete;
    EchoResponder& operator=(const EchoResponder&) = delete;

    bool ok() const { return fd_ >= 0; }
    void SetBehaviour(const Behaviour& behaviour);
    std::vector<Request> Requests();
    void ClearRequests();

  private:
    void Serve();

    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    Behaviour behaviour_;
    std::vector<Request> requests_;
    std::thread thread_;
};

}  // namespace netns
