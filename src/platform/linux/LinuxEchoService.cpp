#include "platform/linux/LinuxEchoService.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <climits>
#include <cstring>

namespace platform {

namespace {

// Any port: connecting a datagram socket sends nothing.
constexpr uint16_t kRouteProbePort = 9;

}  // namespace

// Tries each way in turn while the last was refused as not allowed; any other refusal is told.
int32_t LinuxEchoService::Open() {
    Close(handle_);
    int error = 0;
    socket_ = IcmpEcho::Open(IcmpSocketKind::Datagram, error);
    if (!socket_) openError_ = std::string("the ping socket: ") + std::strerror(error);
    if (!socket_ && MeansNotAllowed(error) && mechanisms_.rawInProcess) {
        socket_ = IcmpEcho::Open(IcmpSocketKind::Raw, error);
        if (!socket_) openError_ += std::string("; a raw socket: ") + std::strerror(error);
    }
    if (!socket_ && MeansNotAllowed(error) && !mechanisms_.helper.empty()) {
        helper_ = EchoHelperClient::Start(mechanisms_.helper);
        if (!helper_)
            openError_ += "; the echo helper " + mechanisms_.helper + " did not start or has no socket";
    }
    if (!socket_ && !helper_) return kNoHandle;
    openError_.clear();
    lastHandle_ = lastHandle_ == INT32_MAX ? kNoHandle + 1 : lastHandle_ + 1;
    handle_ = lastHandle_;
    return handle_;
}

void LinuxEchoService::Close(int32_t handle) {
    if (handle_ == kNoHandle || handle != handle_) return;
    socket_.reset();
    helper_.reset();
    handle_ = kNoHandle;
}

IcmpSocketKind LinuxEchoService::SocketKind() const {
    if (socket_) return socket_->Kind();
    return helper_ ? IcmpSocketKind::Helper : IcmpSocketKind::None;
}

EchoReply LinuxEchoService::SendEcho(int32_t handle, const Ipv4Address& destination,
                                     const std::vector<uint8_t>& data, const EchoOptions& options,
                                     int32_t timeoutMs) {
    if (handle_ == kNoHandle || handle != handle_) return EchoReply::Failure(kErrorInvalidHandle);
    if (socket_) return socket_->Echo(destination, data, options, timeoutMs);
    return helper_->Echo(destination, data, options, timeoutMs);
}

bool LinuxEchoService::HasRoute(const Ipv4Address& destination) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return true;  // nothing to tell by: let the request find out
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kRouteProbePort);
    std::memcpy(&to.sin_addr, destination.data(), destination.size());
    const bool routed = connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    close(fd);
    return routed;
}

}  // namespace platform
