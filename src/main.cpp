// TarnovelMon: watches the quality of the Internet connection with ICMP echo requests.
#include <QApplication>
#include <QMessageBox>
#include <QString>

#include "probe/modPing.h"

namespace {

void ShowStartFailure(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
    box.exec();
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("TarnovelMon");

    if (modPing::StartWinsock() != 0) {
        ShowStartFailure("Unable to initialize Winsock", "Winsock Error");
        return 1;
    }
    if (modPing::OpenIcmp() == 0) {
        ShowStartFailure("Unable to initialize ICMP", "ICMP Error");
        modPing::CloseIcmp();
        return 1;
    }

    // Until the monitor window exists: one echo of the local host, to show that the probe works.
    std::string replyAddress;
    std::string status;
    int32_t roundTrip = 0;
    const int32_t count = modPing::PingAddress("127.0.0.1", 250, 64, replyAddress, status, roundTrip);
    const QString result =
        count != 0 ? QString("Reply from %1, status %2, %3 ms")
                         .arg(QString::fromStdString(replyAddress), QString::fromStdString(status))
                         .arg(roundTrip)
                   : QString("No reply: %1 %2")
                         .arg(QString::fromStdString(replyAddress), QString::fromStdString(status));
    QMessageBox box(QMessageBox::Information, "TarnovelMon", "Echo of 127.0.0.1: " + result, QMessageBox::Ok);
    box.exec();
    modPing::CloseIcmp();
    return 0;
}
