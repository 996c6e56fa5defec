// A private desktop for desktop_bench: an X server (Xvfb), an XEmbed tray (trayer) and a session bus,
// all inside a network namespace of the benchmark's own, and what is read of the programs run on it.
#pragma once

#include <sys/types.h>
#include <xcb/xcb.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace deskbench {

using Clock = std::chrono::steady_clock;

// The tool's path on PATH; empty when there is none.
std::string FindTool(const std::string& name);
double Median(std::vector<double> values);
bool WriteFile(const std::string& path, const std::string& contents);

// A child with exactly this argument list and environment, its output appended to `log`.
pid_t Launch(const std::vector<std::string>& argv, const std::vector<std::string>& env,
             const std::string& log);
// Runs a tool to its end; true when it exits with status 0.
bool RunTool(const std::vector<std::string>& argv, const std::vector<std::string>& env,
             const std::string& log);
bool Alive(pid_t pid);
// Ends the child with SIGKILL; its peak resident memory over its whole life in MB (wait4's ru_maxrss).
double KillAndPeakMb(pid_t pid);
// The peak resident memory so far in MB (VmHWM), 0 when unreadable.
double VmHwmMb(pid_t pid);

// Context switches of all the process's threads (voluntary and not), and its processor time.
struct Usage {
    double switches = 0;
    double cpuSeconds = 0;
};
Usage ReadUsage(pid_t pid);
// Echo requests sent in this network namespace (Icmp OutEchos of /proc/net/snmp).
double EchoRequestsSent();

// The root window's children as they are mapped, seen on a connection of its own.
class XWatch {
  public:
    explicit XWatch(const std::string& display);
    ~XWatch();
    XWatch(const XWatch&) = delete;
    XWatch& operator=(const XWatch&) = delete;
    bool Ok() const { return x_ != nullptr; }
    // Drops the events so far: what is waited for comes after this.
    void Drain();
    // The first window titled `caption` mapped before the deadline, and when its MapNotify came.
    std::optional<std::pair<xcb_window_t, Clock::time_point>> WaitForMap(const std::string& caption,
                                                                         Clock::time_point deadline);
    // Whether a tray (the owner of _NET_SYSTEM_TRAY_S0) is there.
    bool TrayOwned();

  private:
    std::string Property(xcb_window_t window, xcb_atom_t property);
    xcb_atom_t Atom(const char* name);

    xcb_connection_t* x_ = nullptr;
    xcb_window_t root_ = 0;
};

class Desktop {
  public:
    Desktop() = default;
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;
    // Empty when the desktop is up; otherwise why it is not.
    std::string Start();
    const std::string& Folder() const { return folder_; }
    std::string LogFile() const { return folder_ + "/programs.log"; }
    // What a program started on this desktop gets, with its home (and its config and runtime folders).
    std::vector<std::string> Environment(const std::string& home) const;
    XWatch& Watch() { return *watch_; }

  private:
    std::string JoinOwnNetwork();
    std::string StartX();
    std::string StartTray();
    void StartBus();

    std::string folder_;
    std::string display_;
    std::string bus_;
    std::vector<pid_t> pids_;
    std::optional<XWatch> watch_;
};

}  // namespace deskbench
