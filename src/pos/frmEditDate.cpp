#include "pos/frmEditDate.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Prompts.h"
#include "app/Routines.h"
#include "app/db/DbError.h"
#include "orders/OrderValidity.h"

frmEditDate::frmEditDate(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmEditDate"));
    setWindowTitle(QStringLiteral("修改有效期"));
    auto makeDate = [this](const char *name) {
        auto *d = new QDateEdit(this);
        d->setObjectName(QString::fromLatin1(name));
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        return d;
    };
    dtpOldDate = makeDate("dtpOldDate");
    dtpOldDate->setEnabled(false);
    dtpNewDate = makeDate("dtpNewDate");
    cmdOk = new QPushButton(QStringLiteral("确定(&O)"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdExit = new QPushButton(QStringLiteral("取消(&C)"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));

    auto *grid = new QGridLayout;
    auto *l1 = new QLabel(QStringLiteral("旧日期："), this);
    l1->setBuddy(dtpOldDate);
    auto *l2 = new QLabel(QStringLiteral("新日期："), this);
    l2->setBuddy(dtpNewDate);
    grid->addWidget(l1, 0, 0);
    grid->addWidget(dtpOldDate, 0, 1);
    grid->addWidget(l2, 1, 0);
    grid->addWidget(dtpNewDate, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdExit);
    auto *main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addLayout(buttons);

    connect(cmdOk, &QPushButton::clicked, this, &frmEditDate::cmdOk_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmEditDate::cmdExit_Click);
    dtpNewDate->setFocus();
}

void frmEditDate::init(int ID, int ItemID, const QDate &OldDAte)
{
    m_orderId = ID;
    m_itemId = ItemID;
    m_oldDate = OldDAte;
    dtpOldDate->setDate(OldDAte);
    dtpNewDate->setDate(OldDAte);
}

void frmEditDate::cmdOk_Click()
{
    const QDate date = dtpNewDate->date();
    try {
        OrderValidity::set(GetCnstr(), m_orderId, m_itemId, date);
    } catch (const db::DbError &e) {
        // Nothing was stored; the operator may try again or cancel.
        Prompts::current().information(e.message());
        return;
    }
    m_newDate = date;
    m_ok = true;
    accept();
}

void frmEditDate::cmdExit_Click()
{
    reject();
}
