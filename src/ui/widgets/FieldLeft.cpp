#include "ui/widgets/FieldLeft.h"

#include <QFocusEvent>
#include <QWidget>

FieldLeft::FieldLeft(QWidget *field, std::function<void()> action)
    : QObject(field), m_action(std::move(action))
{
    field->installEventFilter(this);
}

FieldLeft *FieldLeft::watch(QWidget *field, std::function<void()> action)
{
    return new FieldLeft(field, std::move(action));
}

bool FieldLeft::eventFilter(QObject *, QEvent *event)
{
    if (event->type() != QEvent::FocusOut)
        return false;
    const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && m_action)
        m_action();
    return false;
}
