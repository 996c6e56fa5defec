#include "platform/linux/Capabilities.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

bool DropAllCapabilities() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3]{};
    return ::syscall(SYS_capset, &header, none) == 0;
}

bool DropAllPrivilegeForGood() {
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    // Needs CAP_SETPCAP, which only root has here; with no new privileges it matters no more.
    for (int cap = 0; prctl(PR_CAPBSET_READ, cap, 0, 0, 0) >= 0; ++cap) prctl(PR_CAPBSET_DROP, cap, 0, 0, 0);
    if (!DropAllCapabilities() || prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return false;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct held[_LINUX_CAPABILITY_U32S_3]{};
    if (::syscall(SYS_capget, &header, held) != 0) return false;
    for (const auto& d : held) {
        if (d.effective != 0 || d.permitted != 0 || d.inheritable != 0) return false;
    }
    return prctl(PR_GET_NO_NEW_PRIVS, 0, 0, 0, 0) == 1 &&
           prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_IS_SET, CAP_NET_RAW, 0, 0) == 0;
}

}  // namespace platform
