#include "ui/pos/frmEditDate.h"

#include <QDateEdit>

#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "core/base/CoreError.h"
#include "core/orders/OrderValidity.h"
#include "ui/widgets/ErrorPrompt.h"

frmEditDate::frmEditDate(QWidget *parent)
    : SmallDialog(parent, QStringLiteral("frmEditDate"), QStringLiteral("修改有效期"))
{
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
    build({{QStringLiteral("旧日期："), dtpOldDate}, {QStringLiteral("新日期："), dtpNewDate}});
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
    // An order not saved yet has nothing stored to change: the date goes to its line only.
    if (m_orderId == 0) {
        m_newDate = date;
        m_ok = true;
        accept();
        return;
    }
    try {
        OrderValidity::set(GetCnstr(), m_orderId, m_itemId, date);
    } catch (const CoreError &e) {
        // Nothing was stored; the operator may try again or cancel.
        showError(e, this);
        return;
    }
    m_newDate = date;
    m_ok = true;
    accept();
}
