#pragma once

#include <functional>

#include <QObject>

class QWidget;

// Runs an action when the operator leaves a field (a code box looks its code up, a card box
// its member). Another window taking the focus for a moment, a message box or a pop-up, is
// not leaving the field. The watcher belongs to the field and goes away with it.
class FieldLeft : public QObject
{
    Q_OBJECT
public:
    static FieldLeft *watch(QWidget *field, std::function<void()> action);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    FieldLeft(QWidget *field, std::function<void()> action);
    std::function<void()> m_action;
};
