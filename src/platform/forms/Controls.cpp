// The controls of the window services: labels, shapes, text boxes, buttons, check box, frames, pictures.
#include "platform/forms/Forms.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <cmath>

#include "common/QtColours.h"
#include "platform/forms/Handles.h"

namespace forms {

Label::Label(QWidget* parent) : QLabel(parent) {
    setFocusPolicy(Qt::NoFocus);
    setTextFormat(Qt::PlainText);
}

void Label::SetCaption(const QString& caption) {
    const bool changed = caption != text();
    setText(caption);
    // A label named after what it shows describes itself by its caption (Qt tells of a new caption
    // only for a label without a name of its own).
    if (changed && !accessibleName().isEmpty()) {
        QAccessibleEvent event(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
    // Until its window is first shown, all its captions are fitted then, at once.
    const auto* form = qobject_cast<const Form*>(window());
    if (form == nullptr || form->CaptionsFitted()) FitCaption(this);
}

void Label::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && Click) Click();
}

Shape::Shape(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::SetFillColor(common::ColourValue colour) {
    fill_ = colour;
    repaint();  // at once: the caller may block before events are handled again
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(common::ToQColor(fill_));
    const int d = std::min(width(), height()) - 1;
    p.drawEllipse(QRectF((width() - d) / 2.0, (height() - d) / 2.0, d, d));
}

TextBox::TextBox(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (Change) Change();
    });
}

bool TextBox::SetFocus() {
    if (!window()->isVisible() || !isVisible() || !isEnabled()) return false;
    setFocus(Qt::OtherFocusReason);
    return true;
}

void TextBox::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    if (KeyPress && typed.size() == 1) KeyPress(static_cast<int16_t>(typed.at(0).unicode()));
    QLineEdit::keyPressEvent(event);
}

CommandButton::CommandButton(QWidget* parent) : QPushButton(parent) {
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] {
        if (Click) Click();
    });
}

void CommandButton::keyPressEvent(QKeyEvent* event) {
    // Return (or Enter) presses the focused button, as Space does.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && !event->isAutoRepeat()) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

OptionButton::OptionButton(QWidget* parent) : QRadioButton(parent) {
    // Only the user's clicks come through this signal; assignments raise Click themselves.
    connect(this, &QRadioButton::clicked, this, [this] {
        if (Click) Click();
    });
}

void OptionButton::SetValue(bool value) {
    if (value) {
        setChecked(true);
        if (Click) Click();
        return;
    }
    setAutoExclusive(false);
    setChecked(false);
    setAutoExclusive(true);
}

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent) {
    connect(this, &QCheckBox::clicked, this, [this] {
        if (Click) Click();
    });
}

int16_t CheckBox::Value() const {
    switch (checkState()) {
        case Qt::Checked:
            return 1;
        case Qt::PartiallyChecked:
            return 2;
        default:
            return 0;
    }
}

void CheckBox::SetValue(int16_t value) {
    setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
    if (Click) Click();
}

void CheckBox::nextCheckState() {
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

Frame::Frame(QWidget* parent) : QGroupBox(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void Frame::paintEvent(QPaintEvent* /*event*/) {
    // Styles tint a group box's interior (Fusion darkens it a little); the frame's own colour is the
    // design's, so the interior is left as the background fill painted it, and only the outline is
    // drawn here, broken by the caption, which the style draws.
    QStylePainter painter(this);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    const QRect outline =
        style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, this);
    const QRect caption =
        style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(palette().color(QPalette::Window).darker(112));
    painter.drawRoundedRect(QRectF(outline).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    if (!title().isEmpty())
        painter.fillRect(caption.adjusted(-2, 0, 2, 0), palette().color(QPalette::Window));
    option.subControls &= ~QStyle::SC_GroupBoxFrame;
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void PictureBox::SetPicture(int32_t iconHandle) {
    picture_ = iconHandle;
    update();
}

int32_t PictureBox::WindowHandle() {
    return forms::WindowHandle(this);
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (picture_ == 0) return;
    const QIcon icon = IconFromHandle(picture_);
    if (icon.isNull()) return;
    QPainter p(this);
    const QSize size = icon.actualSize(QSize(32, 32));
    p.drawPixmap(0, 0, icon.pixmap(size));
}

}  // namespace forms
