// One echo of 127.0.0.1 made in-process by the probe, through the echo helper, and by spawning
// `ping -c 1` as shell-based monitors do, beside the floor: the bare sendto, poll and recv of one echo
// on a socket of the same kind. Reports wall and CPU time per probe; the CPU time of the helper and of
// the spawned probe counts the child's user and system time as well as ours.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/linux/IcmpCodec.h"
#include "platform/linux/LinuxEchoService.h"
#include "platform/linux/LinuxResolver.h"
#include "probe/modPing.h"

extern char** environ;

namespace {

double gInProcessCpuUs = 0;
double gHelperCpuUs = 0;
double gSpawnCpuUs = 0;
double gFloorCpuUs = 0;

double CpuUs(const rusage& r) {
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e6 +
           static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec);
}

double SelfCpuUs(int who = RUSAGE_SELF) {
    rusage r{};
    getrusage(who, &r);
    return CpuUs(r);
}

// The bare echo: a request built once, then sendto, poll and recv on a ping socket, else a raw one.
void BM_Floor(benchmark::State& state) {
    int fd = socket(AF_INET, SOCK_DGRAM, IPPROTO_ICMP);
    if (fd < 0) {
        fd = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
        icmp_filter filter{~(1u << platform::icmp::kTypeEchoReply)};
        setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    }
    if (fd < 0) {
        state.SkipWithError("no ICMP socket allowed (see README: ICMP permission)");
        return;
    }
    const std::vector<uint8_t> data(32, 0x20);
    const std::vector<uint8_t> request = platform::icmp::BuildEchoRequest(0x1234, 1, data);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    uint8_t buffer[4096];
    const double cpu0 = SelfCpuUs();
    for (auto _ : state) {
        sendto(fd, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        pollfd pfd{fd, POLLIN, 0};
        poll(&pfd, 1, 1000);
        benchmark::DoNotOptimize(recv(fd, buffer, sizeof buffer, 0));
    }
    gFloorCpuUs = (SelfCpuUs() - cpu0) / static_cast<double>(state.iterations());
    state.counters["cpu_us_per_probe"] = gFloorCpuUs;
    close(fd);
}

// The probe through `echo`; `cpuUs` gets its CPU time per probe, the helper's included (taken when
// it has ended and been waited for), less what starting and ending the helper cost.
void Probe(benchmark::State& state, platform::LinuxEchoService& echo, double& cpuUs, double startCost = 0) {
    platform::LinuxResolver resolver;
    modPing::Engine probe(echo, resolver);
    if (probe.OpenIcmp() == 0) {
        state.SkipWithError("no ICMP socket allowed (see README: ICMP permission)");
        return;
    }
    std::string reply, status;
    int32_t rtt = 0;
    const int32_t timeOut = 1000;
    const uint8_t ttl = 64;
    const double cpu0 = SelfCpuUs() + SelfCpuUs(RUSAGE_CHILDREN);
    int64_t failures = 0;
    for (auto _ : state) {
        if (probe.PingAddress("127.0.0.1", timeOut, ttl, reply, status, rtt) == 0) ++failures;
    }
    probe.CloseIcmp();
    const double cpu = SelfCpuUs() + SelfCpuUs(RUSAGE_CHILDREN) - cpu0 - startCost;
    cpuUs = cpu / static_cast<double>(state.iterations());
    state.counters["cpu_us_per_probe"] = cpuUs;
    state.counters["failures"] = static_cast<double>(failures);
}

void BM_InProcessProbe(benchmark::State& state) {
    platform::LinuxEchoService echo;
    Probe(state, echo, gInProcessCpuUs);
}

void BM_HelperProbe(benchmark::State& state) {
    platform::LinuxEchoService echo({.rawInProcess = false, .helper = TN_ECHO_HELPER});
    // What a helper costs that is started and ended without a probe.
    const double cpu0 = SelfCpuUs() + SelfCpuUs(RUSAGE_CHILDREN);
    constexpr int kStarts = 20;
    for (int i = 0; i < kStarts; ++i) echo.Close(echo.Open());
    const double startCost = (SelfCpuUs() + SelfCpuUs(RUSAGE_CHILDREN) - cpu0) / kStarts;
    state.counters["helper_start_cpu_us"] = startCost;
    Probe(state, echo, gHelperCpuUs, startCost);
}

void BM_SpawnedPing(benchmark::State& state) {
    char arg0[] = "ping", arg1[] = "-c", arg2[] = "1", arg3[] = "-W", arg4[] = "1", arg5[] = "-q",
         arg6[] = "127.0.0.1";
    char* argv[] = {arg0, arg1, arg2, arg3, arg4, arg5, arg6, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    double childCpu = 0;
    const double cpu0 = SelfCpuUs();
    int64_t failures = 0;
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawnp(&pid, "ping", &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError("ping could not be started (package iputils-ping)");
            break;
        }
        int status = 0;
        rusage r{};
        wait4(pid, &status, 0, &r);
        childCpu += CpuUs(r);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failures;
    }
    posix_spawn_file_actions_destroy(&actions);
    if (state.iterations() == 0) return;
    const double perProbe = (SelfCpuUs() - cpu0 + childCpu) / static_cast<double>(state.iterations());
    gSpawnCpuUs = perProbe;
    state.counters["cpu_us_per_probe"] = perProbe;
    state.counters["failures"] = static_cast<double>(failures);
}

BENCHMARK(BM_Floor)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InProcessProbe)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HelperProbe)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpawnedPing)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (gInProcessCpuUs > 0 && gSpawnCpuUs > 0 && gFloorCpuUs > 0) {
        std::printf(
            "CPU per probe: floor %.1f us, in-process %.1f us (%.2f x the floor), through the helper "
            "%.1f us, spawned ping %.1f us\n",
            gFloorCpuUs, gInProcessCpuUs, gInProcessCpuUs / gFloorCpuUs, gHelperCpuUs, gSpawnCpuUs);
    }
    return 0;
}
