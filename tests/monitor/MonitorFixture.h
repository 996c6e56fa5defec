// A main window on the platform's fakes: fake time, echo, resolver, notification area and dialogs.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/Colours.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeEchoService.h"
#include "fakes/FakeNotificationArea.h"
#include "fakes/FakeResolver.h"
#include "mainwindow/frmPing.h"
#include "mainwindow/modPingAuto.h"
#include "probe/modPing.h"

namespace monitor_test {

using Octets = std::array<uint8_t, 4>;
const Octets kMain{198, 51, 100, 1};
const Octets kAlt{198, 51, 100, 2};

// What the window showed while a request was out.
struct Round {
    int64_t at;  // fake milliseconds
    Octets destination;
    uint8_t ttl;
    int32_t timeOut;
    std::string counter;                     // lblCnt
    common::ColourValue green, yellow, red;  // lamp fills
};

class MonitorFixture : public testing::Test {
  protected:
    void SetUp() override {
        modPing::SetEchoService(&echo);
        modPing::SetResolver(&resolver);
        ASSERT_NE(modPing::OpenIcmp(), 0);
        resolver.hosts["main.test"] = {kMain};
        resolver.hosts["alt.test"] = {kAlt};
        modPingAuto::bShutdown = false;
        modPingAuto::bRestartWait = false;
        clock.now = 1'000'000;
        NewWindow();
        echo.fallback = Reply(kMain, 20);
        echo.onSend = [this](const fakes::FakeEchoService::Request& r) {
            rounds.push_back({clock.now, r.destination, r.options.ttl, r.timeoutMs,
                              w->lblCnt()->Caption().toStdString(), w->shpGd()->FillColor(),
                              w->shpYel()->FillColor(), w->shpBd()->FillColor()});
        };
    }
    // A freshly loaded window with the fields filled in.
    void NewWindow() {
        w = std::make_unique<frmPing>();
        w->Load();
        w->txtIP(0)->SetText("main.test");
        w->txtIP(1)->SetText("alt.test");
        w->txtTimeOut()->SetText("250");
        w->txtTimeToLive()->SetText("64");
        w->txtLoop()->SetText("1");
        w->txtlvl(0)->SetText("75");
        w->txtlvl(1)->SetText("120");
        w->txtlvl(2)->SetText("200");
    }
    void TearDown() override {
        w.reset();
        modPing::CloseIcmp();
        modPing::SetEchoService(nullptr);
        modPing::SetResolver(nullptr);
    }

    static platform::EchoReply Reply(Octets from, uint32_t rtt, uint32_t status = 0) {
        return fakes::FakeEchoService::Reply(from, status, rtt);
    }
    static platform::EchoReply Failure() {
        return fakes::FakeEchoService::Failure(platform::ip_status::kReqTimedOut);
    }

    // The gaps between the rounds, in fake milliseconds.
    std::vector<int64_t> Gaps() const {
        std::vector<int64_t> gaps;
        for (size_t i = 1; i < rounds.size(); ++i) gaps.push_back(rounds[i].at - rounds[i - 1].at);
        return gaps;
    }

    fakes::FakeClock clock;
    fakes::ScopedClock scopedClock{clock};
    fakes::FakeEchoService echo;
    fakes::FakeResolver resolver;
    fakes::FakeNotificationArea area;
    fakes::ScopedNotificationArea scopedArea{area};
    fakes::FakeDialogs dialogs;
    fakes::ScopedDialogs scopedDialogs{dialogs};
    std::unique_ptr<frmPing> w;
    std::vector<Round> rounds;
};

}  // namespace monitor_test
