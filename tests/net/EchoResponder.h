// An echo responder of our own, on a raw ICMP socket in a namespace whose kernel does not answer
// echoes itself. It records the IP header fields of the last request and answers as told: after a
// delay, with duplicates, and with stale, foreign, wrong and corrupted answers sent ahead of it.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "net/Netns.h"
#include "platform/linux/IcmpCodec.h"

namespace netns {

class EchoResponder {
  public:
    struct Behaviour {
        int delayMs = 0;         // the real answer leaves this long after the request came in
        int16_t duplicates = 0;  // copies of the real answer sent after it
        bool silent = false;     // no real answer (the noise is still sent)
        bool noise = false;      // first: previous sequence, other identifier, other data, bad checksum, cut
    };
    std::atomic<Behaviour> behaviour{Behaviour{}};
    std::atomic<int> ttl{0}, tos{0}, dontFragment{0}, requests{0};  // of the last request

    explicit EchoResponder(const std::string& ns) {
        InNamespace(ns, [&] { fd_ = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP); });
        if (fd_ >= 0) thread_ = std::thread([this] { Serve(); });
    }
    ~EchoResponder() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        close(fd_);
    }
    bool ok() const { return fd_ >= 0; }

  private:
    static std::vector<uint8_t> Reply(uint16_t id, uint16_t seq, const std::vector<uint8_t>& data) {
        auto m = platform::icmp::BuildEchoRequest(id, seq, data);
        m[0] = platform::icmp::kTypeEchoReply;
        m[2] = m[3] = 0;
        const uint16_t sum = platform::icmp::Checksum(m);
        m[2] = static_cast<uint8_t>(sum >> 8);
        m[3] = static_cast<uint8_t>(sum);
        return m;
    }

    void Serve() {
        uint8_t b[4096];
        while (!stop_) {
            pollfd pfd{fd_, POLLIN, 0};
            sockaddr_in from{};
            socklen_t len = sizeof from;
            if (poll(&pfd, 1, 20) <= 0) continue;
            const ssize_t n = recvfrom(fd_, b, sizeof b, 0, reinterpret_cast<sockaddr*>(&from), &len);
            const auto received = std::chrono::steady_clock::now();
            const size_t ihl = (b[0] & 0x0Fu) * 4;
            if (n < static_cast<ssize_t>(ihl + 8) || b[ihl] != platform::icmp::kTypeEchoRequest) continue;
            const uint16_t id = static_cast<uint16_t>(b[ihl + 4] << 8 | b[ihl + 5]);
            const uint16_t seq = static_cast<uint16_t>(b[ihl + 6] << 8 | b[ihl + 7]);
            const std::vector<uint8_t> data(b + ihl + 8, b + n);
            tos = b[1], ttl = b[8], dontFragment = (b[6] & 0x40) != 0;
            ++requests;
            const Behaviour how = behaviour;
            auto send = [&](const std::vector<uint8_t>& m, size_t size) {
                sendto(fd_, m.data(), size, 0, reinterpret_cast<const sockaddr*>(&from), sizeof from);
            };
            const auto real = Reply(id, seq, data);
            if (how.noise) {
                for (const auto& m : {Reply(id, seq - 1, data), Reply(id ^ 0xFFFF, seq, data),
                                      Reply(id, seq, std::vector<uint8_t>(data.size(), 0x21))})
                    send(m, m.size());
                auto corrupted = real;
                corrupted[2] ^= 0x5A;
                send(corrupted, corrupted.size());
                send(real, 6);
            }
            if (how.silent) continue;
            std::this_thread::sleep_until(received + std::chrono::milliseconds(how.delayMs));
            for (int i = 0; i <= how.duplicates; ++i) send(real, real.size());
        }
    }

    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace netns
