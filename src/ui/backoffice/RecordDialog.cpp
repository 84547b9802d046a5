#include "ui/backoffice/RecordDialog.h"

#include <QList>
#include <QPushButton>
#include <QShortcut>

#include "ui/widgets/EnterMovesFocus.h"

RecordDialog::RecordDialog(QWidget *parent, const QString &objectName, const QString &title)
    : SmallDialog(parent, objectName, title)
{
    auto *save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    connect(save, &QShortcut::activated, this, [this] { cmdOk_Click(); });
}

void RecordDialog::chain(std::initializer_list<QWidget *> fields)
{
    const QList<QWidget *> list(fields);
    for (int i = 0; i + 1 < list.size(); ++i)
        EnterMovesFocus::link(list[i], list[i + 1]);
    if (!list.isEmpty()) {
        EnterMovesFocus::link(list.last(), cmdOk);
        list.first()->setFocus();
    }
}
