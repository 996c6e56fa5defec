// One echo of 127.0.0.1 made in-process by the probe, against the same probe made by spawning
// `ping -c 1` as shell-based monitors do. Reports wall and CPU time per probe and their ratio;
// the CPU time of the spawned probe counts the child's user and system time as well as ours.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "platform/linux/LinuxEchoService.h"
#include "platform/linux/LinuxResolver.h"
#include "probe/modPing.h"

extern char** environ;

namespace {

double gInProcessCpuUs = 0;
double gSpawnCpuUs = 0;

double CpuUs(const rusage& r) {
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e6 +
           static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec);
}

double SelfCpuUs() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return CpuUs(r);
}

void BM_InProcessProbe(benchmark::State& state) {
    platform::LinuxEchoService echo;
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
    const double cpu0 = SelfCpuUs();
    int64_t failures = 0;
    for (auto _ : state) {
        if (probe.PingAddress("127.0.0.1", timeOut, ttl, reply, status, rtt) == 0) ++failures;
    }
    const double perProbe = (SelfCpuUs() - cpu0) / static_cast<double>(state.iterations());
    probe.CloseIcmp();
    gInProcessCpuUs = perProbe;
    state.counters["cpu_us_per_probe"] = perProbe;
    state.counters["failures"] = static_cast<double>(failures);
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

BENCHMARK(BM_InProcessProbe)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpawnedPing)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (gInProcessCpuUs > 0 && gSpawnCpuUs > 0) {
        std::printf("CPU per probe: in-process %.1f us, spawned ping %.1f us, ratio %.1f\n", gInProcessCpuUs,
                    gSpawnCpuUs, gSpawnCpuUs / gInProcessCpuUs);
    }
    return 0;
}
