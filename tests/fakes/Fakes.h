// The windows' services in memory (message boxes, menus, help, the tray menu's host) beside the faked
// ports: the bundle a test hands to the program.
#pragma once

#include <QAction>
#include <QMenu>
#include <vector>

#include "fakes/FakePorts.h"
#include "platform/forms/Services.h"

namespace fakes {

// Message boxes recorded; a popup menu "chooses" the item a test named (or nothing).
class FakeDialogs : public forms::Dialogs {
  public:
    std::vector<QString> boxes;  // "title: text"
    QString chooseItem;
    int menus = 0;
    void MsgBox(const QString& text, int16_t, const QString& title) override {
        boxes.push_back(title + ": " + text);
    }
    QString saveAs;  // the file the user chooses; empty: cancelled
    QString SaveFileName(QWidget*, const QString&, const QString&) override { return saveAs; }
    void PopupMenu(QMenu& menu) override {
        ++menus;
        for (QAction* a : menu.actions()) {
            if (!chooseItem.isEmpty() && a->objectName() == chooseItem) a->trigger();
        }
    }
};

class FakeHelpViewer : public forms::HelpViewer {
  public:
    std::vector<QString> shown;
    bool ShowHelp(const QString& file, int32_t context) override {
        shown.push_back(file + "#" + QString::number(context));
        return true;
    }
};

// The menu that hosts drawing it themselves would read.
struct FakeTrayMenuHost : forms::TrayMenuHost {
    QMenu* menu = nullptr;
    void SetTrayMenu(QMenu* m) override { menu = m; }
};

// Every service, faked.
struct FakeServices : FakePorts {
    FakeDialogs dialogs;
    FakeHelpViewer help;
    FakeTrayMenuHost trayMenu;
    forms::WindowServices Windows() { return {dialogs, help, trayMenu}; }
};

}  // namespace fakes
