#include "platform/linux/LinuxResolver.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <memory>

namespace platform {

std::optional<std::vector<Ipv4Address>> LinuxResolver::LookupByName(const std::string& name) {
    // A NUL inside the text would make the resolver look up a shorter name than the one given.
    if (name.find('\0') != std::string::npos) return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;  // one entry per address
    addrinfo* raw = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &raw) != 0 || raw == nullptr) return std::nullopt;
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(raw, &freeaddrinfo);
    std::vector<Ipv4Address> addresses;
    for (const addrinfo* ai = raw; ai != nullptr; ai = ai->ai_next) {
        if (ai->ai_family != AF_INET || ai->ai_addr == nullptr || ai->ai_addrlen < sizeof(sockaddr_in))
            continue;
        sockaddr_in sin{};
        std::memcpy(&sin, ai->ai_addr, sizeof sin);
        Ipv4Address o{};
        std::memcpy(o.data(), &sin.sin_addr.s_addr, 4);
        addresses.push_back(o);
    }
    return addresses;
}

}  // namespace platform
