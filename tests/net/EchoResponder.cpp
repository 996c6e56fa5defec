#include "net/EchoResponder.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <future>

#include "platform/linux/IcmpCodec.h"

namespace netns {

namespace {

using platform::icmp::BuildEchoRequest;
using platform::icmp::Checksum;

std::vector<uint8_t> Reply(uint16_t id, uint16_t seq, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> m = BuildEchoRequest(id, seq, data);
    m[0] = platform::icmp::kTypeEchoReply;
    m[2] = m[3] = 0;
    const uint16_t sum = Checksum(m);
    m[2] = static_cast<uint8_t>(sum >> 8);
    m[3] = static_cast<uint8_t>(sum & 0xFF);
    return m;
}

}  // namespace

EchoResponder::EchoResponder(const std::string& namespaceName) {
    std::promise<int> opened;
    auto fdFuture = opened.get_future();
    thread_ = std::thread([this, namespaceName, &opened] {
        int fd = -1;
        const int ns = open(("/run/netns/" + namespaceName).c_str(), O_RDONLY | O_CLOEXEC);
        if (ns >= 0 && setns(ns, CLONE_NEWNET) == 0)
            fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (ns >= 0) close(ns);
        fd_ = fd;
        opened.set_value(fd);
        if (fd >= 0) Serve();
    });
    fdFuture.wait();
}

EchoResponder::~EchoResponder() {
    stop_ = true;
    thread_.join();
    if (fd_ >= 0) close(fd_);
}

void EchoResponder::SetBehaviour(const Behaviour& behaviour) {
    std::lock_guard lock(mutex_);
    behaviour_ = behaviour;
}

std::vector<EchoResponder::Request> EchoResponder::Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
}

void EchoResponder::ClearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

void EchoResponder::Serve() {
    uint8_t buffer[4096];
    while (!stop_) {
        pollfd pfd{fd_, POLLIN, 0};
        if (poll(&pfd, 1, 20) <= 0) continue;
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        const ssize_t n =
            recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        timespec received{};
        clock_gettime(CLOCK_MONOTONIC, &received);
        if (n < 20) continue;
        const size_t ihl = static_cast<size_t>(buffer[0] & 0x0F) * 4;
        if (ihl < 20 || static_cast<size_t>(n) < ihl + 8 || buffer[ihl] != platform::icmp::kTypeEchoRequest)
            continue;
        const uint8_t* icmp = buffer + ihl;
        const uint16_t id = static_cast<uint16_t>((icmp[4] << 8) | icmp[5]);
        const uint16_t seq = static_cast<uint16_t>((icmp[6] << 8) | icmp[7]);
        Request request;
        request.tos = buffer[1];
        request.dontFragment = (buffer[6] & 0x40) != 0;
        request.ttl = buffer[8];
        request.data.assign(icmp + 8, static_cast<const uint8_t*>(buffer) + n);
        Behaviour b;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
            b = behaviour_;
        }

        auto send = [&](const std::vector<uint8_t>& m, size_t length) {
            sendto(fd_, m.data(), length, 0, reinterpret_cast<const sockaddr*>(&from), sizeof from);
        };
        auto sendWhole = [&](const std::vector<uint8_t>& m) { send(m, m.size()); };
        if (b.stale) sendWhole(Reply(id, static_cast<uint16_t>(seq - 1), request.data));
        if (b.foreign) sendWhole(Reply(static_cast<uint16_t>(id ^ 0xFFFF), seq, request.data));
        if (b.wrongPayload) sendWhole(Reply(id, seq, std::vector<uint8_t>(request.data.size(), 0x21)));
        if (b.malformed) {
            auto bad = Reply(id, seq, request.data);
            bad[2] ^= 0x5A;
            sendWhole(bad);
            send(Reply(id, seq, request.data), 6);
        }
        if (b.silent) continue;
        if (b.delayMs > 0) {
            timespec until = received;
            until.tv_nsec += static_cast<long>(b.delayMs % 1000) * 1'000'000;
            until.tv_sec += b.delayMs / 1000 + until.tv_nsec / 1'000'000'000;
            until.tv_nsec %= 1'000'000'000;
            while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
            }
        }
        const auto real = Reply(id, seq, request.data);
        for (int i = 0; i <= b.duplicates; ++i) sendWhole(real);
    }
}

}  // namespace netns
