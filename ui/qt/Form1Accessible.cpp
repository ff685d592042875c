// The accessible objects of Form1 and its link line that Qt does not make by itself.
#include "ui/qt/Form1Accessible.h"

#include "ui/qt/Form1.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace leitzahl {

namespace {

class LinkLine final : public QAccessibleWidget {
public:
    explicit LinkLine(QLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

    // A label reached by Tab is the link; once passed by, the status line.
    bool isLink() const { return widget()->focusPolicy() != Qt::NoFocus; }

    // Screen readers follow a notification's appearance, where they drop a label's new name.
    QAccessible::Role role() const override { return isLink() ? QAccessible::Link : QAccessible::Notification; }

    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name) {
            return QAccessibleWidget::text(kind);
        }
        // The link's two lines are one sentence, which a line break would cut with a pause.
        QString shown = static_cast<QLabel*>(widget())->text();
        return isLink() ? shown.replace("\r\n", " ") : shown;
    }

    QStringList actionNames() const override
    {
        return isLink() ? QStringList{pressAction()} + QAccessibleWidget::actionNames() : QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override
    {
        auto* form = qobject_cast<Form1*>(widget()->window());
        if (name == pressAction() && form != nullptr) {
            form->Label2_Click();
        } else {
            QAccessibleWidget::doAction(name);
        }
    }
};

}  // namespace

QAccessibleInterface* Form1Accessible(const QString&, QObject* object)
{
    if (auto* form = qobject_cast<Form1*>(object)) {
        return new QAccessibleWidget(form, QAccessible::Window);
    }
    auto* label = qobject_cast<QLabel*>(object);
    if (label != nullptr && label->objectName() == "Label2" && qobject_cast<Form1*>(label->parent()) != nullptr) {
        return new LinkLine(label);
    }
    return nullptr;
}

void AnnounceStatusLine(QWidget* label)
{
    QAccessibleEvent shown(label, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

}  // namespace leitzahl
