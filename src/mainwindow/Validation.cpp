// The check of the entry fields before monitoring starts: the first field out of its range is named
// in a message box and gets the focus.
#include "common/NumberText.h"
#include "mainwindow/frmPing.h"
#include "platform/forms/Services.h"

namespace {

const char* const kSiteMessage = "You must have a web site, IP address or computer name";
const char* const kTimeToLiveMessage = "You must enter a number between 0 and 255";
const char* const kOneTo999Message = "You must enter a number between 1 and 999";
const char* const kLevelMessage = "You must enter a number between 0 and 999";

bool Outside(forms::TextBox* box, double low, double high) {
    const double v = common::ReadNumber(box->Text());
    return v < low || v > high;
}

}  // namespace

bool frmPing::ValidateFields() {
    auto fail = [](forms::TextBox* box, const char* message) {
        // A hidden window (a logon start, the tray's Test) refuses the focus; the message follows.
        box->SetFocus();
        forms::MsgBox(message, forms::kMsgInformation, "Field Error");
        return false;
    };
    for (int16_t i = 0; i < 2; ++i) {
        if (txtIP(i)->Text().empty()) return fail(txtIP(i), kSiteMessage);
    }
    if (Outside(txtTimeToLive(), 0, 255)) return fail(txtTimeToLive(), kTimeToLiveMessage);
    if (Outside(txtTimeOut(), kMinTimeOut, kMaxTimeOut)) return fail(txtTimeOut(), kOneTo999Message);
    if (Outside(txtLoop(), kMinLoop, kMaxLoop)) return fail(txtLoop(), kOneTo999Message);
    for (int16_t i = 0; i < 4; ++i) {
        if (Outside(txtlvl(i), 0, 999)) return fail(txtlvl(i), kLevelMessage);
    }
    return true;
}
