// The program's side of the echo helper (tarnovelmon-echo, src/echohelper/): where the ping socket is
// closed, the helper holds the raw ICMP socket and the program, which holds no privilege, asks it for
// one echo at a time over a socket pair.
#pragma once

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/EchoService.h"

namespace platform {

// The helper of the running program: beside it (a build folder), else in ../lib/tarnovelmon/ from its
// folder (installed).
std::string EchoHelperPath();

class EchoHelperClient {
  public:
    // Starts the helper at `path` with an empty environment and waits until it is ready. nullopt when it
    // could not be started or has no socket.
    static std::optional<EchoHelperClient> Start(const std::string& path);
    EchoHelperClient(EchoHelperClient&& other) noexcept;
    EchoHelperClient& operator=(EchoHelperClient&& other) noexcept;
    EchoHelperClient(const EchoHelperClient&) = delete;
    ~EchoHelperClient();  // ends the helper: it ends when its socket closes

    // One echo through the helper. The helper takes only what the probe sends (type of service 7,
    // don't fragment, 32 bytes of data); other requests fail here with kGeneralFailure, and a time-out
    // outside 1 to 999 ms is brought within. A helper that has gone fails every request from then on.
    EchoReply Echo(const Ipv4Address& destination, const std::vector<uint8_t>& data,
                   const EchoOptions& options, int32_t timeoutMs);

    pid_t Pid() const { return pid_; }

  private:
    EchoHelperClient(int fd, pid_t pid) : fd_(fd), pid_(pid) {}
    void End(bool kill);

    int fd_ = -1;
    pid_t pid_ = -1;
    int helperCore_ = -1;  // the core the helper was last held to
};

}  // namespace platform
