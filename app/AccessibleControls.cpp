#include "app/AccessibleControls.h"

#include <QAccessibleWidget>

namespace {

// A two-state button acts as a push button, so it is read as one, with no
// checked state: "Convert, button", never "Convert, check box, not checked".
// Pressed by a tool, it is clicked as by the mouse, a moment later: the
// command may open a dialog, and the tool waits for its press to return.
class AccessibleCommand : public QAccessibleWidget {
public:
    explicit AccessibleCommand(QWidget* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return button()->text();
        return QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.pressed = button()->isDown();
        return state;
    }

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == pressAction())
            QMetaObject::invokeMethod(button(), &QAbstractButton::click, Qt::QueuedConnection);
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

// No name, no role, not shown: nothing for a reader to say, even when it
// holds the focus.
class AccessibleFocusHolder : public QAccessibleWidget {
public:
    explicit AccessibleFocusHolder(QWidget* holder)
        : QAccessibleWidget(holder, QAccessible::NoRole) {}

    QString text(QAccessible::Text) const override { return {}; }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        return state;
    }
};

QAccessibleInterface* accessibleControl(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    if (className == QLatin1String("Form1"))
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (className == QLatin1String("TwoStateButton"))
        return new AccessibleCommand(widget);
    if (className == QLatin1String("FocusHolder"))
        return new AccessibleFocusHolder(widget);
    return nullptr;
}

} // namespace

void installAccessibleControls() {
    static const bool installed = (QAccessible::installFactory(accessibleControl), true);
    Q_UNUSED(installed);
}
