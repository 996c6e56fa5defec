// An IPv4 address as four octets, first octet first (network order).
#pragma once

#include <array>
#include <cstdint>

namespace platform {

using Ipv4Address = std::array<uint8_t, 4>;

}  // namespace platform
