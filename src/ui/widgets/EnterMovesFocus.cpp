#include "ui/widgets/EnterMovesFocus.h"

#include <QAbstractSpinBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSet>
#include <QWidget>

EnterMovesFocus::EnterMovesFocus(QWidget *from, QWidget *to, Check before)
    : QObject(from), m_to(to), m_before(std::move(before))
{
    setObjectName(QStringLiteral("EnterMovesFocus"));
    from->installEventFilter(this);
}

EnterMovesFocus *EnterMovesFocus::of(QWidget *from)
{
    return from ? from->findChild<EnterMovesFocus *>(QStringLiteral("EnterMovesFocus"),
                                                     Qt::FindDirectChildrenOnly)
                : nullptr;
}

EnterMovesFocus *EnterMovesFocus::link(QWidget *from, QWidget *to, Check before)
{
    // One link per field: linking again replaces the earlier one.
    if (EnterMovesFocus *old = of(from)) {
        old->m_to = to;
        old->m_before = std::move(before);
        return old;
    }
    return new EnterMovesFocus(from, to, std::move(before));
}

void EnterMovesFocus::chain(std::initializer_list<QWidget *> fields)
{
    QWidget *previous = nullptr;
    for (QWidget *w : fields) {
        if (previous && w)
            link(previous, w);
        previous = w;
    }
}

QWidget *EnterMovesFocus::next(QWidget *from)
{
    const EnterMovesFocus *l = of(from);
    return l ? l->m_to.data() : nullptr;
}

void EnterMovesFocus::moveTo(QWidget *to)
{
    QSet<QWidget *> seen;
    while (to && !(to->isEnabled() && to->isVisible())) {
        if (seen.contains(to))
            return; // a ring of unusable fields: stay put
        seen.insert(to);
        to = next(to);
    }
    if (!to)
        return;
    to->setFocus(Qt::TabFocusReason);
    if (auto *edit = qobject_cast<QLineEdit *>(to))
        edit->selectAll();
    else if (auto *spin = qobject_cast<QAbstractSpinBox *>(to))
        spin->selectAll();
    else if (auto *combo = qobject_cast<QComboBox *>(to); combo && combo->lineEdit())
        combo->lineEdit()->selectAll();
}

bool EnterMovesFocus::eventFilter(QObject *, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    // An open drop-down list takes Enter as the choice of its item.
    if (auto *combo = qobject_cast<QComboBox *>(parent()); combo && combo->view() &&
        combo->view()->isVisible())
        return false;
    const QPointer<EnterMovesFocus> self(this);
    if (m_before && !m_before())
        return true;
    if (self)
        moveTo(m_to);
    return true;
}
