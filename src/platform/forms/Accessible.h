// What the window services' own controls tell Qt's accessibility (and through it a screen reader): a
// label acting on a click is a link with a press action, a label named after what it shows gives its
// caption as its description, a shape is a graphic named and described by its window, and a window is
// a window (not a filler), and a chart a chart.
#pragma once

#include <QAccessibleWidget>
#include <QWidget>

namespace forms {

class Label;

// A drawing of data (a graph): a chart to accessibility, named and described by its owner.
class Chart : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
};

// Lets Qt's accessibility ask here first for the interfaces of labels and shapes. Installing it again
// changes nothing.
void InstallAccessibleFactory();

class LabelAccessible : public QAccessibleWidget {
  public:
    explicit LabelAccessible(Label* label);
    QAccessible::Role role() const override;
    // The name: the one given, else the caption. The description: the one given, else, where a name
    // was given, the caption (what the label shows).
    QString text(QAccessible::Text t) const override;
    QList<std::pair<QAccessibleInterface*, QAccessible::Relation>> relations(
        QAccessible::Relation match) const override;
    QStringList actionNames() const override;
    void doAction(const QString& action) override;

  private:
    Label* label() const;
    bool IsLink() const;
};

}  // namespace forms
