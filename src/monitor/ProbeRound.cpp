// One probe round: the selected site is probed once, the outcome shown, one lamp lit, counted and
// time-stamped, the tray icon, its tip and the window icon set, and the site switched on a failure.
#include <algorithm>

#include "common/NumberText.h"
#include "mainwindow/frmPing.h"
#include "platform/forms/Services.h"
#include "probe/modPing.h"
#include "tray/frmSysTray.h"
#include "tray/modSysTray.h"

namespace {

using common::ColourValue;

// The lamps: unlit colours, and the lit colours of yellow and red.
constexpr ColourValue kGreenUnlit = 0x004000;
constexpr ColourValue kYellowUnlit = 0x008080;
constexpr ColourValue kRedUnlit = 0x000080;
constexpr ColourValue kYellowLit = 0x00FFFF;
constexpr ColourValue kRedLit = 0x0000FF;

// The shades of green, lightest first: at or below level A, B, C; above level D; in between.
constexpr ColourValue kGradeA = 0xC0FFC0;
constexpr ColourValue kGradeB = 0x80FF80;
constexpr ColourValue kGradeC = 0x00FF00;
constexpr ColourValue kGradeD = 0x00C000;
constexpr ColourValue kGradeE = 0x008000;

double Val(const std::string& text) {
    return common::ReadNumber(text);
}

// A counter label: its number plus one.
void Increment(forms::Label* label) {
    label->SetCaption(QString::fromStdString(common::DecimalText(Val(label->Caption().toStdString()) + 1)));
}

}  // namespace

void frmPing::ShowSiteAddress() {
    lblAddress(iSite)->SetCaption(QString::fromStdString(modPing::ResolveAddress(txtIP(iSite)->Text())));
}

uint8_t frmPing::ReadTimeToLive() {
    return common::RoundToUInt8(common::ReadNumberZeroPrefixed(txtTimeToLive()->Text()));
}

int32_t frmPing::ReadTimeOut() {
    const int32_t t = common::RoundToInt32(common::ReadNumberZeroPrefixed(txtTimeOut()->Text()));
    return std::clamp(t, kMinTimeOut, kMaxTimeOut);
}

void frmPing::RunProbeRound() {
    const std::string address = lblAddress(iSite)->Caption().toStdString();
    const uint8_t ttl = ReadTimeToLive();
    const int32_t timeOut = ReadTimeOut();

    // Put out the last lamp, on screen now: no lamp is lit while the request is out.
    if (lngLastLight == lngGreen) {
        shpGd()->SetFillColor(kGreenUnlit);
    } else if (lngLastLight == lngYellow) {
        shpYel()->SetFillColor(kYellowUnlit);
    } else if (lngLastLight == lngRed) {
        shpBd()->SetFillColor(kRedUnlit);
    }

    std::string replyAddress;
    std::string status;
    int32_t roundTrip = 0;
    const int32_t count = modPing::PingAddress(address, timeOut, ttl, replyAddress, status, roundTrip);
    const QString statusLine = "Status at " + forms::TimeText();
    if (count != 0) {
        lblError()->SetCaption(status == "0" ? QStringLiteral("OK") : QString::fromStdString(status));
        lblStatus()->SetCaption(statusLine);
        lblTripTime()->SetCaption(QString::number(roundTrip));
        int32_t light = lngGreen;
        lngLastLight = SetLight(light);
        return;
    }
    lblStatus()->SetCaption(statusLine);
    lblAddress(iSite)->SetCaption(QString::fromStdString(replyAddress));
    lblError()->SetCaption(QString::fromStdString(status));
    int32_t light = (lngLastLight != lngGreen && lngLastLight != 0) ? lngRed : lngYellow;
    lngLastLight = SetLight(light);
    SwitchSite(iSite);
}

int32_t frmPing::SetLight(int32_t& light) {
    ColourValue fill = 0;
    forms::Label* counter = nullptr;
    forms::Label* when = nullptr;
    const char* suffix = nullptr;
    forms::PictureBox* picture = nullptr;
    frmSysTray& tray = TheSysTray();
    if (light == lngGreen && light != 0) {
        const double t = Val(lblTripTime()->Caption().toStdString());
        if (t <= Val(txtlvl(0)->Text())) {
            fill = kGradeA;
        } else if (t <= Val(txtlvl(1)->Text())) {
            fill = kGradeB;
        } else if (t <= Val(txtlvl(2)->Text())) {
            fill = kGradeC;
        } else if (t > Val(txtlvl(3)->Text())) {
            fill = kGradeD;
        } else {
            fill = kGradeE;
        }
        shpGd()->SetFillColor(fill);
        counter = lblGd();
        when = lbllastGd();
        suffix = " - TN OK";
        picture = &tray.Picture1();
    } else if (light == lngYellow && light != 0) {
        fill = kYellowLit;
        shpYel()->SetFillColor(fill);
        counter = lblYel();
        when = lbllastYel();
        suffix = " - TN Problem";
        picture = &tray.Picture2();
    } else if (light == lngRed && light != 0) {
        fill = kRedLit;
        shpBd()->SetFillColor(fill);
        counter = lblBd();
        when = lbllastBd();
        suffix = " - TN Error";
        picture = &tray.Picture3();
    } else {
        return light;
    }
    forms::SetBackColor(lblTripTime(), fill);
    forms::SetBackColor(lblError(), fill);
    Increment(counter);
    when->SetCaption(forms::TimeText());
    const std::string tip = when->Caption().toStdString() + suffix;
    modSysTray::ModifyTrayIcon(tray.Picture4().hWnd(), picture->Picture(), tip, modSysTray::nid);
    SetIcon(picture->Picture());
    return light;
}

void frmPing::SwitchSite(int16_t& site) {
    iSite = site == 0 ? 1 : 0;
    optIP(iSite)->SetValue(true);
    ShowSiteAddress();
}
