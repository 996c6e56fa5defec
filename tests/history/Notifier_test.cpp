// Which round sends what: the notices of a lost and a restored connection over rounds written out, one
// letter a round (G green, Y yellow, R red, A red on the alternate site; 's' a resume from suspend
// before the next round), a minute apart from 10:00:00 UTC.
#include "notify/Notifier.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "fakes/FakePorts.h"

namespace {

struct NotifierTest : testing::Test {
    fakes::FakeNotifications server;
    fakes::FakeClock clock;
    std::vector<std::string> log;
    int64_t minute = 0;

    notify::Notifier Make() {
        setenv("TZ", "UTC0", 1);
        tzset();
        return notify::Notifier(server, clock, [this](const std::string& l) { log.push_back(l); });
    }
    void Rounds(notify::Notifier& n, const std::string& letters) {
        for (const char c : letters) {
            const uint8_t lamp = c == 'G' ? 0 : c == 'Y' ? 1 : 2, alt = c == 'A';
            if (c == 's') ++clock.resumes;
            if (c != 's')
                n.Record({(600 + minute++) * 60'000,
                          alt,
                          alt ? "alt.test" : "main.test",
                          "198.51.100.1",
                          lamp == 0 ? 0 : 11010,
                          {},
                          lamp,
                          {}});
        }
    }
    // Each notice sent since the last call: "lost" or "restored", and the id it replaces.
    std::string Sent() {
        std::string out;
        for (const platform::Notice& n : std::exchange(server.sent, {}))
            out +=
                (n.summary == "Connection lost" ? "lost/" : "restored/") + std::to_string(n.replaces) + " ";
        return out;
    }
};

TEST_F(NotifierTest, OneOfEachPerOutageWhateverItsRoundsDo) {
    const struct {
        const char* rounds;
        bool logon;
        const char* sent;
        std::vector<uint32_t> closed;
    } cases[] = {
        {"GYGYG", false, "", {}},                                 // yellow alone
        {"GYRG", false, "lost/0 restored/7 ", {}},                // yellow then red
        {"GYRAYRRG", false, "lost/0 restored/7 ", {}},            // a site switch, yellow again, Tests
        {"RRG", false, "lost/0 restored/7 ", {}},                 // running when the program started
        {"RRGYRG", true, "lost/0 restored/7 ", {}},               // a logon start before the network
        {"GYRsYRGYRG", false, "lost/0 lost/0 restored/8 ", {7}},  // a resume ends the first
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rounds);
        server.closed.clear(), server.nextId = 7, minute = 0;
        notify::Notifier n = Make();
        if (c.logon) n.StartedAtLogon();
        Rounds(n, c.rounds);
        EXPECT_EQ(Sent(), c.sent);
        EXPECT_EQ(server.closed, c.closed);
    }
    // The texts and hints.
    notify::Notifier n = Make();
    minute = 0;
    Rounds(n, "GYRRG");
    std::string told;
    for (const platform::Notice& t : server.sent)
        told += t.body + "|" + std::to_string(t.urgency) + "|" + t.category + "|" + t.sound + "\n";
    EXPECT_EQ(
        told,
        "main.test has not answered since 10:01:00 (request timed out, status 11010)|2|network.disconnected|"
        "network-connectivity-lost\nDown for 3 min (10:01:00 to 10:04:00)|1|network.connected|"
        "network-connectivity-established\n");
    EXPECT_EQ(notify::StatusText(4), "status 4");
}

TEST_F(NotifierTest, AnAbsentSlowOrRestartedServerAndTheUsersChoice) {
    notify::Notifier n = Make();
    // No server: one log line, and the next outage tries again; nothing restored that was not lost.
    server.answer = false;
    Rounds(n, "YRGYRG");
    EXPECT_EQ(Sent(), "lost/0 lost/0 ");
    EXPECT_EQ(log.size(), 1u);
    // A server slower than the outage: "restored" waits for its answer to "lost", and replaces it.
    server.answer = true, server.hold = true;
    Rounds(n, "YRG");
    EXPECT_EQ(Sent(), "lost/0 ");
    server.hold = false;
    std::exchange(server.pending, {}).front()();
    EXPECT_EQ(Sent(), "restored/7 ");
    // A server that began anew knows no old id: "restored" comes as a new notice.
    Rounds(n, "YR");
    server.serverChanged();
    Rounds(n, "G");
    EXPECT_EQ(Sent(), "lost/0 restored/0 ");
    // The actions, on this program's notices only.
    int shows = 0, histories = 0;
    n.SetActions({[&] { ++shows; }, [&] { ++histories; }});
    server.action(10, "default"), server.action(10, "history"), server.action(3, "default");
    EXPECT_EQ(std::make_pair(shows, histories), std::make_pair(1, 1));
    // Turned off: nothing.
    n.SetEnabled(false);
    Rounds(n, "YRG");
    EXPECT_EQ(Sent(), "");
}

}  // namespace
