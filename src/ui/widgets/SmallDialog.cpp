#include "ui/widgets/SmallDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

#include "ui/widgets/CounterScreen.h"
#include "ui/widgets/DialogLayout.h"

SmallDialog::SmallDialog(QWidget *parent, const QString &objectName, const QString &title,
                         const QString &okName, const QString &exitName)
    : QDialog(parent)
{
    setObjectName(objectName);
    setWindowTitle(title);
    const DialogLayout::Buttons buttons = DialogLayout::okCancel(this, okName, exitName);
    cmdOk = buttons.ok;
    cmdExit = buttons.cancel;
    m_buttonRow = buttons.row;
    // Through lambdas, so that a click reaches the derived dialog's slot.
    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
}

QGridLayout *SmallDialog::build(Rows rows)
{
    QGridLayout *grid = DialogLayout::fieldGrid(this, rows);
    build(grid);
    return grid;
}

void SmallDialog::build(QLayout *fields)
{
    DialogLayout::stack(this, fields, m_buttonRow);
    CounterScreen::applyFont(*this);
}

void SmallDialog::cmdExit_Click()
{
    m_ok = false;
    reject();
}
