// TarnovelMon: watches the quality of the Internet connection with ICMP echo requests.
#include <QApplication>

#include "mainwindow/frmPing.h"
#include "platform/forms/Services.h"
#include "probe/modPing.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(forms::App::Title());

    if (modPing::StartWinsock() != 0) {
        forms::MsgBox("Unable to initialize Winsock", forms::kMsgOkOnly, "Winsock Error");
        return 1;
    }
    if (modPing::OpenIcmp() == 0) {
        forms::MsgBox("Unable to initialize ICMP", forms::kMsgOkOnly, "ICMP Error");
        modPing::CloseIcmp();
        return 1;
    }

    frmPing window;
    window.ShowForm();
    const int result = QApplication::exec();
    modPing::CloseIcmp();
    return result;
}
