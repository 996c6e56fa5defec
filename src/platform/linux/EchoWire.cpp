#include "platform/linux/EchoWire.h"

#include <algorithm>

namespace platform::wire {

namespace {

constexpr size_t kWord = 4;

void PutBe(uint8_t* at, uint32_t value, size_t bytes) {
    for (size_t i = bytes; i-- > 0; value >>= 8) at[i] = static_cast<uint8_t>(value);
}

uint32_t GetBe(std::span<const uint8_t> b, size_t at, size_t bytes) {
    uint32_t value = 0;
    for (size_t i = 0; i < bytes; ++i) value = value << 8 | b[at + i];
    return value;
}

}  // namespace

RequestBytes EncodeRequest(const EchoRequest& request) {
    using namespace request_at;
    RequestBytes m{};
    m[kKind] = kEchoRequest;
    std::ranges::copy(request.destination, m.begin() + kDestination);
    m[kTimeToLive] = request.options.ttl;
    m[kTypeOfService] = request.options.tos;
    m[kFlags] = request.options.flags;
    PutBe(&m[kTimeout], static_cast<uint32_t>(std::clamp(request.timeoutMs, 0, 0xFFFF)), kTimeoutBytes);
    std::ranges::copy(request.data, m.begin() + kData);
    return m;
}

std::optional<EchoRequest> ParseRequest(std::span<const uint8_t> message) {
    using namespace request_at;
    if (message.size() != kRequestSize || message[kKind] != kEchoRequest) return std::nullopt;
    EchoRequest r;
    std::copy_n(message.begin() + kDestination, r.destination.size(), r.destination.begin());
    r.options = {.ttl = message[kTimeToLive], .tos = message[kTypeOfService], .flags = message[kFlags]};
    r.timeoutMs = static_cast<int32_t>(GetBe(message, kTimeout, kTimeoutBytes));
    std::copy_n(message.begin() + kData, r.data.size(), r.data.begin());
    if (!echo_request::IsTheProbes(r.destination, r.options, r.data.size()) ||
        !echo_request::TimeoutInBounds(r.timeoutMs)) {
        return std::nullopt;
    }
    return r;
}

ReplyBytes EncodeReply(const EchoReply& reply) {
    using namespace reply_at;
    ReplyBytes m{};
    PutBe(&m[kCount], reply.count, kWord);
    std::ranges::copy(reply.address, m.begin() + kAddress);
    PutBe(&m[kStatus], reply.status, kWord);
    PutBe(&m[kRoundTrip], reply.roundTripMs, kWord);
    PutBe(&m[kError], reply.error, kWord);
    return m;
}

std::optional<EchoReply> ParseReply(std::span<const uint8_t> message) {
    using namespace reply_at;
    if (message.size() != kReplySize) return std::nullopt;
    EchoReply r;
    r.count = GetBe(message, kCount, kWord);
    std::copy_n(message.begin() + kAddress, r.address.size(), r.address.begin());
    r.status = GetBe(message, kStatus, kWord);
    r.roundTripMs = GetBe(message, kRoundTrip, kWord);
    r.error = GetBe(message, kError, kWord);
    return r;
}

}  // namespace platform::wire
