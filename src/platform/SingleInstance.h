// One running program per user and desktop session: a later start hands over to the one that runs.
#pragma once

#include <functional>

namespace platform {

class SingleInstance {
  public:
    using ForwardHandler = std::function<void()>;
    virtual ~SingleInstance() = default;
    // Makes this process the one that runs, unless another one already does: that one is then asked
    // to come forward, and the answer is false. Reads and writes none of the program's files.
    virtual bool BecomeTheOne() = 0;
    // Called from the event loop each time a later start asks this one to come forward. The later
    // start's activation token (Wayland) is then where the window system's activation takes it from.
    virtual void SetForwardHandler(ForwardHandler handler) = 0;
};

}  // namespace platform
