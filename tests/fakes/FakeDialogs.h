// Message boxes and popup menus answered in memory: boxes are recorded, a menu "chooses" the item
// a test named (or nothing).
#pragma once

#include <QAction>
#include <QMenu>
#include <QString>
#include <vector>

#include "platform/forms/Services.h"

namespace fakes {

class FakeDialogs : public forms::Dialogs {
  public:
    struct Box {
        QString text;
        int16_t style;
        QString title;
    };
    std::vector<Box> boxes;
    std::vector<QString> menusShown;  // object names of the menus popped up
    QString chooseItem;               // object name of the item to choose; empty: close without a choice
    std::function<void()> onMsgBox;   // runs while a box is "open"

    void MsgBox(const QString& text, int16_t style, const QString& title) override {
        boxes.push_back({text, style, title});
        if (onMsgBox) onMsgBox();
    }
    void PopupMenu(QMenu& menu) override {
        menusShown.push_back(menu.objectName());
        if (chooseItem.isEmpty()) return;
        for (QAction* a : menu.actions()) {
            if (a->objectName() == chooseItem) {
                a->trigger();
                return;
            }
        }
    }
};

// Puts the fake in place for the life of the object.
class ScopedDialogs {
  public:
    explicit ScopedDialogs(FakeDialogs& d) { forms::SetDialogs(&d); }
    ~ScopedDialogs() { forms::SetDialogs(nullptr); }
};

}  // namespace fakes
