#include "platform/forms/Forms.h"

#include <QCloseEvent>
#include <QStyle>
#include <QStyleFactory>
#include <QWindow>
#include <cmath>
#include <memory>

#include "common/QtColours.h"
#include "common/Twips.h"
#include "platform/forms/Accessible.h"
#include "platform/forms/Handles.h"
#include "platform/forms/X11Window.h"

namespace forms {

namespace {

int ToPixels(double twips) {
    return static_cast<int>(std::lround(common::TwipsToPixels(twips)));
}

constexpr const char* kBackColorProperty = "tnBackColor";
// Held by a control while it lies wholly outside its window's visible part: its own focus policy.
constexpr const char* kClippedFocusProperty = "tnClippedFocus";

// The standard light scheme: Qt's own standard palette, Fusion's (black text on light faces).
QPalette StandardPalette() {
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette = fusion ? fusion->standardPalette() : QPalette(QColor(239, 239, 239));
    palette.setResolveMask(~QPalette::ResolveMask{0});  // every role the window's own
    return palette;
}

// Hides, and takes the focus from, the controls under `parent` that lie wholly outside `visible` (the
// part of `parent` that the window shows, in its coordinates); gives those that come back into it
// their own again.
void HideClipped(QWidget* parent, const QRect& visible) {
    for (QObject* child : parent->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w == nullptr || w->isWindow()) continue;
        const QRect shown = w->geometry() & visible;
        const QVariant ownFocus = w->property(kClippedFocusProperty);
        if (shown.isEmpty() && !ownFocus.isValid()) {
            w->setProperty(kClippedFocusProperty, static_cast<int>(w->focusPolicy()));
            w->setFocusPolicy(Qt::NoFocus);
            w->hide();
            if (w->hasFocus()) w->clearFocus();
        } else if (!shown.isEmpty() && ownFocus.isValid()) {
            w->setFocusPolicy(static_cast<Qt::FocusPolicy>(ownFocus.toInt()));
            w->setProperty(kClippedFocusProperty, QVariant());
            w->show();
        }
        HideClipped(w, shown.translated(-w->pos()));
    }
}

}  // namespace

void PlaceTwips(QWidget* widget, double left, double top, double width, double height) {
    widget->setGeometry(ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height));
}

float LeftTwips(const QWidget* w) {
    return common::PixelsToTwips(w->geometry().x());
}
float TopTwips(const QWidget* w) {
    return common::PixelsToTwips(w->geometry().y());
}
float WidthTwips(const QWidget* w) {
    return common::PixelsToTwips(w->geometry().width());
}
float HeightTwips(const QWidget* w) {
    return common::PixelsToTwips(w->geometry().height());
}

void FitCaption(QWidget* widget) {
    QString text;
    int available = 0;
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        text = label->text();
        available = label->contentsRect().width() - 2 * label->margin() - 2;
        if (label->wordWrap()) {
            // Lines may break between words, but no word may be wider than the box.
            QString widest;
            QFont plain = label->font();
            plain.setStretch(100);
            const QFontMetrics metrics(plain);
            for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                if (metrics.horizontalAdvance(word) > metrics.horizontalAdvance(widest)) widest = word;
            }
            text = widest;
        }
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        text = button->text();
        text.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(QLatin1Char('&'));
        text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
        const bool indicator = qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget);
        const QStyle* style = widget->style();
        available = widget->width() -
                    (indicator ? style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget) +
                                     style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, widget) + 2
                               : 8);
    } else {
        return;
    }
    QFont font = widget->font();
    const int wanted = font.stretch() == QFont::AnyStretch ? 100 : font.stretch();
    font.setStretch(100);
    const int needed = QFontMetrics(font).horizontalAdvance(text);
    const int stretch =
        (needed <= available || needed == 0 || available <= 0) ? 100 : std::max(60, 100 * available / needed);
    if (stretch == wanted) return;
    font.setStretch(stretch);
    widget->setFont(font);
}

void SetBackColor(QWidget* widget, common::ColourValue colour) {
    QPalette pal = widget->palette();
    const QColor c = common::ToQColor(colour);
    pal.setColor(QPalette::Window, c);
    pal.setColor(QPalette::Button, c);
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
    widget->setProperty(kBackColorProperty, static_cast<qulonglong>(colour));
}

common::ColourValue BackColor(const QWidget* widget) {
    const QVariant v = widget->property(kBackColorProperty);
    if (v.isValid()) return static_cast<common::ColourValue>(v.toULongLong());
    return common::FromQColor(widget->palette().color(QPalette::Window));
}

void SetForeColor(QWidget* widget, common::ColourValue colour) {
    QPalette pal = widget->palette();
    const QColor c = common::ToQColor(colour);
    pal.setColor(QPalette::WindowText, c);
    pal.setColor(QPalette::ButtonText, c);
    pal.setColor(QPalette::Text, c);
    widget->setPalette(pal);
}

// ---- Form

Form::Form(const QString& name) : QWidget(nullptr) {
    setObjectName(name);
    // The design's colours (white panels, a light-yellow light, light-yellow links on olive) are made
    // for the standard light scheme, and its system colours resolve to that scheme's (ResolveColour).
    // Were the rest to follow the desktop's scheme, a dark or high-contrast one would put light text on
    // the design's light panels, unreadable. So the window resolves every colour, the default text
    // colour too, from the standard scheme, whatever the desktop's.
    setPalette(StandardPalette());
    InstallAccessibleFactory();
    // Minimisable; neither maximisable nor resizable by the user: the program sets the size.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
}

Form::~Form() = default;

void Form::Load() {
    if (loaded_ || loading_) return;
    loading_ = true;
    if (!built_) {
        BuildControls();
        built_ = true;
    }
    loaded_ = true;
    Form_Load();
    loading_ = false;
}

void Form::ShowForm() {
    Load();
    if (!loaded_) return;
    Form::SetVisible(true);
    raise();
    activateWindow();
}

bool Form::Unload(int16_t mode) {
    if (!loaded_ || unloading_) return true;
    int16_t cancel = 0;
    Form_QueryUnload(cancel, mode);
    if (cancel != 0) return false;
    Form_Unload(cancel);
    if (cancel != 0) return false;
    unloading_ = true;
    hide();
    loaded_ = false;
    unloading_ = false;
    return true;
}

void Form::SetVisible(bool visible) {
    Load();
    if (visible && !isVisible() && !isMinimized()) ClearX11IconicHint(*this);
    setVisible(visible);
    // Showing has mapped the window (X11 waits for the server); its first paint comes from the event
    // loop, after this.
    if (visible && !captionsFitted_) {
        captionsFitted_ = true;
        for (QWidget* w : findChildren<QWidget*>()) FitCaption(w);
    }
}

int16_t Form::WindowState() const {
    if (isMinimized()) return kMinimized;
    if (isMaximized()) return kMaximized;
    return kNormal;
}

void Form::SetWindowState(int16_t state) {
    Qt::WindowStates s = windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == kMinimized) s |= Qt::WindowMinimized;
    if (state == kMaximized) s |= Qt::WindowMaximized;
    setWindowState(s);
}

float Form::Left() const {
    return common::PixelsToTwips(frameGeometry().x());
}
float Form::Top() const {
    return common::PixelsToTwips(frameGeometry().y());
}
float Form::Width() const {
    return common::PixelsToTwips(geometry().width() + FrameExtra().width());
}
float Form::Height() const {
    return common::PixelsToTwips(geometry().height() + FrameExtra().height());
}

void Form::SetLeft(float twips) {
    move(ToPixels(twips), frameGeometry().y());
}
void Form::SetTop(float twips) {
    move(frameGeometry().x(), ToPixels(twips));
}
void Form::SetWidth(float twips) {
    ApplyOuterSize(twips, Height());
}
void Form::SetHeight(float twips) {
    ApplyOuterSize(Width(), twips);
}

QSizeF Form::FrameExtra() const {
    if (const auto frame = X11Frame(*this); frame && !frame->isEmpty()) return *frame;
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.width() > 0 || frame.height() > 0) return frame;
    // No frame known (no window manager, or not shown yet): the frame the window was designed with,
    // so that the client area is the same with and without one.
    return QSizeF(ToPixels(kDesignFrameWidth), ToPixels(kDesignFrameHeight));
}

void Form::ApplyOuterSize(float widthTwips, float heightTwips) {
    outerWidth_ = widthTwips;
    outerHeight_ = heightTwips;
    appliedExtra_ = FrameExtra();
    const auto client = [](float twips, qreal extra) {
        return std::max(1, static_cast<int>(std::lround(common::TwipsToPixels(twips) - extra)));
    };
    const int w = client(widthTwips, appliedExtra_.width());
    const int h = client(heightTwips, appliedExtra_.height());
    setFixedSize(w, h);
}

void Form::SetIcon(int32_t iconHandle) {
    icon_ = iconHandle;
    setWindowIcon(IconFromHandle(iconHandle));
}

int32_t Form::hWnd() {
    return WindowHandle(this);
}

void Form::closeEvent(QCloseEvent* event) {
    if (unloading_) {
        event->accept();
        return;
    }
    if (Unload(kFormControlMenu)) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool Form::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::WindowActivate:
            Form_Activate();
            break;
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            // The window manager's frame becomes known once the window is shown: the outer size the
            // program asked for stays the outer size. Not while minimised: on X11 a resize restores
            // the window; the size is kept for its restore.
            if (outerWidth_ > 0 && !isMinimized() && FrameExtra() != appliedExtra_) {
                ApplyOuterSize(outerWidth_, outerHeight_);
            }
            break;
        default:
            break;
    }
    // What lies wholly outside the window (a control below its frame's edge; in a smaller window, what
    // is beyond it) is neither seen nor reached: neither shown to accessibility nor in the focus chain.
    if (event->type() == QEvent::Resize) HideClipped(this, QRect(QPoint(0, 0), size()));
    return QWidget::event(event);
}

bool Form::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    if (eventType == "xcb_generic_event_t" && iconicWatch_.Restores(*this, message)) Form_Raised();
    return QWidget::nativeEvent(eventType, message, result);
}

}  // namespace forms
