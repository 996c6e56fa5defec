// The process's Linux capabilities. The echo helper, given CAP_NET_RAW as a file capability, needs it
// only to open its raw ICMP socket; afterwards it gives up every capability for good. The program
// itself holds none, and gives up any that a file capability left on its binary would give it.
#pragma once

namespace platform {

// Clears the effective, permitted and inheritable capability sets of the calling thread (and with the
// permitted set the ambient one). Threads started later inherit the empty sets, so call it before any
// other thread starts. Returns false when the kernel refused.
bool DropAllCapabilities();

// DropAllCapabilities, and the bounding set where the process may change it, and no gaining of any
// privilege later (PR_SET_NO_NEW_PRIVS); the process can no longer be traced or dumped by its user.
// True only when every set reads back empty.
bool DropAllPrivilegeForGood();

}  // namespace platform
