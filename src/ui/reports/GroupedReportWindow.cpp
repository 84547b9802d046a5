#include "ui/reports/GroupedReportWindow.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

const QColor kSubtotalColor(240, 244, 255);
const QColor kTotalColor(247, 255, 244);

QComboBox *combo(const QString &name, const QStringList &items, QWidget *parent)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems(items);
    c->setMinimumWidth(90);
    return c;
}

} // namespace

GroupedReportWindow::GroupedReportWindow(const QString &cnstr, const QString &formatName,
                                         const QString &title, const QStringList &criteria,
                                         int selected, bool queryDayLimit, QWidget *parent)
    : ReportWindow(cnstr, formatName, title, QStringLiteral("Flex"), parent),
      m_queryDayLimit(queryDayLimit)
{
    Flex = grid();
    cmdRefresh = addButton(QStringLiteral("cmdRefresh"), QStringLiteral("刷新"));
    cmdPrint = addButton(QStringLiteral("cmdPrint"), QStringLiteral("打印"));
    cmdPageSet = addButton(QStringLiteral("cmdPageSet"), QStringLiteral("设置页面"));
    cmdExit = addButton(QStringLiteral("cmdExit"), QStringLiteral("引出"));

    auto *frame = new QGroupBox(QStringLiteral("单据日期"), this);
    frame->setObjectName(QStringLiteral("fraDate"));
    auto *dates = new QHBoxLayout(frame);
    dtpFromDate = datePicker(QStringLiteral("dtpFromDate"), frame);
    dtpToDate = datePicker(QStringLiteral("dtpToDate"), frame);
    dates->addWidget(new QLabel(QStringLiteral("从："), frame));
    dates->addWidget(dtpFromDate);
    dates->addWidget(new QLabel(QStringLiteral("止："), frame));
    dates->addWidget(dtpToDate);
    filterArea()->addWidget(frame);

    cmbTotal1 = combo(QStringLiteral("cmbTotal1"), criteria, this);
    cmbTotal1->setCurrentIndex(selected);
    cmbTotal2 = combo(QStringLiteral("cmbTotal2"), QStringList{QString()} + criteria, this);
    cmbTotal2->setCurrentIndex(-1);
    filterArea()->addWidget(new QLabel(QStringLiteral("汇总依据1："), this));
    filterArea()->addWidget(cmbTotal1);
    filterArea()->addWidget(new QLabel(QStringLiteral("汇总依据2："), this));
    filterArea()->addWidget(cmbTotal2);

    const QDate today = GetServerDate().date();
    dtpFromDate->setDate(today);
    dtpToDate->setDate(today);
    // Before the first run the grid is one empty header row of two columns.
    Flex->setColumns(
        {{QStringLiteral("FTotal1"), QString()}, {QStringLiteral("FTotal2"), QString()}});
    setKindStyle(ReportRow::Subtotal, kSubtotalColor, false);
    setKindStyle(ReportRow::Total, kTotalColor, true);
    // A column dragged narrower than 100 twips disappears.
    setHideNarrowerThan(7);

    connect(cmdRefresh, &QPushButton::clicked, this, &GroupedReportWindow::cmdRefresh_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &ReportWindow::printGrid);
    connect(cmdPageSet, &QPushButton::clicked, this, &ReportWindow::pageSetup);
    connect(cmdExit, &QPushButton::clicked, this, &ReportWindow::exportGrid);
}

void GroupedReportWindow::finishLayout(std::initializer_list<QWidget *> fields)
{
    filterArea()->addStretch();
    EnterMovesFocus::chain(fields);
    QWidget *last = *(fields.end() - 1);
    EnterMovesFocus::link(last, last, [this] {
        cmdRefresh_Click();
        return false;
    });
    dtpFromDate->setFocus();
}

void GroupedReportWindow::cmdRefresh_Click()
{
    clearResult();
    // The operator's allowed days come from the database like any query: guarded the same.
    if (m_queryDayLimit &&
        !runShowingErrors(this, [this] { applyQueryDayLimit(dtpFromDate, dtpToDate); }))
        return;
    if (cmbTotal1->currentText().isEmpty()) {
        Prompts::current().exclamation(QStringLiteral("请选择汇总依据！"));
        cmbTotal1->setFocus();
        return;
    }
    const GroupedReport::Request request{cmbTotal1->currentText(), cmbTotal2->currentText(),
                                         dtpFromDate->date(), dtpToDate->date()};
    runQuery([&] {
        const GroupedReport::Design d = design();
        // The columns stand, with the stored widths, before the rows come.
        const ReportTable empty = GroupedReport::build(d, request, {});
        setColumns(empty.columns);
        Flex->setColHidden(QStringLiteral("FTotal2"),
                           empty.hiddenColumns.contains(QStringLiteral("FTotal2")));
        Flex->setGridRowHeight(0, 28);
        fill(GroupedReport::run(cnstr(), d, request));
    });
}

QStringList GroupedReportWindow::titleLines() const
{
    return {QStringLiteral("单据日期：") +
            dtpFromDate->date().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" ～ ") +
            dtpToDate->date().toString(QStringLiteral("yyyy-MM-dd"))};
}
