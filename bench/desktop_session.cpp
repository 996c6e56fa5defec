#include "desktop_session.h"

#include <fcntl.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

namespace deskbench {

namespace {

using namespace std::chrono_literals;

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The number after "name:" in a /proc status text; 0 when missing.
double StatusField(const std::string& text, const std::string& name) {
    const size_t at = text.find("\n" + name + ":");
    return at == std::string::npos ? 0 : std::strtod(text.c_str() + at + name.size() + 2, nullptr);
}

std::vector<char*> Pointers(const std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (const std::string& s : strings) p.push_back(const_cast<char*>(s.c_str()));
    p.push_back(nullptr);
    return p;
}

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

}  // namespace

std::string FindTool(const std::string& name) {
    std::stringstream path(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "/usr/bin:/bin");
    for (std::string dir; std::getline(path, dir, ':');) {
        const std::string file = dir + "/" + name;
        if (access(file.c_str(), X_OK) == 0) return file;
    }
    return {};
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool WriteFile(const std::string& path, const std::string& contents) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path);
    out << contents;
    return static_cast<bool>(out);
}

pid_t Launch(const std::vector<std::string>& argv, const std::vector<std::string>& env,
             const std::string& log) {
    std::vector<char*> args = Pointers(argv);
    std::vector<char*> vars = Pointers(env);
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const pid_t pid = fork();
    if (pid == 0) {
        if (out >= 0) {
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
        }
        execve(args[0], args.data(), vars.data());
        _exit(127);
    }
    if (out >= 0) close(out);
    return pid;
}

bool RunTool(const std::vector<std::string>& argv, const std::vector<std::string>& env,
             const std::string& log) {
    const pid_t pid = Launch(argv, env, log);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool Alive(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == 0;
}

double KillAndPeakMb(pid_t pid) {
    kill(pid, SIGKILL);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return 0;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double VmHwmMb(pid_t pid) {
    return StatusField(ReadText("/proc/" + std::to_string(pid) + "/status"), "VmHWM") / 1024.0;
}

Usage ReadUsage(pid_t pid) {
    Usage usage;
    const std::string proc = "/proc/" + std::to_string(pid);
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(proc + "/task", error)) {
        const std::string status = ReadText(task.path().string() + "/status");
        usage.switches += StatusField(status, "voluntary_ctxt_switches") +
                          StatusField(status, "nonvoluntary_ctxt_switches");
    }
    // utime and stime: the 12th and 13th fields after the command's closing parenthesis.
    const std::string stat = ReadText(proc + "/stat");
    std::istringstream fields(stat.substr(std::min(stat.size(), stat.rfind(')') + 2)));
    std::string field;
    double ticks = 0;
    for (int i = 1; i <= 13 && fields >> field; ++i) {
        if (i >= 12) ticks += std::strtod(field.c_str(), nullptr);
    }
    usage.cpuSeconds = ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
    return usage;
}

double EchoRequestsSent() {
    std::istringstream snmp(ReadText("/proc/net/snmp"));
    std::string names, values;
    while (std::getline(snmp, names) && std::getline(snmp, values)) {
        if (names.rfind("Icmp:", 0) != 0) continue;
        std::istringstream n(names), v(values);
        for (std::string name, value; n >> name && v >> value;) {
            if (name == "OutEchos") return std::strtod(value.c_str(), nullptr);
        }
    }
    return 0;
}

// ---- XWatch

XWatch::XWatch(const std::string& display) {
    xcb_connection_t* x = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(x)) {
        xcb_disconnect(x);
        return;
    }
    x_ = x;
    root_ = xcb_setup_roots_iterator(xcb_get_setup(x_)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x_, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x_);
}

XWatch::~XWatch() {
    if (x_ != nullptr) xcb_disconnect(x_);
}

void XWatch::Drain() {
    std::free(xcb_get_input_focus_reply(x_, xcb_get_input_focus(x_), nullptr));  // all sent so far is here
    while (xcb_generic_event_t* event = xcb_poll_for_event(x_)) std::free(event);
}

xcb_atom_t XWatch::Atom(const char* name) {
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(x_, xcb_intern_atom(x_, 0, static_cast<uint16_t>(std::strlen(name)), name),
                              nullptr),
        &std::free);
    return reply ? reply->atom : XCB_NONE;
}

std::string XWatch::Property(xcb_window_t window, xcb_atom_t property) {
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(
            x_, xcb_get_property(x_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr),
        &std::free);
    if (!reply || reply->format != 8) return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<size_t>(xcb_get_property_value_length(reply.get())));
}

std::optional<std::pair<xcb_window_t, Clock::time_point>> XWatch::WaitForMap(const std::string& caption,
                                                                             Clock::time_point deadline) {
    const xcb_atom_t netName = Atom("_NET_WM_NAME");
    pollfd fd{xcb_get_file_descriptor(x_), POLLIN, 0};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x_)) {
            const Clock::time_point at = Clock::now();
            const bool map = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
            std::free(event);
            if (map &&
                (Property(window, netName) == caption || Property(window, XCB_ATOM_WM_NAME) == caption))
                return std::make_pair(window, at);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || xcb_connection_has_error(x_)) return std::nullopt;
        poll(&fd, 1, static_cast<int>(left.count()));
    }
}

bool XWatch::TrayOwned() {
    const Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(x_, xcb_get_selection_owner(x_, Atom("_NET_SYSTEM_TRAY_S0")), nullptr),
        &std::free);
    return owner && owner->owner != XCB_NONE;
}

// ---- Desktop

Desktop::~Desktop() {
    watch_.reset();
    for (auto it = pids_.rbegin(); it != pids_.rend(); ++it) {
        kill(*it, SIGTERM);
        waitpid(*it, nullptr, 0);
    }
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
}

// The programs' echo requests, and anything else they send, stay in a namespace of the benchmark's
// own: only its loopback is up.
std::string Desktop::JoinOwnNetwork() {
    if (unshare(CLONE_NEWNET) != 0) return "cannot make a network namespace (run as root)";
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    const bool up = s >= 0 && ioctl(s, SIOCGIFFLAGS, &request) == 0 &&
                    (request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP),
                     ioctl(s, SIOCSIFFLAGS, &request) == 0);
    if (s >= 0) close(s);
    return up ? "" : "cannot bring up the loopback of the benchmark's network namespace";
}

std::string Desktop::StartX() {
    const std::string xvfb = FindTool("Xvfb");
    if (xvfb.empty()) return "Xvfb is not installed";
    int pipe[2];
    if (pipe2(pipe, 0) != 0) return "no pipe for Xvfb's display number";
    // Xvfb writes the free display number it took to the descriptor it is given.
    pids_.push_back(Launch({xvfb, "-displayfd", std::to_string(pipe[1]), "-screen", "0", "1280x1024x24",
                            "-nolisten", "tcp", "-noreset"},
                           {"PATH=/usr/bin:/bin"}, folder_ + "/xvfb.log"));
    close(pipe[1]);
    pollfd fd{pipe[0], POLLIN, 0};
    char number[16] = {};
    const bool read = poll(&fd, 1, 10000) == 1 && ::read(pipe[0], number, sizeof number - 1) > 0;
    close(pipe[0]);
    if (!read) return "Xvfb did not start (see " + folder_ + "/xvfb.log)";
    display_ = ":" + std::to_string(std::atoi(number));
    watch_.emplace(display_);
    return watch_->Ok() ? "" : "cannot connect to Xvfb";
}

std::string Desktop::StartTray() {
    const std::string trayer = FindTool("trayer");
    if (trayer.empty()) return "trayer is not installed";
    pids_.push_back(Launch({trayer, "--edge", "top", "--align", "right", "--widthtype", "request", "--height",
                            "32", "--transparent", "false", "--SetDockType", "true"},
                           Environment(folder_ + "/tray"), folder_ + "/trayer.log"));
    for (auto until = Clock::now() + 10s; Clock::now() < until; std::this_thread::sleep_for(50ms)) {
        if (watch_->TrayOwned()) return "";
    }
    return "trayer did not take the tray selection";
}

// A session bus, as every desktop session has; without dbus-daemon the programs run without one.
void Desktop::StartBus() {
    const std::string daemon = FindTool("dbus-daemon");
    if (daemon.empty()) return;
    const std::string socket = folder_ + "/bus";
    pids_.push_back(Launch({daemon, "--session", "--nofork", "--address=unix:path=" + socket},
                           {"PATH=/usr/bin:/bin"}, folder_ + "/bus.log"));
    for (auto until = Clock::now() + 5s; Clock::now() < until; std::this_thread::sleep_for(20ms)) {
        struct stat st {};
        if (::stat(socket.c_str(), &st) == 0) {
            bus_ = "unix:path=" + socket;
            return;
        }
    }
}

std::string Desktop::Start() {
    char folder[] = "/tmp/deskbench.XXXXXX";
    if (mkdtemp(folder) == nullptr) return "no temporary folder";
    folder_ = folder;
    for (auto step : {&Desktop::JoinOwnNetwork, &Desktop::StartX, &Desktop::StartTray}) {
        if (const std::string why = (this->*step)(); !why.empty()) return why;
    }
    StartBus();
    return "";
}

std::vector<std::string> Desktop::Environment(const std::string& home) const {
    std::vector<std::string> env = {
        "PATH=/usr/bin:/bin", "LANG=C.UTF-8", "DISPLAY=" + display_, "QT_QPA_PLATFORM=xcb", "HOME=" + home,
        "XDG_CONFIG_HOME=" + home + "/.config", "XDG_RUNTIME_DIR=" + home + "/runtime",
        // One cache for all the runs, as a user's is warm.
        "XDG_CACHE_HOME=" + folder_ + "/cache"};
    if (!bus_.empty()) env.push_back("DBUS_SESSION_BUS_ADDRESS=" + bus_);
    std::filesystem::create_directories(home + "/.config");
    mkdir((home + "/runtime").c_str(), 0700);
    return env;
}

}  // namespace deskbench
