#include "tray/frmSysTray.h"

#include <array>

#include "platform/forms/Handles.h"
#include "tray/StateIcons.h"

namespace {

QAction* AddItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

}  // namespace

frmSysTray::frmSysTray(platform::NotificationArea& area, forms::Dialogs& dialogs)
    : forms::Form(QStringLiteral("frmSysTray")), area_(area), dialogs_(dialogs) {
    SetCaption(QStringLiteral("System Tray"));
}

void frmSysTray::BuildControls() {
    forms::PictureBox** pictures[] = {&picture1_, &picture2_, &picture3_, &picture4_};
    static_assert(sizeof(pictures) / sizeof(pictures[0]) == tray::kStateIcons.size());
    for (size_t i = 0; i < tray::kStateIcons.size(); ++i) {
        auto* picture = new forms::PictureBox(this);
        picture->setObjectName(QStringLiteral("Picture%1").arg(i + 1));
        picture->setGeometry(static_cast<int>(i) * 40 + 8, 8, 32, 32);
        // Registered for the life of the process: records sent to the notification area carry the handle.
        picture->SetPicture(forms::RegisterIcon(tray::MakeStateIcon(tray::kStateIcons[i])));
        *pictures[i] = picture;
    }

    mnuRight_ = new QMenu(QStringLiteral("Right"), this);
    mnuRight_->setObjectName(QStringLiteral("mnuRight"));
    mnuRightTest_ = AddItem(mnuRight_, "mnuRightTest", QStringLiteral("&Test"));
    mnuRightExit_ = AddItem(mnuRight_, "mnuRightExit", QStringLiteral("&Exit"));

    mnuLeft_ = new QMenu(QStringLiteral("Left"), this);
    mnuLeft_->setObjectName(QStringLiteral("mnuLeft"));
    mnuLeftShow_ = AddItem(mnuLeft_, "mnuLeftShow", QStringLiteral("Show form"));
    mnuLeftShow_->setCheckable(true);
    mnuLeftExit_ = AddItem(mnuLeft_, "mnuLeftExit", QStringLiteral("Exit"));
}

forms::PictureBox& frmSysTray::Picture1() {
    Load();
    return *picture1_;
}

forms::PictureBox& frmSysTray::Picture2() {
    Load();
    return *picture2_;
}

forms::PictureBox& frmSysTray::Picture3() {
    Load();
    return *picture3_;
}

forms::PictureBox& frmSysTray::Picture4() {
    Load();
    return *picture4_;
}

QMenu& frmSysTray::mnuRight() {
    Load();
    return *mnuRight_;
}

QAction& frmSysTray::mnuRightTest() {
    Load();
    return *mnuRightTest_;
}

QAction& frmSysTray::mnuRightExit() {
    Load();
    return *mnuRightExit_;
}

QMenu& frmSysTray::mnuLeft() {
    Load();
    return *mnuLeft_;
}

QAction& frmSysTray::mnuLeftShow() {
    Load();
    return *mnuLeftShow_;
}

QAction& frmSysTray::mnuLeftExit() {
    Load();
    return *mnuLeftExit_;
}
