// The window services the program counts on, over Qt Widgets: windows that load without showing,
// close requests with an unload mode and a cancel flag, positions and sizes in twips, and controls
// whose assignments raise their events exactly once.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "common/Colours.h"
#include "platform/forms/Handles.h"
#include "platform/forms/X11Window.h"

namespace forms {

// Unload modes of a close request.
enum UnloadMode : int16_t {
    kFormControlMenu = 0,  // the user closed the window
    kFormCode = 1,         // the program unloads it
    kAppWindows = 2,       // the desktop session is ending
    kAppTaskManager = 3,   // a task manager or a signal ends the program
    kFormMdiForm = 4,
    kFormOwner = 5,
};

// Window states.
enum WindowStateValue : int16_t { kNormal = 0, kMinimized = 1, kMaximized = 2 };

// Places a widget at a position and size given in twips, relative to its container.
void PlaceTwips(QWidget* widget, double left, double top, double width, double height);
// The widget's position and size relative to its container, in twips.
float LeftTwips(const QWidget* widget);
float TopTwips(const QWidget* widget);
float WidthTwips(const QWidget* widget);
float HeightTwips(const QWidget* widget);

// Narrows the font of a label or button (same family and size, a smaller stretch, down to 60%) where
// its caption would not fit its box (for a label that wraps, its widest word); restores the normal
// width where it fits again.
void FitCaption(QWidget* widget);

// Paints the widget's own background in a colour value (system colours resolved).
void SetBackColor(QWidget* widget, common::ColourValue colour);
common::ColourValue BackColor(const QWidget* widget);
void SetForeColor(QWidget* widget, common::ColourValue colour);

// A top-level window. Its controls are made, and its load handling run, on the first Load (or Show,
// or first reference through a derived window's control accessors); until then it is not loaded.
class Form : public QWidget {
    Q_OBJECT
  public:
    explicit Form(const QString& name);
    ~Form() override;

    void Load();
    bool IsLoaded() const { return loaded_; }
    // Loads, then shows the window: modeless, without an owner.
    void ShowForm();
    // Runs the close request handling with the mode; unless cancelled, the unload handling, then the
    // window is hidden and counts as not loaded. False when the unload was cancelled.
    bool Unload(int16_t mode = kFormCode);

    bool Visible() const { return isVisible(); }
    // The first time the window is shown, its captions are fitted: after the window is mapped and
    // before it is first painted, so that the fonts' loading and the captions' shaping hold up neither.
    void SetVisible(bool visible);
    bool CaptionsFitted() const { return captionsFitted_; }
    int16_t WindowState() const;
    void SetWindowState(int16_t state);

    // The outer (framed) position and size in twips. Where no window manager draws a frame, the size
    // still counts the frame the window was designed with, and the client area is that much smaller.
    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    void SetLeft(float twips);
    void SetTop(float twips);
    void SetWidth(float twips);
    void SetHeight(float twips);

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption) { setWindowTitle(caption); }
    int32_t Icon() const { return icon_; }
    void SetIcon(int32_t iconHandle);
    int32_t HelpContextID() const { return helpContextId_; }
    void SetHelpContextID(int32_t id) { helpContextId_ = id; }
    int32_t hWnd();

  protected:
    // Makes the controls; runs once, before Form_Load.
    virtual void BuildControls() {}
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_QueryUnload(int16_t& cancel, int16_t unloadMode) {
        (void)cancel;
        (void)unloadMode;
    }
    virtual void Form_Unload(int16_t& cancel) { (void)cancel; }
    // The window manager restored the window from iconic: the user raised it (from a task bar, a
    // pager). A window manager that comes late and takes on a window it never held iconic does not
    // count.
    virtual void Form_Raised() {}

    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

    // The frame a window was designed with, in twips: assumed where the window system reports none.
    static constexpr double kDesignFrameWidth = 120;
    static constexpr double kDesignFrameHeight = 405;

    // The client size that gives the outer size asked for, kept fixed: only the program sizes it.
    void ApplyOuterSize(float widthTwips, float heightTwips);

  private:
    QSizeF FrameExtra() const;

    bool built_ = false;
    bool loaded_ = false;
    bool loading_ = false;
    bool unloading_ = false;
    bool captionsFitted_ = false;
    X11IconicWatch iconicWatch_;
    int32_t icon_ = 0;
    int32_t helpContextId_ = 0;
    float outerWidth_ = 0;
    float outerHeight_ = 0;
    QSizeF appliedExtra_;
};

// A label: caption, background, click.
class Label : public QLabel {
    Q_OBJECT
  public:
    explicit Label(QWidget* parent);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption);
    std::function<void()> Click;

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A filled shape: a circle or ellipse centred in its box. A new fill colour is painted at once.
class Shape : public QWidget {
    Q_OBJECT
  public:
    explicit Shape(QWidget* parent);
    common::ColourValue FillColor() const { return fill_; }
    void SetFillColor(common::ColourValue colour);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    common::ColourValue fill_ = 0;
};

// A text box. Setting the text raises Change when the text differs; so does every edit by the user.
// KeyPress sees each typed character and may not change it.
class TextBox : public QLineEdit {
    Q_OBJECT
  public:
    explicit TextBox(QWidget* parent);
    std::string Text() const { return text().toStdString(); }
    void SetText(const std::string& text) { setText(QString::fromStdString(text)); }
    // Moves the keyboard focus here; refused, with no effect, while the window is hidden.
    bool SetFocus();
    std::function<void()> Change;
    std::function<void(int16_t keyAscii)> KeyPress;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A button; Click on the user's press, by mouse, key (Space, or Return while it has the focus) or
// mnemonic.
class CommandButton : public QPushButton {
    Q_OBJECT
  public:
    explicit CommandButton(QWidget* parent);
    std::function<void()> Click;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// An option button. Selecting it, by the user or by setting its value to true, raises Click once.
class OptionButton : public QRadioButton {
    Q_OBJECT
  public:
    explicit OptionButton(QWidget* parent);
    bool Value() const { return isChecked(); }
    void SetValue(bool value);
    std::function<void()> Click;
};

// A check box with the values 0 unchecked, 1 checked, 2 greyed. Setting the value, or a click of the
// user, raises Click once. The user's clicks move between checked and unchecked only.
class CheckBox : public QCheckBox {
    Q_OBJECT
  public:
    explicit CheckBox(QWidget* parent);
    int16_t Value() const;
    void SetValue(int16_t value);
    std::function<void()> Click;

  protected:
    void nextCheckState() override;
};

// A frame with a caption, holding controls.
class Frame : public QGroupBox {
    Q_OBJECT
  public:
    explicit Frame(QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// A picture holder: shows an icon and names it by handle; also used as a container of controls.
// Mouse events handed to it (the notification area's) arrive at MouseMove.
class PictureBox : public QWidget {
    Q_OBJECT
  public:
    explicit PictureBox(QWidget* parent);
    int32_t hWnd() { return WindowHandle(); }
    int32_t Picture() const { return picture_; }
    void SetPicture(int32_t iconHandle);
    std::function<void(int16_t button, int16_t shift, float x, float y)> MouseMove;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int32_t WindowHandle();
    int32_t picture_ = 0;
};

}  // namespace forms
