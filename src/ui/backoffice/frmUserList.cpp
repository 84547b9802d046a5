#include "ui/backoffice/frmUserList.h"

#include <QPushButton>

#include "core/backoffice/OperatorStore.h"
#include "core/backoffice/RecordGuard.h"
#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "ui/backoffice/frmUserEdit.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/KeyedGrid.h"

namespace {
OperatorStore::Operator current(const QString &cnstr, int id)
{
    for (const OperatorStore::Operator &o : OperatorStore::list(cnstr))
        if (o.id == id)
            return o;
    throw CoreError::refusal(RecordGuard::staleMessage());
}
} // namespace

frmUserList::frmUserList(QWidget *parent)
    : BaseDataList(QStringLiteral("frmUserList"), QStringLiteral("操作员"), QStringLiteral("FlexUsers"), false, parent)
{
    cmdEdit = addButton(QStringLiteral("cmdEdit"), QStringLiteral("修改(&E)"));
    cmdPassword = addButton(QStringLiteral("cmdPassword"), QStringLiteral("重设密码(&P)"));
    cmdDisable = addButton(QStringLiteral("cmdDisable"), QStringLiteral("停用/启用(&T)"));
    connect(cmdEdit, &QPushButton::clicked, this, [this] { editRecord(); });
    connect(cmdPassword, &QPushButton::clicked, this, [this] { cmdPassword_Click(); });
    connect(cmdDisable, &QPushButton::clicked, this, [this] { cmdDisable_Click(); });
    finishButtons();
    setColumns({{QStringLiteral("FID"), QString(), 0},
                {QStringLiteral("FUserName"), QStringLiteral("操作员"), 160},
                {QStringLiteral("FManager"), QStringLiteral("店长"), 60},
                {QStringLiteral("FDays"), QStringLiteral("可查询天数"), 100, true},
                {QStringLiteral("FState"), QStringLiteral("状态"), 60}});
    resize(720, 460);
    refresh();
}

void frmUserList::refresh()
{
    runQuery([this] {
        const int keep = currentId();
        grid()->setRows(1);
        for (const OperatorStore::Operator &o : OperatorStore::list(cnstr())) {
            const int row = grid()->addRow();
            grid()->setText(row, QStringLiteral("FID"), QString::number(o.id));
            grid()->setText(row, QStringLiteral("FUserName"), o.name);
            grid()->setText(row, QStringLiteral("FManager"), o.manager ? QStringLiteral("是") : QString());
            grid()->setText(row, QStringLiteral("FDays"),
                            o.allowQueryDays ? QString::number(o.allowQueryDays) : QStringLiteral("不限"));
            grid()->setText(row, QStringLiteral("FState"), o.disabled ? QStringLiteral("停用") : QString());
            if (o.disabled)
                strikeOut(row);
        }
        selectId(keep);
    });
}

void frmUserList::newRecord()
{
    frmUserEdit f(this);
    if (DialogRunner::exec(f) == QDialog::Accepted && f.OK()) {
        refresh();
        selectId(f.NewUserID());
    }
}

void frmUserList::editRecord()
{
    if (!haveCurrent())
        return;
    runShowingErrors(this, [this] {
        frmUserEdit f(this);
        f.init(current(cnstr(), currentId()));
        if (DialogRunner::exec(f) == QDialog::Accepted && f.OK())
            refresh();
    });
}

void frmUserList::cmdPassword_Click()
{
    if (!haveCurrent())
        return;
    runShowingErrors(this, [this] {
        frmUserPassword f(current(cnstr(), currentId()), this);
        if (DialogRunner::exec(f) == QDialog::Accepted && f.OK())
            Prompts::current().information(QStringLiteral("密码已重设！"));
    });
}

void frmUserList::cmdDisable_Click()
{
    if (!haveCurrent())
        return;
    runShowingErrors(this, [this] {
        const OperatorStore::Operator asRead = current(cnstr(), currentId());
        const QString question = asRead.disabled ? QStringLiteral("启用操作员“%1”吗？")
                                                 : QStringLiteral("停用操作员“%1”吗？停用后不能再登录。");
        if (!Prompts::current().question(question.arg(asRead.name), true))
            return;
        OperatorStore::setDisabled(cnstr(), asRead, !asRead.disabled, GetUserID());
        refresh();
    });
}
