#include "ui/widgets/SelectOnFocus.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QTimer>

SelectOnFocus::SelectOnFocus(QWidget *field) : QObject(field)
{
    field->installEventFilter(this);
}

void SelectOnFocus::watch(std::initializer_list<QWidget *> fields)
{
    for (QWidget *field : fields)
        new SelectOnFocus(field);
}

bool SelectOnFocus::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::FocusIn)
        return false;
    auto *combo = qobject_cast<QComboBox *>(watched);
    QLineEdit *edit = combo ? combo->lineEdit() : qobject_cast<QLineEdit *>(watched);
    if (edit)
        QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
    return false;
}
