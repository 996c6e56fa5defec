// The check of the entry fields before monitoring starts: the first field out of its range is named
// in a message box and gets the focus.
#include "common/NumberText.h"
#include "mainwindow/frmPing.h"

bool frmPing::ValidateFields() {
    auto fail = [this](forms::TextBox* box, const char* message) {
        // A hidden window (a logon start, the tray's Test) refuses the focus; the message follows.
        box->SetFocus();
        dialogs_.MsgBox(message, forms::kMsgInformation, "Field Error");
        return false;
    };
    for (int16_t i = 0; i < 2; ++i) {
        if (txtIP(i)->Text().empty()) return fail(txtIP(i), monitor::kSiteMessage);
    }
    for (const monitor::Bounds& b : monitor::kBounds) {
        const double v = common::ReadNumber(Box(b.field)->Text());
        if (v < b.low || v > b.high) return fail(Box(b.field), b.message);
    }
    return true;
}
