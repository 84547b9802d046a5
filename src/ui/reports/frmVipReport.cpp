#include "ui/reports/frmVipReport.h"

#include <QDateEdit>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/KeyedGrid.h"
#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "ui/print/GridRoutines.h"
#include "core/reports/CardMovements.h"
#include "core/reports/StoredValueReport.h"
#include "ui/print/ZPPrinter.h"

namespace {

const QColor kTotalColor(0xFF, 0xF2, 0xCC);
const QColor kOpeningColor(0xE8, 0xF0, 0xFB);

QPushButton *button(const QString &name, const QString &text, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QDateEdit *datePicker(const QString &name, QWidget *parent)
{
    auto *d = new QDateEdit(parent);
    d->setObjectName(name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return d;
}

} // namespace

frmVipReport::frmVipReport(const QString &cnstr, int userId, int number, QWidget *parent)
    : QDialog(parent), m_cnstr(cnstr), m_number(number)
{
    setObjectName(formatName());
    setWindowTitle(title());
    const db::Rows users = db::query(cnstr, QStringLiteral("select FUserName from t_user where FUserID=?"), {userId});
    m_userName = users.isEmpty() ? QString() : users.first().text(QStringLiteral("FUserName"));

    dtpFrom = datePicker(QStringLiteral("dtpFrom"), this);
    dtpTo = datePicker(QStringLiteral("dtpTo"), this);
    txtVipNo = new QLineEdit(this);
    txtVipNo->setObjectName(QStringLiteral("txtVipNo"));
    txtVipNo->setMaximumWidth(140);
    lblOwner = new QLabel(this);
    lblOwner->setObjectName(QStringLiteral("lblOwner"));
    cmdQuery = button(QStringLiteral("cmdQuery"), QStringLiteral("查询(&Q)"), this);
    cmdPrint = button(QStringLiteral("cmdPrint"), QStringLiteral("打印(&P)"), this);
    cmdExport = button(QStringLiteral("cmdExport"), QStringLiteral("导出(&E)"), this);
    cmdPageSet = button(QStringLiteral("cmdPageSet"), QStringLiteral("页面设置"), this);
    cmdClose = button(QStringLiteral("cmdClose"), QStringLiteral("关闭(&C)"), this);
    FlexReport = new KeyedGrid(this);
    FlexReport->setObjectName(QStringLiteral("FlexReport"));

    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("开始日期："), this));
    filters->addWidget(dtpFrom);
    filters->addWidget(new QLabel(QStringLiteral("结束日期："), this));
    filters->addWidget(dtpTo);
    filters->addSpacing(12);
    filters->addWidget(new QLabel(number == 109 ? QStringLiteral("会员卡号：") : QStringLiteral("卡号（可空）："), this));
    filters->addWidget(txtVipNo);
    filters->addWidget(lblOwner);
    filters->addStretch();
    auto *buttons = new QHBoxLayout;
    auto *caption = new QLabel(title(), this);
    QFont f = caption->font();
    f.setPointSizeF(f.pointSizeF() * 1.5);
    f.setBold(true);
    caption->setFont(f);
    buttons->addWidget(caption);
    buttons->addStretch();
    for (QPushButton *b : {cmdQuery, cmdPrint, cmdExport, cmdPageSet, cmdClose})
        buttons->addWidget(b);
    auto *v = new QVBoxLayout(this);
    v->addLayout(buttons);
    v->addLayout(filters);
    v->addWidget(FlexReport, 1);
    resize(1000, 620);

    // Columns stand before the first query, so stored widths apply at once.
    const QDateTime now = GetServerDate();
    dtpTo->setDate(now.date());
    dtpFrom->setDate(QDate(now.date().year(), now.date().month(), 1));
    QList<KeyedGrid::Column> cols;
    for (const GridSnapshot::Column &c : StoredValueReport::columns(number))
        cols.append({c.key, c.header, c.width, false,
                     c.numeric ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter});
    FlexReport->setColumns(cols);
    GridSetFormat(*FlexReport, formatName());

    // Enter walks the dates to the card box; Enter there runs the query.
    EnterMovesFocus::chain({dtpFrom, dtpTo, txtVipNo});
    EnterMovesFocus::link(txtVipNo, txtVipNo, [this] {
        cmdQuery_Click();
        return false;
    });
    connect(cmdQuery, &QPushButton::clicked, this, &frmVipReport::cmdQuery_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmVipReport::cmdPrint_Click);
    connect(cmdExport, &QPushButton::clicked, this, &frmVipReport::cmdExport_Click);
    connect(cmdPageSet, &QPushButton::clicked, this, &frmVipReport::cmdPageSet_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    // A drag reports every step; the widths are written once, on closing.
    connect(FlexReport, &KeyedGrid::afterColumnResized, this, [this] { m_widthsChanged = true; });

    if (number == 109)
        txtVipNo->setFocus();
    else
        cmdQuery_Click();
}

void frmVipReport::done(int result)
{
    if (m_widthsChanged) {
        try {
            GridWriteWidth(*FlexReport, formatName());
            m_widthsChanged = false;
        } catch (const CoreError &e) {
            showError(e, this);
        }
    }
    QDialog::done(result);
}

QString frmVipReport::formatName() const
{
    return QStringLiteral("frmVipReport%1").arg(m_number);
}

QString frmVipReport::title() const
{
    return StoredValueReport::title(m_number);
}

void frmVipReport::cmdQuery_Click()
{
    StoredValueReport::Result res;
    try {
        if (m_number == 109 && txtVipNo->text().trimmed().isEmpty()) {
            Prompts::current().exclamation(QStringLiteral("请输入会员卡号！"));
            txtVipNo->setFocus();
            return;
        }
        if (m_number == 109 && !CardMovements::any(m_cnstr, txtVipNo->text())) {
            // Not an empty statement of 0.00: nothing, and the card dialogue's own word.
            FlexReport->setRows(1);
            lblOwner->clear();
            Prompts::current().exclamation(QStringLiteral("卡号不存在！"));
            txtVipNo->setFocus();
            txtVipNo->selectAll();
            return;
        }
        res = StoredValueReport::run(m_cnstr, m_number, {dtpFrom->date(), dtpTo->date(), txtVipNo->text()});
    } catch (const CoreError &e) {
        showError(e, this);
        return;
    }
    FlexReport->setRows(1);
    auto fill = [&](const QStringList &texts) {
        const int row = FlexReport->addRow();
        for (int c = 0; c < res.columns.size(); ++c)
            FlexReport->setText(row, res.columns[c].key, texts.value(c));
        return row;
    };
    for (const QStringList &line : res.lines)
        fill(line);
    if (m_number == 109 && FlexReport->rows() > 1)
        FlexReport->setRowBackColor(1, kOpeningColor);
    const int total = fill(res.total);
    FlexReport->setRowBackColor(total, kTotalColor);
    for (int c = 0; c < FlexReport->cols(); ++c) {
        QTableWidgetItem *it = FlexReport->item(total - 1, c);
        if (it) {
            QFont f = it->font();
            f.setBold(true);
            it->setFont(f);
        }
    }
    lblOwner->setText(m_number == 109 ? QStringLiteral("持卡人：%1").arg(res.owner) : QString());
}

QStringList frmVipReport::titleLines() const
{
    QStringList lines{title(), QStringLiteral("日期：%1 至 %2")
                                   .arg(dtpFrom->date().toString(QStringLiteral("yyyy-MM-dd")),
                                        dtpTo->date().toString(QStringLiteral("yyyy-MM-dd")))};
    if (!txtVipNo->text().trimmed().isEmpty())
        lines.last() += QStringLiteral("    卡号：%1 %2").arg(txtVipNo->text().trimmed(),
                                                         m_number == 109 ? lblOwner->text() : QString());
    return lines;
}

void frmVipReport::cmdPrint_Click()
{
    try {
        if (FlexReport->rows() <= 1) {
            Prompts::current().information(QStringLiteral("没有数据！"));
            return;
        }
        ZPPrinter printer;
        printer.DoPrint(false, m_cnstr, formatName(), titleLines(), *FlexReport,
                        {QStringLiteral("制表：") + m_userName,
                         QStringLiteral("打印时间：") +
                             QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))});
    } catch (const CoreError &e) {
        showError(e, this);
    }
}

void frmVipReport::cmdExport_Click()
{
    try {
        GridExport(*FlexReport, title());
    } catch (const CoreError &e) {
        showError(e, this);
    }
}

void frmVipReport::cmdPageSet_Click()
{
    try {
        GridPageSet(*FlexReport, FlexReport->cols(), formatName());
    } catch (const CoreError &e) {
        showError(e, this);
    }
}

void runreport(const QString &cnstr, int userId, short number)
{
    if (!StoredValueReport::known(number))
        throw db::DbError(QStringLiteral("没有编号为 %1 的报表").arg(number));
    frmVipReport dlg(cnstr, userId, number);
    DialogRunner::exec(dlg);
}
