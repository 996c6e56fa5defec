// The echo probe engine: one ICMP echo request at a time to an IPv4 address, and the conversion and
// resolution of the addresses and host names that the user types as sites.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Ipv4Address.h"

namespace platform {
class EchoService;
class Resolver;
}  // namespace platform

namespace modPing {

// One probe: the echo facility it sends through, the resolver it looks names up with, and the
// handle it keeps open. It does not own the services it is handed.
class Engine {
  public:
    Engine(platform::EchoService& echo, platform::Resolver& resolver);
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Starts the sockets layer for the process. Linux needs no start: always 0 (started).
    int16_t StartWinsock();

    // Opens the ICMP echo facility and keeps its handle. Returns the handle, 0 when none could be opened
    // (neither a ping socket nor a raw socket is allowed).
    int32_t OpenIcmp();

    // Why the last OpenIcmp found no way to send, for the log.
    std::string OpenError() const;

    // Closes the handle when one is open.
    void CloseIcmp();

    // The handle OpenIcmp keeps: non-zero exactly while a socket is open.
    int32_t IcmpHandle() const;

    // Sends one echo request (32 bytes of 0x20, type of service 7, don't fragment) to the dotted address
    // text (blanks at its ends removed) and waits at most timeOut milliseconds for the answer.
    // Returns the reply count. With a reply: replyAddress is the dotted address that answered, status
    // its status number as text ("0" for an echo reply) and roundTrip the time in whole milliseconds.
    // Without: replyAddress "ICMP ERROR", status the error number as text, roundTrip unchanged.
    // ttl 0 sends with the system's default time to live.
    int32_t PingAddress(const std::string& address, const int32_t& timeOut, const uint8_t& ttl,
                        std::string& replyAddress, std::string& status, int32_t& roundTrip);

    // Whether the system has a route to the dotted address text (read as PingAddress reads it).
    bool HasRoute(const std::string& address);

    // The dotted address of a site as typed. A text that begins with a digit and, blanks at its end
    // aside, holds only digits and dots is an address and is converted without a look-up. Anything
    // else is looked up by name, unchanged. "0" when the look-up finds nothing (or the text is longer
    // than 32767 characters), "" when the host has no address, else its first IPv4 address.
    std::string ResolveAddress(std::string siteText);

  private:
    platform::EchoService& echo_;
    platform::Resolver& resolver_;
    int32_t handle_ = 0;
};

// The address of a dotted text, network byte order (first octet in the lowest byte). Every text
// yields an address: each character but "." adds a decimal digit (non-digits count as 0) to the
// current octet, modulo 256; "." moves to the next octet and a fourth "." ends the scan; the last
// number always goes to the fourth octet ("10.1" is 10.0.0.1).
int32_t AddressFromText(std::string text);

// "a.b.c.d" of four octets, first octet first, without leading zeros.
std::string AddressBytesToText(const platform::Ipv4Address& octets);

}  // namespace modPing
