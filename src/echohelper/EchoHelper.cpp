#include "echohelper/EchoHelper.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/linux/Capabilities.h"
#include "platform/linux/EchoWire.h"

namespace echohelper {

namespace {

namespace wire = platform::wire;

bool WriteAll(int fd, const uint8_t* bytes, size_t size) {
    ssize_t n;
    do n = ::write(fd, bytes, size);
    while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(size);
}

// Nothing of the environment is read, nor passed on: there is no program to start. Its text is
// overwritten too, so that none of it stays in memory (or in /proc/PID/environ) for the helper's life.
void ForgetEnvironment() {
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
        std::memset(*entry, 0, std::strlen(*entry));
    clearenv();
}

}  // namespace

int Serve(int channel, platform::IcmpEcho& echo) {
    // One byte more than a request: a longer message then reads as one of the wrong size.
    uint8_t message[wire::kRequestSize + 1];
    for (;;) {
        const ssize_t n = ::read(channel, message, sizeof message);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) return 0;
        if (n < 0) return 1;
        const auto request = wire::ParseRequest({message, static_cast<size_t>(n)});
        if (!request) return 2;
        const std::vector<uint8_t> data(request->data.begin(), request->data.end());
        const auto reply =
            wire::EncodeReply(echo.Echo(request->destination, data, request->options, request->timeoutMs));
        if (!WriteAll(channel, reply.data(), reply.size())) return 1;
    }
}

int Run() {
    ForgetEnvironment();
    std::signal(SIGPIPE, SIG_IGN);
    close_range(kChannel + 1, ~0U, 0);
    auto echo = platform::IcmpEcho::Open(platform::IcmpSocketKind::Raw);
    const bool dropped = platform::DropAllPrivilegeForGood();
    const uint8_t ready = echo && dropped ? wire::kReady : wire::kUnavailable;
    if (!WriteAll(kChannel, &ready, 1) || ready != wire::kReady) return 1;
    return Serve(kChannel, *echo);
}

}  // namespace echohelper
