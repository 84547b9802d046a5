#pragma once

#include <functional>
#include <initializer_list>

#include <QObject>
#include <QPointer>

class QWidget;

// Enter (or the keypad's Enter) in a field moves the focus to the field a screen names next,
// instead of pressing the dialog's default button.
//
// Usage: `EnterMovesFocus::chain({txtCardNo, txtBarcode, txtQty});` links each field to the
// following one; `EnterMovesFocus::link(txtQty, cmdSave, [this] { return checkQty(); });`
// links one pair with a check that runs first and keeps the focus where it is by returning
// false (the check may show its own message). A next field that is disabled or hidden is
// passed over along its own link. Text in a line edit reached this way is selected, so the
// cashier can type over it. The link belongs to the `from` field and goes away with it.
class EnterMovesFocus : public QObject
{
    Q_OBJECT
public:
    using Check = std::function<bool()>;

    static EnterMovesFocus *link(QWidget *from, QWidget *to, Check before = {});
    static void chain(std::initializer_list<QWidget *> fields);
    // The field Enter leaves `from` for, or nullptr when it has no link.
    static QWidget *next(QWidget *from);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    EnterMovesFocus(QWidget *from, QWidget *to, Check before);
    static EnterMovesFocus *of(QWidget *from);
    static void moveTo(QWidget *to);

    QPointer<QWidget> m_to;
    Check m_before;
};
