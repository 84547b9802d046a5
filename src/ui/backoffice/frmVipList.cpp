#include "ui/backoffice/frmVipList.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "core/backoffice/MemberRegister.h"
#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "ui/members/frmEditVip.h"
#include "ui/members/frmVip.h"
#include "ui/members/frmVipCz.h"
#include "ui/reports/frmVipReport.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/KeyedGrid.h"
#include "ui/widgets/RightGuard.h"

frmVipList::frmVipList(QWidget *parent)
    : BaseDataList(QStringLiteral("frmVipList"), QStringLiteral("会员一览"), QStringLiteral("FlexVips"), true, parent)
{
    cmdNew->setText(QStringLiteral("新会员充值(F2)"));
    cmdEdit = addButton(QStringLiteral("cmdEdit"), QStringLiteral("修改会员资料(&M)"));
    cmdReplace = addButton(QStringLiteral("cmdReplace"), QStringLiteral("会员补卡(&B)"));
    cmdRecharge = addButton(QStringLiteral("cmdRecharge"), QStringLiteral("会员充值(&R)"));
    cmdStatement = addButton(QStringLiteral("cmdStatement"), QStringLiteral("会员对账单(&S)"));
    cmdExport = addButton(QStringLiteral("cmdExport"), QStringLiteral("导出(&X)"));
    connect(cmdEdit, &QPushButton::clicked, this, [this] { editRecord(); });
    connect(cmdReplace, &QPushButton::clicked, this, [this] { cmdReplace_Click(); });
    connect(cmdRecharge, &QPushButton::clicked, this, [this] { cmdRecharge_Click(); });
    connect(cmdStatement, &QPushButton::clicked, this, [this] { cmdStatement_Click(); });
    connect(cmdExport, &QPushButton::clicked, this, [this] { exportGrid(); });
    cmdQuery = new QPushButton(QStringLiteral("查询(&Q)"), this);
    cmdQuery->setObjectName(QStringLiteral("cmdQuery"));
    cmdQuery->setAutoDefault(false);
    filterArea()->addWidget(cmdQuery);
    connect(cmdQuery, &QPushButton::clicked, this, [this] { refresh(); });
    // A search over every document runs at Enter or the button, not at each key.
    finishButtons();
    txtSearch->setPlaceholderText(QStringLiteral("卡号、持卡人、身份证号或电话，回车查询"));
    setColumns(MemberRegister::table({}).columns);
    refresh();
}

void frmVipList::refresh()
{
    runQuery([this] {
        const QString keep = currentCard();
        fill(MemberRegister::table(MemberRegister::search(cnstr(), txtSearch->text(), GetServerDate().date())));
        for (int row = 1; row < grid()->rows(); ++row)
            if (grid()->text(row, QStringLiteral("FVipNo")) == keep)
                grid()->setCurrentGridRow(row);
        if (grid()->rows() > 1 && grid()->currentGridRow() == 0)
            grid()->setCurrentGridRow(1);
    });
}

QString frmVipList::currentCard() const
{
    const int row = grid()->currentGridRow();
    return row > 0 ? grid()->text(row, QStringLiteral("FVipNo")) : QString();
}

bool frmVipList::haveCard()
{
    if (!currentCard().isEmpty())
        return true;
    Prompts::current().information(QStringLiteral("请先选择一张会员卡！"));
    return false;
}

void frmVipList::newRecord()
{
    runShowingErrors(this, [this] {
        frmVipCz f(this);
        DialogRunner::exec(f);
        refresh();
    });
}

void frmVipList::editRecord()
{
    if (!haveCard())
        return;
    runShowingErrors(this, [this] {
        frmEditVip f(this);
        f.txtVipNo->setText(currentCard());
        f.txtVipNo_LostFocus();
        f.txtOwner->setFocus();
        DialogRunner::exec(f);
        refresh();
    });
}

void frmVipList::cmdReplace_Click()
{
    if (!haveCard())
        return;
    // The main window guards the card replacement with its right; so does this way in.
    if (!mayDo(this, QStringLiteral("bk")))
        return;
    const int row = grid()->currentGridRow();
    const QString card = currentCard();
    const QString vipId = grid()->text(row, QStringLiteral("FVipID"));
    runShowingErrors(this, [&] {
        frmVip f(this);
        f.txtID->setText(vipId);
        f.txtID_LostFocus();
        f.cmbVipNo->setCurrentIndex(qMax(0, f.cmbVipNo->findText(card)));
        f.txtNewVipNo->setFocus();
        DialogRunner::exec(f);
        refresh();
    });
}

void frmVipList::cmdRecharge_Click()
{
    if (!haveCard())
        return;
    runShowingErrors(this, [this] {
        frmVipCz f(this);
        f.txtVipNo->setText(currentCard());
        f.txtVipNo_LostFocus();
        DialogRunner::exec(f);
        refresh();
    });
}

void frmVipList::cmdStatement_Click()
{
    if (!haveCard())
        return;
    runShowingErrors(this, [this] {
        frmVipReport f(cnstr(), GetUserID(), 109, this);
        f.txtVipNo->setText(currentCard());
        f.dtpFrom->setDate(GetServerDate().date().addYears(-1));
        f.cmdQuery_Click();
        DialogRunner::exec(f);
    });
}
