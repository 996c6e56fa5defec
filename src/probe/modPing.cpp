#include "probe/modPing.h"

#include <algorithm>
#include <vector>

#include "platform/EchoRequest.h"
#include "platform/Resolver.h"

namespace modPing {

namespace {

constexpr size_t kMaxTextLength = 32767;

std::string TrimSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

platform::Ipv4Address OctetsOf(int32_t address) {
    const auto a = static_cast<uint32_t>(address);
    return {static_cast<uint8_t>(a), static_cast<uint8_t>(a >> 8), static_cast<uint8_t>(a >> 16),
            static_cast<uint8_t>(a >> 24)};
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

Engine::Engine(platform::EchoService& echo, platform::Resolver& resolver)
    : echo_(echo), resolver_(resolver) {}

int16_t Engine::StartWinsock() {
    return 0;
}

int32_t Engine::OpenIcmp() {
    if (handle_ != 0) CloseIcmp();
    handle_ = echo_.Open();
    return handle_;
}

void Engine::CloseIcmp() {
    if (handle_ != 0) echo_.Close(handle_);
    handle_ = 0;
}

std::string Engine::OpenError() const {
    return echo_.OpenError();
}

int32_t Engine::IcmpHandle() const {
    return handle_;
}

int32_t Engine::PingAddress(const std::string& address, const int32_t& timeOut, const uint8_t& ttl,
                            std::string& replyAddress, std::string& status, int32_t& roundTrip) {
    const auto destination = OctetsOf(AddressFromText(TrimSpaces(address)));
    namespace request = platform::echo_request;
    const std::vector<uint8_t> data(request::kDataSize, request::kDataByte);
    const platform::EchoReply reply =
        handle_ == 0 ? platform::EchoReply::Failure(platform::kErrorInvalidHandle)
                     : echo_.SendEcho(handle_, destination, data, request::Options(ttl), timeOut);
    if (reply.count == 0) {
        replyAddress = "ICMP ERROR";
        status = std::to_string(reply.error);
        return 0;
    }
    replyAddress = AddressBytesToText(reply.address);
    status = std::to_string(reply.status);
    roundTrip = static_cast<int32_t>(std::min<uint32_t>(reply.roundTripMs, INT32_MAX));
    return static_cast<int32_t>(std::min<uint32_t>(reply.count, INT32_MAX));
}

bool Engine::HasRoute(const std::string& address) {
    return echo_.HasRoute(OctetsOf(AddressFromText(TrimSpaces(address))));
}

int32_t AddressFromText(std::string text) {
    platform::Ipv4Address octets{};
    unsigned accumulator = 0;
    int dots = 0;
    for (const char c : text) {
        if (c == '.') {
            if (++dots > 3) break;
            octets[dots - 1] = static_cast<uint8_t>(accumulator);
            accumulator = 0;
        } else {
            const unsigned digit = IsDigit(c) ? static_cast<unsigned>(c - '0') : 0;
            accumulator = (accumulator * 10 + digit) & 0xFF;
        }
    }
    octets[3] = static_cast<uint8_t>(accumulator);
    const uint32_t address =
        octets[0] | (octets[1] << 8) | (octets[2] << 16) | (static_cast<uint32_t>(octets[3]) << 24);
    return static_cast<int32_t>(address);
}

std::string AddressBytesToText(const platform::Ipv4Address& octets) {
    return std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." + std::to_string(octets[2]) +
           "." + std::to_string(octets[3]);
}

std::string Engine::ResolveAddress(std::string siteText) {
    if (siteText.size() > kMaxTextLength) return "0";
    if (!siteText.empty() && IsDigit(siteText.front())) {
        const std::string trimmed = TrimSpaces(siteText);
        if (std::ranges::all_of(trimmed, [](char c) { return IsDigit(c) || c == '.'; })) {
            return AddressBytesToText(OctetsOf(AddressFromText(trimmed)));
        }
    }
    const auto entry = resolver_.LookupByName(siteText);
    if (!entry) return "0";
    if (entry->empty()) return "";
    return AddressBytesToText(entry->front());
}

}  // namespace modPing
