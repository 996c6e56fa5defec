// The whole program on the platform's fakes, its executable in a folder of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#include "fakes/Fakes.h"
#include "mainwindow/modPingAuto.h"

class ProgramTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(bin.isValid());
        f.location = {bin.path().toStdString(), "TarnovelMon"};
        f.resolver.hosts = {{"main.test", {{198, 51, 100, 1}}}, {"alt.test", {{198, 51, 100, 2}}}};
        f.settings.values = {{"site0", "main.test"}, {"site1", "alt.test"}};
        f.echo.fallback = fakes::FakeEchoService::Reply({198, 51, 100, 1}, 0, 20);
    }
    // A new program, started; `stopAfter` ms of monitoring end with Stop.
    void Start(int64_t stopAfter = 1) {
        p = std::make_unique<modPingAuto::Program>(f.Services(), f.Windows());
        f.clock.actions.clear();
        f.clock.At(f.clock.now + stopAfter, [this] { w().cmdStop_Click(); });
        p->Main();
    }
    frmPing& w() { return p->Window(); }
    void TrayEvent(int32_t message) { f.area.handler(p->Tray().Picture4().hWnd(), 1, message); }
    bool IconShown() { return f.area.icons.count({p->Tray().Picture4().hWnd(), 1}) == 1; }
    int32_t ShownIcon() const { return f.area.icons.empty() ? 0 : f.area.icons.begin()->second.icon; }

    QTemporaryDir bin;
    fakes::FakeServices f;
    std::unique_ptr<modPingAuto::Program> p;
};
