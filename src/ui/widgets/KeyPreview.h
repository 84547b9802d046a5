#pragma once

#include <functional>

#include <QObject>
#include <QPointer>

class QKeyEvent;
class QWidget;

// Lets a form see every key pressed in it before the control that has the focus does, the way
// the counter screens handle F-keys, "+" and Ctrl+S wherever the cursor stands.
//
// Usage: in the form's constructor, `new KeyPreview(this, [this](QKeyEvent *e) { ... });`.
// The handler gets each key press meant for the form or any control inside it (dialogs opened
// from the form are windows of their own and are not included), exactly once, before the
// control. It returns true when it has dealt with the key: the control then never sees it.
// Returning false lets the key go on to the control as usual. The object belongs to the form
// and goes away with it. Pair it with EnterMovesFocus for the Enter key of single fields.
class KeyPreview : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<bool(QKeyEvent *)>;

    KeyPreview(QWidget *form, Handler handler);
    ~KeyPreview() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_form;
    Handler m_handler;
    bool m_forwarding = false;
};
