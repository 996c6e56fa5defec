#include "platform/linux/EchoWire.h"

#include <algorithm>

namespace platform::wire {

namespace {

void PutBe(uint8_t* at, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i, value >>= 8) at[i] = static_cast<uint8_t>(value);
}

uint32_t GetBe(std::span<const uint8_t> b, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value = value << 8 | b[at + i];
    return value;
}

}  // namespace

RequestBytes EncodeRequest(const EchoRequest& request) {
    RequestBytes m{};
    m[0] = kEchoRequest;
    std::ranges::copy(request.destination, m.begin() + 1);
    m[5] = request.options.ttl;
    m[6] = request.options.tos;
    m[7] = request.options.flags;
    PutBe(&m[8], static_cast<uint32_t>(std::clamp(request.timeoutMs, 0, 0xFFFF)), 2);
    std::ranges::copy(request.data, m.begin() + 10);
    return m;
}

std::optional<EchoRequest> ParseRequest(std::span<const uint8_t> message) {
    if (message.size() != kRequestSize || message[0] != kEchoRequest) return std::nullopt;
    EchoRequest r;
    std::copy_n(message.begin() + 1, 4, r.destination.begin());
    r.options = {.ttl = message[5], .tos = message[6], .flags = message[7]};
    r.timeoutMs = static_cast<int32_t>(GetBe(message, 8, 2));
    std::copy_n(message.begin() + 10, kDataSize, r.data.begin());
    if (r.destination == std::array<uint8_t, 4>{} || r.options.tos != kTypeOfService ||
        r.options.flags != kFlags || r.timeoutMs < kMinTimeoutMs || r.timeoutMs > kMaxTimeoutMs) {
        return std::nullopt;
    }
    return r;
}

ReplyBytes EncodeReply(const EchoReply& reply) {
    ReplyBytes m{};
    PutBe(&m[0], reply.count, 4);
    std::ranges::copy(reply.address, m.begin() + 4);
    PutBe(&m[8], reply.status, 4);
    PutBe(&m[12], reply.roundTripMs, 4);
    PutBe(&m[16], reply.error, 4);
    return m;
}

std::optional<EchoReply> ParseReply(std::span<const uint8_t> message) {
    if (message.size() != kReplySize) return std::nullopt;
    EchoReply r;
    r.count = GetBe(message, 0, 4);
    std::copy_n(message.begin() + 4, 4, r.address.begin());
    r.status = GetBe(message, 8, 4);
    r.roundTripMs = GetBe(message, 12, 4);
    r.error = GetBe(message, 16, 4);
    return r;
}

}  // namespace platform::wire
