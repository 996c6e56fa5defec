// The settings file itself: odd texts come back exactly.
#include <QSettings>
#include <QTemporaryDir>

#include "gtest/gtest.h"
#include "platform/qt/QtSettingsStore.h"

namespace {

class RealSettings : public testing::Test {
  protected:
    void SetUp() override { QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path()); }
    QTemporaryDir dir;
};

TEST_F(RealSettings, OddValuesComeBackExactly) {
    const std::vector<std::string> odd = {" lead and trail ",
                                          "a=b;c#d",
                                          "\"quoted\" 'single'",
                                          "naïve ☃ 東京",
                                          "",
                                          "back\\slash, comma",
                                          "@at",
                                          "%25",
                                          "tab\t\x01"
                                          "a \x7f bell\a"};
    {
        platform::QtSettingsStore store;
        for (size_t i = 0; i < odd.size(); ++i)
            store.Write("TarnovelMon", "Settings", "k" + std::to_string(i), odd[i]);
        ASSERT_TRUE(store.Flush());
    }
    platform::QtSettingsStore fresh;
    for (size_t i = 0; i < odd.size(); ++i) {
        EXPECT_EQ(fresh.Read("TarnovelMon", "Settings", "k" + std::to_string(i), "none"), odd[i]);
    }
    EXPECT_EQ(fresh.Read("TarnovelMon", "Settings", "absent", "none"), "none");
}

}  // namespace
