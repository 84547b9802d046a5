#include "ui/widgets/KeyPreview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

KeyPreview::KeyPreview(QWidget *form, Handler handler)
    : QObject(form), m_form(form), m_handler(std::move(handler))
{
    // Watching the application, not each control, also covers controls the form creates later
    // (grid editors, rows added at run time).
    qApp->installEventFilter(this);
}

KeyPreview::~KeyPreview()
{
    qApp->removeEventFilter(this);
}

bool KeyPreview::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || m_forwarding || !m_form || !m_handler ||
        !watched->isWidgetType())
        return false;
    auto *target = static_cast<QWidget *>(watched);
    if (target != m_form && !m_form->isAncestorOf(target))
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (m_handler(key)) {
        key->accept();
        return true;
    }
    // A key the control ignores travels on to its parents; the handler must not see it again
    // there, so the control gets a copy delivered here while this filter stands aside.
    QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->nativeScanCode(),
                   key->nativeVirtualKey(), key->nativeModifiers(), key->text(),
                   key->isAutoRepeat(), ushort(key->count()), key->device());
    const QPointer<KeyPreview> self(this);
    m_forwarding = true;
    QCoreApplication::sendEvent(target, &copy);
    if (self)
        m_forwarding = false;
    key->setAccepted(true);
    return true;
}
