#include "ui/frame/frmImport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/exchange/ShopExport.h"
#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "ui/print/FileChooser.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

QPushButton *button(QWidget *parent, const QString &caption, const QString &name)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

const QString kFilters = QStringLiteral("电子表格 (*.xlsx *.csv);;Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)");

} // namespace

frmImport::frmImport(QWidget *parent)
    : SmallDialog(parent, QStringLiteral("frmImport"), QStringLiteral("导入"), QStringLiteral("cmdOk"),
                  QStringLiteral("cmdExit"))
{
    cmbKind = new QComboBox(this);
    cmbKind->setObjectName(QStringLiteral("cmbKind"));
    for (ShopImport::Kind k : {ShopImport::Kind::Items, ShopImport::Kind::Members, ShopImport::Kind::Orders})
        cmbKind->addItem(ShopImport::caption(k), int(k));
    txtFile = new QLineEdit(this);
    txtFile->setObjectName(QStringLiteral("txtFile"));
    cmdBrowse = button(this, QStringLiteral("浏览(&B)..."), QStringLiteral("cmdBrowse"));
    cmdPreview = button(this, QStringLiteral("预览(&P)"), QStringLiteral("cmdPreview"));
    cmdTemplate = button(this, QStringLiteral("下载模板(&T)..."), QStringLiteral("cmdTemplate"));
    cmdExport = button(this, QStringLiteral("导出(&E)..."), QStringLiteral("cmdExport"));
    chkUpdate = new QCheckBox(QStringLiteral("更新（卡内已有余额的卡改为表中的余额）"), this);
    chkUpdate->setObjectName(QStringLiteral("chkUpdate"));
    FlexPreview = new KeyedGrid(this);
    FlexPreview->setObjectName(QStringLiteral("FlexPreview"));
    FlexPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FlexRefused = new KeyedGrid(this);
    FlexRefused->setObjectName(QStringLiteral("FlexRefused"));
    FlexRefused->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FlexRefused->setColumns({{QStringLiteral("row"), QStringLiteral("行"), 60, false, Qt::AlignRight | Qt::AlignVCenter},
                             {QStringLiteral("column"), QStringLiteral("列"), 110},
                             {QStringLiteral("reason"), QStringLiteral("不能导入的原因"), 520}});
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    barProgress = new QProgressBar(this);
    barProgress->setObjectName(QStringLiteral("barProgress"));
    barProgress->setRange(0, 1000);
    barProgress->setValue(0);

    auto *top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("导入内容："), this), 0, 0);
    top->addWidget(cmbKind, 0, 1);
    top->addWidget(chkUpdate, 0, 2, 1, 2);
    top->addWidget(new QLabel(QStringLiteral("文件："), this), 1, 0);
    top->addWidget(txtFile, 1, 1, 1, 2);
    top->addWidget(cmdBrowse, 1, 3);
    top->setColumnStretch(2, 1);
    auto *tools = new QHBoxLayout;
    tools->addWidget(cmdPreview);
    tools->addWidget(cmdTemplate);
    tools->addWidget(cmdExport);
    tools->addStretch(1);
    auto *v = new QVBoxLayout;
    v->addLayout(top);
    v->addLayout(tools);
    v->addWidget(new QLabel(QStringLiteral("前几行（导入后的样子）："), this));
    v->addWidget(FlexPreview, 2);
    v->addWidget(new QLabel(QStringLiteral("不能导入的行："), this));
    v->addWidget(FlexRefused, 1);
    v->addWidget(lblSummary);
    v->addWidget(barProgress);
    build(v);
    cmdOk->setText(QStringLiteral("导入(&I)"));
    cmdOk->setEnabled(false);
    cmdExit->setText(QStringLiteral("关闭(&C)"));
    resize(860, 560);

    connect(cmdBrowse, &QPushButton::clicked, this, [this] { cmdBrowse_Click(); });
    connect(cmdPreview, &QPushButton::clicked, this, [this] { cmdPreview_Click(); });
    connect(cmdTemplate, &QPushButton::clicked, this, [this] { cmdTemplate_Click(); });
    connect(cmdExport, &QPushButton::clicked, this, [this] { cmdExport_Click(); });
    // Enter in the file box reads the file (and only that: the import waits for its own
    // Enter); a changed choice needs a new preview.
    txtFile->installEventFilter(this);
    const auto stale = [this] {
        m_plan.reset();
        cmdOk->setEnabled(false);
    };
    connect(txtFile, &QLineEdit::textEdited, this, stale);
    connect(cmbKind, &QComboBox::currentIndexChanged, this, stale);
    connect(chkUpdate, &QCheckBox::toggled, this, stale);
    cmbKind->setFocus();
}

bool frmImport::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtFile && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            cmdPreview_Click();
            return true;
        }
    }
    return SmallDialog::eventFilter(watched, event);
}

ShopImport::Kind frmImport::kind() const
{
    return ShopImport::Kind(cmbKind->currentData().toInt());
}

ShopImport::Hooks frmImport::hooks()
{
    m_cancel = false;
    return {[this](qint64 done, qint64 total) {
                barProgress->setValue(total > 0 ? int(done * 1000 / total) : 0);
                QCoreApplication::processEvents();
            },
            [this] { return m_cancel; }};
}

void frmImport::setBusy(bool busy)
{
    m_busy = busy;
    for (QWidget *w : std::initializer_list<QWidget *>{cmbKind, txtFile, chkUpdate, cmdBrowse, cmdPreview,
                                                       cmdTemplate, cmdExport, cmdOk})
        w->setEnabled(!busy);
    cmdExit->setText(busy ? QStringLiteral("取消(&C)") : QStringLiteral("关闭(&C)"));
    if (!busy)
        cmdOk->setEnabled(m_plan && m_plan->refusals.isEmpty());
}

void frmImport::cmdBrowse_Click()
{
    const QString file = FileChooser::current().openFileName(QStringLiteral("选择要导入的表格"),
                                                             QDir::homePath(), kFilters);
    if (file.isEmpty())
        return;
    txtFile->setText(QDir::toNativeSeparators(file));
    cmdPreview_Click();
}

void frmImport::cmdPreview_Click()
{
    m_plan.reset();
    FlexPreview->setColumns({});
    FlexRefused->setRows(1);
    lblSummary->clear();
    barProgress->setValue(0);
    const QString file = QDir::fromNativeSeparators(txtFile->text().trimmed());
    if (file.isEmpty()) {
        Prompts::current().exclamation(QStringLiteral("请选择要导入的文件！"));
        txtFile->setFocus();
        return;
    }
    ShopImport::Options options;
    options.update = chkUpdate->isChecked();
    options.today = GetServerDate().date();
    setBusy(true);
    runShowingErrors(this, [&] {
        m_plan = ShopImport::read(GetCnstr(), kind(), file, options, hooks());
        m_planFile = file;
    });
    setBusy(false);
    if (m_plan)
        showPlan();
    else
        txtFile->setFocus();
}

void frmImport::showPlan()
{
    const ShopImport::Plan &p = *m_plan;
    QList<KeyedGrid::Column> columns;
    for (int i = 0; i < p.columns.size(); ++i)
        columns.append({QStringLiteral("c%1").arg(i), p.columns.at(i),
                        p.columns.at(i).contains(u'码') || p.columns.at(i).contains(u'号') ? 140 : 100});
    FlexPreview->setColumns(columns);
    for (const QStringList &row : p.firstRows) {
        const int r = FlexPreview->addRow();
        for (int i = 0; i < row.size() && i < p.columns.size(); ++i)
            FlexPreview->setText(r, QStringLiteral("c%1").arg(i), row.at(i));
    }
    for (const ShopImport::Refusal &refusal : p.refusals) {
        const int r = FlexRefused->addRow();
        FlexRefused->setText(r, QStringLiteral("row"), QString::number(refusal.row));
        FlexRefused->setText(r, QStringLiteral("column"), refusal.column);
        FlexRefused->setText(r, QStringLiteral("reason"), refusal.reason);
    }
    lblSummary->setText(p.refusals.isEmpty()
                            ? QStringLiteral("共 %1 行，都可以导入。按“导入”写入。").arg(p.rows)
                            : QStringLiteral("共 %1 行，其中 %2 行不能导入；请改正表格后重新预览，没有写入任何数据。")
                                  .arg(p.rows)
                                  .arg(p.refusals.size()));
    cmdOk->setEnabled(p.refusals.isEmpty());
    (p.refusals.isEmpty() ? static_cast<QWidget *>(cmdOk) : FlexRefused)->setFocus();
}

void frmImport::cmdOk_Click()
{
    if (m_busy || !m_plan || !m_plan->refusals.isEmpty())
        return;
    if (!Prompts::current().question(QStringLiteral("导入 %1 行%2？").arg(m_plan->rows).arg(ShopImport::caption(kind()))))
        return;
    ShopImport::Options options;
    options.update = chkUpdate->isChecked();
    options.today = GetServerDate().date();
    options.billerId = GetUserID();
    ShopImport::Result result;
    setBusy(true);
    const bool done = runShowingErrors(this, [&] { result = ShopImport::write(GetCnstr(), *m_plan, options, hooks()); });
    m_plan.reset();
    setBusy(false);
    barProgress->setValue(done ? 1000 : 0);
    if (done) {
        lblSummary->setText(QStringLiteral("已导入：新增 %1，更新 %2，未变 %3。").arg(result.added).arg(result.updated).arg(result.unchanged));
        Prompts::current().information(lblSummary->text());
    }
    cmdExit->setFocus();
}

void frmImport::cmdExit_Click()
{
    if (m_busy) {
        m_cancel = true;
        return;
    }
    SmallDialog::cmdExit_Click();
}

void frmImport::cmdTemplate_Click()
{
    const QString file = FileChooser::current().saveFileName(
        QStringLiteral("下载模板"),
        QDir::home().filePath(QStringLiteral("%1导入模板.xlsx").arg(ShopImport::caption(kind()))),
        QStringLiteral("Excel 工作簿 (*.xlsx)"));
    if (file.isEmpty())
        return;
    if (runShowingErrors(this, [&] { ShopExport::writeTemplate(GetCnstr(), kind(), file); }))
        Prompts::current().information(QStringLiteral("模板已保存到 %1").arg(QDir::toNativeSeparators(file)));
}

void frmImport::cmdExport_Click()
{
    const QString file = FileChooser::current().saveFileName(
        QStringLiteral("导出"), QDir::home().filePath(ShopImport::caption(kind()) + QStringLiteral(".xlsx")),
        QStringLiteral("Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)"));
    if (file.isEmpty())
        return;
    int n = 0;
    if (runShowingErrors(this, [&] { n = ShopExport::write(GetCnstr(), kind(), file, GetServerDate().date()); }))
        Prompts::current().information(
            QStringLiteral("已导出 %1 行到 %2").arg(n).arg(QDir::toNativeSeparators(file)));
}
