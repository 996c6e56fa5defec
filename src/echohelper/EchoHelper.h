// tarnovelmon-echo: the small program that holds the raw ICMP socket for the monitor where the ping
// socket is closed. It carries CAP_NET_RAW as a file capability, so any local user can start it: it
// trusts nothing of its start (environment, descriptors), gives up its privilege as soon as the socket
// is open, and then only sends the echo requests the probe makes, one at a time.
#pragma once

#include "platform/linux/IcmpEcho.h"

namespace echohelper {

// The helper's end of its socket pair with the program, as the program starts it.
constexpr int kChannel = 0;

// The whole helper: clears its environment, closes every descriptor but the channel, opens the raw
// socket, drops every capability, says on the channel whether it is ready, then serves. Returns the
// exit status.
int Run();

// Answers echo requests on `channel` until it closes (0) or carries anything but an echo request
// within the bounds (2). One request at a time: the next is read when the last one's answer is sent.
int Serve(int channel, platform::IcmpEcho& echo);

}  // namespace echohelper
