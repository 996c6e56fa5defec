// A session manager for the tests: listens on a local ICE socket and prints its network id, sends its
// client a save or die on the lines "save" and "die" of standard input, and prints "registered" and
// "saved" (or "save failed") as the client does so. It ends with the client's connection.
#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

SmsConn gClient = nullptr;

Bool AnyHost(char*) {
    return True;
}
void Ignore(SmsConn, SmPointer, int, char**) {}

Status NewClient(SmsConn, SmPointer, unsigned long* mask, SmsCallbacks* cb, char**) {
    std::memset(cb, 0, sizeof *cb);
    cb->register_client.callback = [](SmsConn conn, SmPointer, char*) {
        gClient = conn;
        std::puts("registered");
        return SmsRegisterClientReply(conn, SmsGenerateClientID(conn));
    };
    cb->save_yourself_done.callback = [](SmsConn, SmPointer, Bool done) {
        std::puts(done ? "saved" : "save failed");
    };
    cb->set_properties.callback = [](SmsConn, SmPointer, int, SmProp**) {};
    cb->delete_properties.callback = cb->close_connection.callback = Ignore;
    *mask = SmsRegisterClientProcMask | SmsSaveYourselfDoneProcMask | SmsSetPropertiesProcMask |
            SmsDeletePropertiesProcMask | SmsCloseConnectionProcMask;
    return 1;
}

}  // namespace

int main() {
    char error[256] = "";
    int count = 0;
    IceListenObj* listeners = nullptr;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    IceSetIOErrorHandler([](IceConn) {});
    if (!SmsInitialize("tn", "1", NewClient, nullptr, AnyHost, sizeof error, error) ||
        !IceListenForConnections(&count, &listeners, sizeof error, error)) {
        std::fprintf(stderr, "session_manager: %s\n", error);
        return 1;
    }
    // Only the local socket is named to the client.
    IceListenObj local = nullptr;
    for (int i = 0; i < count && !local; ++i) {
        char* id = IceGetListenConnectionString(listeners[i]);
        if (std::strncmp(id, "local/", 6) == 0) local = listeners[i], std::puts(id);
    }
    if (!local) return 1;
    IceSetHostBasedAuthProc(local, AnyHost);
    pollfd fds[3] = {{0, POLLIN, 0}, {IceGetListenConnectionNumber(local), POLLIN, 0}, {-1, POLLIN, 0}};
    IceConn ice = nullptr;
    IceAcceptStatus status;
    while (poll(fds, 3, -1) > 0) {
        char line[16] = "";
        if (fds[0].revents && read(0, line, sizeof line - 1) <= 0) break;
        if (gClient && std::strncmp(line, "save", 4) == 0)
            SmsSaveYourself(gClient, SmSaveBoth, False, SmInteractStyleNone, False);
        if (gClient && std::strncmp(line, "die", 3) == 0) SmsDie(gClient);
        if (fds[1].revents && !ice && (ice = IceAcceptConnection(local, &status)))
            fds[2].fd = IceConnectionNumber(ice);
        if (fds[2].revents && IceProcessMessages(ice, nullptr, nullptr) != IceProcessMessagesSuccess) break;
    }
    // The listeners and the connection end with the process.
    _exit(0);
}
