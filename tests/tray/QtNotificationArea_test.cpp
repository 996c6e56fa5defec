#include "platform/qt/QtNotificationArea.h"

#include <gtest/gtest.h>

#include <QSystemTrayIcon>
#include <QTextDocument>

#include "fakes/FakeNotificationArea.h"
#include "platform/NotificationAreaService.h"

namespace {

// What a tool tip shows for its text: Qt renders it as markup when it looks like markup.
QString Shown(const QString& toolTip) {
    if (!Qt::mightBeRichText(toolTip)) return toolTip;
    QTextDocument doc;
    doc.setHtml(toolTip);
    return doc.toPlainText();
}

TEST(PlainToolTip, ShowsExactlyTheTipsCharacters) {
    const char* tips[] = {
        "Ready",
        "example.org: 12 ms",
        "<b>not bold</b>",
        "a < b & c > d",
        "<i>two  spaces</i>",
        "M\xC3\xBCller \xE2\x82\xAC",
        "",
    };
    for (const char* tip : tips) {
        SCOPED_TRACE(tip);
        EXPECT_EQ(Shown(platform::PlainToolTip(tip)), QString::fromUtf8(tip));
    }
}

TEST(QtNotificationArea, WithoutATrayNothingIsAdded) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a notification area";
    platform::QtNotificationArea area;
    EXPECT_FALSE(area.Add(0x10001, 1, 0, "Ready"));
    EXPECT_EQ(area.TrayIcon(0x10001, 1), nullptr);
    EXPECT_FALSE(area.Modify(0x10001, 1, 0, "Ready"));
    EXPECT_FALSE(area.Delete(0x10001, 1));
}

TEST(NotificationAreaService, AFakeStandsInUntilRemoved) {
    platform::NotificationArea& desktop = platform::CurrentNotificationArea();
    EXPECT_NE(dynamic_cast<platform::QtNotificationArea*>(&desktop), nullptr);
    {
        fakes::FakeNotificationArea fake;
        fakes::ScopedNotificationArea scoped(fake);
        EXPECT_EQ(&platform::CurrentNotificationArea(), &fake);
    }
    EXPECT_EQ(&platform::CurrentNotificationArea(), &desktop);
}

}  // namespace
