#include "tray/frmSysTray.h"

#include <iterator>
#include <tuple>

#include "platform/forms/Handles.h"
#include "tray/StateIcons.h"

namespace {

QAction* AddItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

}  // namespace

frmSysTray::frmSysTray(platform::NotificationArea& area, const forms::WindowServices& windows)
    : forms::Form(QStringLiteral("frmSysTray")),
      area_(area),
      dialogs_(windows.dialogs),
      menuHost_(windows.trayMenu) {
    SetCaption(QStringLiteral("System Tray"));
}

void frmSysTray::BuildControls() {
    // Side by side, each holding its state's icon.
    constexpr std::pair<tray::StateIcon, const char*> kPictures[] = {{tray::StateIcon::kGreen, "Picture1"},
                                                                     {tray::StateIcon::kYellow, "Picture2"},
                                                                     {tray::StateIcon::kRed, "Picture3"},
                                                                     {tray::StateIcon::kGrey, "Picture4"}};
    static_assert(std::size(kPictures) == std::tuple_size_v<decltype(pictures_)>);
    constexpr int kSide = 32, kPitch = 40, kMargin = 8;
    for (size_t i = 0; i < pictures_.size(); ++i) {
        const auto [state, name] = kPictures[i];
        auto* picture = new forms::PictureBox(this);
        picture->setObjectName(QString::fromLatin1(name));
        picture->setGeometry(kMargin + static_cast<int>(i) * kPitch, kMargin, kSide, kSide);
        // Registered for the life of the process: records sent to the notification area carry the handle.
        picture->SetPicture(forms::RegisterIcon(tray::MakeStateIcon(state)));
        pictures_[i] = {state, picture};
    }

    mnuRight_ = new QMenu(QStringLiteral("Right"), this);
    mnuRight_->setObjectName(QStringLiteral("mnuRight"));
    mnuRightTest_ = AddItem(mnuRight_, "mnuRightTest", QStringLiteral("&Test"));
    mnuRightHistory_ = AddItem(mnuRight_, "mnuRightHistory", QStringLiteral("&History..."));
    mnuRightNotify_ = AddItem(mnuRight_, "mnuRightNotify", QStringLiteral("&Notify"));
    mnuRightNotify_->setCheckable(true);
    mnuRightNotify_->setChecked(true);
    mnuRightExit_ = AddItem(mnuRight_, "mnuRightExit", QStringLiteral("&Exit"));

    mnuLeft_ = new QMenu(QStringLiteral("Left"), this);
    mnuLeft_->setObjectName(QStringLiteral("mnuLeft"));
    mnuLeftShow_ = AddItem(mnuLeft_, "mnuLeftShow", QStringLiteral("Show form"));
    mnuLeftShow_->setCheckable(true);
    mnuLeftExit_ = AddItem(mnuLeft_, "mnuLeftExit", QStringLiteral("Exit"));
}

forms::PictureBox& frmSysTray::Picture(common::StateIcon state) {
    Load();
    for (const auto& [s, picture] : pictures_) {
        if (s == state) return *picture;
    }
    return *pictures_.back().second;  // not reached: every state has a picture
}

QMenu& frmSysTray::mnuRight() {
    Load();
    return *mnuRight_;
}

QAction& frmSysTray::mnuRightTest() {
    Load();
    return *mnuRightTest_;
}

QAction& frmSysTray::mnuRightHistory() {
    Load();
    return *mnuRightHistory_;
}

QAction& frmSysTray::mnuRightNotify() {
    Load();
    return *mnuRightNotify_;
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
