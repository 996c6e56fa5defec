#include "platform/forms/Accessible.h"

#include "platform/forms/Forms.h"

namespace forms {

namespace {

QAccessibleInterface* MakeInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("forms::Label")) return new LabelAccessible(static_cast<Label*>(object));
    if (className == QLatin1String("forms::Form")) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    }
    if (className == QLatin1String("forms::Chart")) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Chart);
    }
    if (className == QLatin1String("forms::Shape")) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
    }
    return nullptr;
}

}  // namespace

void InstallAccessibleFactory() {
    QAccessible::installFactory(MakeInterface);  // kept once, however often installed
}

LabelAccessible::LabelAccessible(Label* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

Label* LabelAccessible::label() const {
    return static_cast<Label*>(widget());
}

bool LabelAccessible::IsLink() const {
    return static_cast<bool>(label()->Click);
}

QAccessible::Role LabelAccessible::role() const {
    return IsLink() ? QAccessible::Link : QAccessible::StaticText;
}

QString LabelAccessible::text(QAccessible::Text t) const {
    const Label* l = label();
    const QString name = l->accessibleName();
    if (t == QAccessible::Name) return name.isEmpty() ? l->text() : name;
    if (t == QAccessible::Description && !name.isEmpty() && l->accessibleDescription().isEmpty()) {
        return l->text();
    }
    return QAccessibleWidget::text(t);
}

QList<std::pair<QAccessibleInterface*, QAccessible::Relation>> LabelAccessible::relations(
    QAccessible::Relation match) const {
    auto related = QAccessibleWidget::relations(match);
    if ((match & QAccessible::Labelled) && label()->buddy() != nullptr) {
        if (QAccessibleInterface* buddy = QAccessible::queryAccessibleInterface(label()->buddy())) {
            related.emplace_back(buddy, QAccessible::Labelled);
        }
    }
    return related;
}

QStringList LabelAccessible::actionNames() const {
    return IsLink() ? QStringList{pressAction()} : QAccessibleWidget::actionNames();
}

void LabelAccessible::doAction(const QString& action) {
    if (action == pressAction() && IsLink()) {
        if (label()->isEnabled()) label()->Click();
        return;
    }
    QAccessibleWidget::doAction(action);
}

}  // namespace forms
