// What a window manager that starts after a window was mapped writes when it takes the window on as
// normal (openbox does so): first an empty _NET_WM_STATE, then WM_STATE Normal. Written as one, not
// left to a real window manager's timing, so that a client which took the first for a minimise seen
// and the second for the user's restore is caught every time.
// Usage: late_wm WINDOW-ID
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t Atom(xcb_connection_t* x, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        x, xcb_intern_atom(x, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const auto window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) return 1;
    const xcb_atom_t netState = Atom(x, "_NET_WM_STATE");
    const xcb_atom_t wmState = Atom(x, "WM_STATE");
    constexpr uint32_t kNormal[] = {1, XCB_NONE};  // state, icon window
    const bool ok =
        xcb_request_check(x, xcb_change_property_checked(x, XCB_PROP_MODE_REPLACE, window, netState,
                                                         XCB_ATOM_ATOM, 32, 0, nullptr)) == nullptr &&
        xcb_request_check(x, xcb_change_property_checked(x, XCB_PROP_MODE_REPLACE, window, wmState, wmState,
                                                         32, 2, kNormal)) == nullptr;
    xcb_disconnect(x);
    return ok ? 0 : 1;
}
