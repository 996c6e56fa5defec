// The process's Linux capabilities. A program given CAP_NET_RAW as a file capability needs it only to
// open its raw ICMP socket; afterwards it gives up every capability it holds.
#pragma once

namespace platform {

// Clears the effective, permitted and inheritable capability sets of the calling thread (and with the
// permitted set the ambient one). Threads started later inherit the empty sets, so call it before any
// other thread starts. Returns false when the kernel refused.
bool DropAllCapabilities();

}  // namespace platform
