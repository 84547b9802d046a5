#include "ui/reports/frmVipReport.h"

#include <QDateEdit>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/frame/ReferenceData.h"
#include "core/base/CoreError.h"
#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "core/reports/CardMovements.h"
#include "core/reports/StoredValueReport.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

const QColor kTotalColor(0xFF, 0xF2, 0xCC);
const QColor kOpeningColor(0xE8, 0xF0, 0xFB);

} // namespace

frmVipReport::frmVipReport(const QString &cnstr, int userId, int number, QWidget *parent)
    : ReportWindow(cnstr, QStringLiteral("frmVipReport%1").arg(number),
                   StoredValueReport::title(number), QStringLiteral("FlexReport"), parent),
      m_number(number)
{
    setUserName(ReferenceData::operatorName(cnstr, userId));
    FlexReport = grid();

    std::tie(dtpFrom, dtpTo) =
        addDateFilter(QStringLiteral("开始日期："), QStringLiteral("dtpFrom"),
                      QStringLiteral("结束日期："), QStringLiteral("dtpTo"));
    filterArea()->addSpacing(12);
    txtVipNo = addCardFilter(number == 109 ? QStringLiteral("会员卡号：")
                                           : QStringLiteral("卡号（可空）："));
    lblOwner = new QLabel(this);
    lblOwner->setObjectName(QStringLiteral("lblOwner"));
    filterArea()->addWidget(lblOwner);
    filterArea()->addStretch();
    cmdQuery = addButton(QStringLiteral("cmdQuery"), QStringLiteral("查询(&Q)"));
    cmdPrint = addButton(QStringLiteral("cmdPrint"), QStringLiteral("打印(&P)"));
    cmdExport = addButton(QStringLiteral("cmdExport"), QStringLiteral("导出(&E)"));
    cmdPageSet = addButton(QStringLiteral("cmdPageSet"), QStringLiteral("页面设置"));
    cmdClose = addButton(QStringLiteral("cmdClose"), QStringLiteral("关闭(&C)"));

    setKindStyle(ReportRow::Total, kTotalColor, true);

    // Columns stand before the first query, so stored widths apply at once.
    const QDateTime now = GetServerDate();
    dtpTo->setDate(now.date());
    dtpFrom->setDate(QDate(now.date().year(), now.date().month(), 1));
    setColumns(StoredValueReport::columns(number));

    // Enter walks the dates to the card box; Enter there runs the query.
    EnterMovesFocus::chain({dtpFrom, dtpTo, txtVipNo});
    EnterMovesFocus::link(txtVipNo, txtVipNo, [this] {
        cmdQuery_Click();
        return false;
    });
    connect(cmdQuery, &QPushButton::clicked, this, &frmVipReport::cmdQuery_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &ReportWindow::printGrid);
    connect(cmdExport, &QPushButton::clicked, this, &ReportWindow::exportGrid);
    connect(cmdPageSet, &QPushButton::clicked, this, &ReportWindow::pageSetup);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);

    if (number == 109)
        txtVipNo->setFocus();
    else
        cmdQuery_Click();
}

void frmVipReport::cmdQuery_Click()
{
    clearResult();
    lblOwner->clear();
    if (m_number == 109 && txtVipNo->text().trimmed().isEmpty()) {
        Prompts::current().exclamation(QStringLiteral("请输入会员卡号！"));
        txtVipNo->setFocus();
        return;
    }
    bool known = true;
    if (m_number == 109 &&
        !runQuery([&] { known = CardMovements::any(cnstr(), txtVipNo->text()); }))
        return;
    if (!known) {
        // Not an empty statement of 0.00: nothing, and the card dialogue's own word.
        FlexReport->setRows(1);
        lblOwner->clear();
        Prompts::current().exclamation(QStringLiteral("卡号不存在！"));
        txtVipNo->setFocus();
        txtVipNo->selectAll();
        return;
    }
    StoredValueReport::Result res;
    if (!runQuery([&] {
            res = StoredValueReport::run(cnstr(), m_number,
                                         {dtpFrom->date(), dtpTo->date(), txtVipNo->text()});
        }))
        return;
    ReportTable table;
    table.columns = res.columns;
    for (const QStringList &line : res.lines)
        table.rows.append({ReportRow::Detail, line});
    table.rows.append({ReportRow::Total, res.total});
    fill(table);
    if (m_number == 109 && FlexReport->rows() > 2)
        FlexReport->setRowBackColor(1, kOpeningColor);
    lblOwner->setText(m_number == 109 ? QStringLiteral("持卡人：%1").arg(res.owner) : QString());
}

QStringList frmVipReport::titleLines() const
{
    QStringList lines{title(), QStringLiteral("日期：%1 至 %2")
                                   .arg(dtpFrom->date().toString(QStringLiteral("yyyy-MM-dd")),
                                        dtpTo->date().toString(QStringLiteral("yyyy-MM-dd")))};
    if (!txtVipNo->text().trimmed().isEmpty())
        lines.last() +=
            QStringLiteral("    卡号：%1 %2")
                .arg(txtVipNo->text().trimmed(), m_number == 109 ? lblOwner->text() : QString());
    return lines;
}

void runreport(const QString &cnstr, int userId, short number)
{
    if (!StoredValueReport::known(number))
        throw CoreError(QStringLiteral("没有编号为 %1 的报表").arg(number));
    frmVipReport dlg(cnstr, userId, number);
    DialogRunner::exec(dlg);
}
