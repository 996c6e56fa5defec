#include "platform/linux/EchoHelperClient.h"

#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

#include "platform/linux/EchoWire.h"

namespace platform {

namespace {

constexpr const char* kHelperName = "tarnovelmon-echo";
// How long the helper may take beyond a request's time-out, or to start.
constexpr int kGraceMs = 2000;

ssize_t Receive(int fd, uint8_t* buffer, size_t size) {
    ssize_t n;
    do n = ::recv(fd, buffer, size, 0);
    while (n < 0 && errno == EINTR);
    return n;
}

// The helper with its end of the pair on standard input, default signal handling, no environment.
pid_t Spawn(const std::string& path, int channel) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, channel, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::string arg0 = path;
    char* argv[] = {arg0.data(), nullptr};
    char* envp[] = {nullptr};
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, path.c_str(), &actions, &attributes, argv, envp);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// While the program waits for the helper's answer, both run on the core the program is on, so that
// neither process's wake-up has to reach another core: on a virtual machine each such wake-up costs
// more than the echo itself. The program's own affinity comes back as it was when the answer is in.
class SameCore {
  public:
    SameCore(pid_t helper, int& helperCore) {
        const int core = sched_getcpu();
        if (core < 0 || sched_getaffinity(0, sizeof saved_, &saved_) != 0) return;
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(core, &one);
        held_ = sched_setaffinity(0, sizeof one, &one) == 0;
        if (held_ && core != helperCore && sched_setaffinity(helper, sizeof one, &one) == 0)
            helperCore = core;
    }
    SameCore(const SameCore&) = delete;
    SameCore& operator=(const SameCore&) = delete;
    ~SameCore() {
        if (held_) sched_setaffinity(0, sizeof saved_, &saved_);
    }

  private:
    cpu_set_t saved_{};
    bool held_ = false;
};

}  // namespace

std::string EchoHelperPath() {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return {};
    const std::string program(self, static_cast<size_t>(n));
    const std::string folder = program.substr(0, program.rfind('/') + 1);
    const std::string beside = folder + kHelperName;
    if (::access(beside.c_str(), X_OK) == 0) return beside;
    return folder + "../lib/tarnovelmon/" + kHelperName;
}

std::optional<EchoHelperClient> EchoHelperClient::Start(const std::string& path) {
    int pair[2];
    if (path.empty() || ::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
        return std::nullopt;
    const pid_t pid = Spawn(path, pair[1]);
    ::close(pair[1]);
    if (pid < 0) {
        ::close(pair[0]);
        return std::nullopt;
    }
    EchoHelperClient client(pair[0], pid);
    constexpr int kWaitMs = echo_request::kMaxTimeoutMs + kGraceMs;
    constexpr int kMsPerSecond = 1000, kUsPerMs = 1000;
    const timeval wait{kWaitMs / kMsPerSecond, kWaitMs % kMsPerSecond * kUsPerMs};
    uint8_t ready = 0;
    if (setsockopt(pair[0], SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) != 0 ||
        Receive(pair[0], &ready, 1) != 1 || ready != wire::kReady) {
        client.End(true);
        return std::nullopt;
    }
    return client;
}

EchoHelperClient::EchoHelperClient(EchoHelperClient&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      pid_(std::exchange(other.pid_, -1)),
      helperCore_(other.helperCore_) {}

EchoHelperClient& EchoHelperClient::operator=(EchoHelperClient&& other) noexcept {
    if (this != &other) {
        End(false);
        fd_ = std::exchange(other.fd_, -1);
        pid_ = std::exchange(other.pid_, -1);
        helperCore_ = other.helperCore_;
    }
    return *this;
}

EchoHelperClient::~EchoHelperClient() {
    End(false);
}

void EchoHelperClient::End(bool kill) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (pid_ <= 0) return;
    if (kill) ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

EchoReply EchoHelperClient::Echo(const Ipv4Address& destination, const std::vector<uint8_t>& data,
                                 const EchoOptions& options, int32_t timeoutMs) {
    if (destination == Ipv4Address{}) return EchoReply::Failure(ip_status::kBadDestination);
    if (fd_ < 0 || !echo_request::IsTheProbes(destination, options, data.size()))
        return EchoReply::Failure(ip_status::kGeneralFailure);
    wire::EchoRequest request{
        destination,
        options,
        {},
        std::clamp(timeoutMs, echo_request::kMinTimeoutMs, echo_request::kMaxTimeoutMs)};
    std::ranges::copy(data, request.data.begin());
    const wire::RequestBytes message = wire::EncodeRequest(request);
    uint8_t received[wire::kReplySize + 1];
    const SameCore core(pid_, helperCore_);
    if (::send(fd_, message.data(), message.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(message.size()) &&
        Receive(fd_, received, sizeof received) == static_cast<ssize_t>(wire::kReplySize)) {
        if (auto r = wire::ParseReply({received, wire::kReplySize})) return *r;
    }
    End(true);  // gone, or silent beyond any time-out
    return EchoReply::Failure(ip_status::kGeneralFailure);
}

}  // namespace platform
