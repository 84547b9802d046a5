#include "ui/frame/FrmMain.h"

#include <exception>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QThread>

#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/WindowFit.h"
#include "core/frame/Prompts.h"
#include "core/frame/ReferenceData.h"
#include "core/frame/Routines.h"
#include "core/frame/Session.h"
#include "core/base/CoreError.h"
#include "core/print/PrintTypes.h"
#include "ui/frame/frmAccountSets.h"
#include "ui/backoffice/frmItemList.h"
#include "ui/backoffice/frmPriceStyle.h"
#include "ui/backoffice/frmStock.h"
#include "ui/backoffice/frmUserList.h"
#include "ui/backoffice/frmVipList.h"
#include "ui/frame/frmGrant.h"
#include "ui/frame/frmImport.h"
#include "ui/frame/frmModifyPwd.h"
#include "ui/members/frmEditVip.h"
#include "ui/members/frmVip.h"
#include "ui/members/frmVipCz.h"
#include "ui/print/frmTdDesigner.h"
#include "ui/reports/frmOrderHzb.h"
#include "ui/reports/frmVipReport.h"
#include "ui/reports/frmYyrbb.h"
#include "ui/orders/frmOrderAdjBill.h"
#include "ui/orders/frmOrderBillList.h"
#include "ui/orders/frmOrderbill.h"
#include "ui/orders/frmUnCplOrder.h"
#include "ui/pos/frmSaleBill.h"
#include "ui/pos/frmSaleBillList.h"

FrmMain::FrmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QStringLiteral("奶站前台管理系统"));
    resize(1000, 700); // leaves room for the frame on a 1024-wide counter screen
    setMouseTracking(true);

    buildCommandBar();

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("Picture1"));
    m_picture->setMouseTracking(true);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setText(QStringLiteral("奶站前台管理系统"));
    m_picture->setStyleSheet(QStringLiteral(
        "QLabel#Picture1 { color: #5a7da8; font-size: 36px; font-weight: bold;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f9ff, stop:1 #cfe2f7); }"));
    setCentralWidget(m_picture);

    // The status bar keeps the account and operator panels at their own width; the
    // installation's text takes what is left.
    statusBar()->setObjectName(QStringLiteral("stbMain"));
    m_panelText = new QLabel(QStringLiteral("奶站前台管理系统"), this);
    m_panelAcct = new QLabel(this);
    m_panelAcct->setObjectName(QStringLiteral("acctname"));
    m_panelUser = new QLabel(this);
    m_panelUser->setObjectName(QStringLiteral("curuser"));
    for (QLabel *panel : {m_panelText, m_panelAcct, m_panelUser})
        panel->setContentsMargins(6, 0, 6, 0);
    statusBar()->addWidget(m_panelText, 1);
    statusBar()->addPermanentWidget(m_panelAcct);
    statusBar()->addPermanentWidget(m_panelUser);

    buildCommands();
}

QAction *FrmMain::addTool(QMenu *menu, const QString &caption, const QString &name)
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(name);
    // Every tool goes through the one dispatcher, whether clicked, chosen by key or triggered.
    connect(a, &QAction::triggered, this, [this, name] { actBar_ToolClick(name); });
    return a;
}

void FrmMain::buildCommandBar()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("mnuMain"));

    QMenu *function = bar->addMenu(QStringLiteral("业务管理(&A)"));
    function->setObjectName(QStringLiteral("myFunction"));
    function->menuAction()->setObjectName(QStringLiteral("MnuFunction"));
    addTool(function, QStringLiteral("订单"), QStringLiteral("Order"));
    addTool(function, QStringLiteral("出库单"), QStringLiteral("sale"));
    addTool(function, QStringLiteral("会员补卡"), QStringLiteral("bk"));
    addTool(function, QStringLiteral("订单更换奶种"), QStringLiteral("orderchange"));
    addTool(function, QStringLiteral("会员充值"), QStringLiteral("czbill"));
    function->addSeparator();
    addTool(function, QStringLiteral("权限设置"), QStringLiteral("Grant"));
    addTool(function, QStringLiteral("修改登录密码"), QStringLiteral("modifypwd"));
    addTool(function, QStringLiteral("修改会员信息"), QStringLiteral("editvip"));
    addTool(function, QStringLiteral("调用套打设计器"), QStringLiteral("tdsj"));
    addTool(function, QStringLiteral("帐套管理"), QStringLiteral("accountsets"));

    QMenu *report = bar->addMenu(QStringLiteral("报表中心(&R)"));
    report->setObjectName(QStringLiteral("myReport"));
    report->menuAction()->setObjectName(QStringLiteral("MnuSg"));
    addTool(report, QStringLiteral("订单明细表"), QStringLiteral("OrderList"));
    addTool(report, QStringLiteral("订单汇总表"), QStringLiteral("orderhzb"));
    addTool(report, QStringLiteral("销售明细表"), QStringLiteral("SaleList"));
    addTool(report, QStringLiteral("营业日报表"), QStringLiteral("yyrbb"));
    addTool(report, QStringLiteral("未完成订单明细表"), QStringLiteral("uncplorder"));
    addTool(report, QStringLiteral("充值明细表"), QStringLiteral("czmxb"));
    addTool(report, QStringLiteral("充值消费汇总表"), QStringLiteral("czhzb"));
    addTool(report, QStringLiteral("充值消费流水帐"), QStringLiteral("viplsz"));
    addTool(report, QStringLiteral("会员对账单"), QStringLiteral("vipdzd"));

    // The shop's own back office: the data the counters read.
    QMenu *baseData = bar->addMenu(QStringLiteral("基础资料(&B)"));
    baseData->setObjectName(QStringLiteral("myBaseData"));
    baseData->menuAction()->setObjectName(QStringLiteral("MnuBaseData"));
    addTool(baseData, QStringLiteral("商品资料"), QStringLiteral("item"));
    addTool(baseData, QStringLiteral("价格体系"), QStringLiteral("pricestyle"));
    addTool(baseData, QStringLiteral("仓库"), QStringLiteral("stock"));
    addTool(baseData, QStringLiteral("操作员"), QStringLiteral("user"));
    addTool(baseData, QStringLiteral("会员一览"), QStringLiteral("viplist"));
    baseData->addSeparator();
    addTool(baseData, QStringLiteral("导入"), QStringLiteral("import"));

    bar->addSeparator();
    QAction *exit = bar->addAction(QStringLiteral("退出系统(&X)"));
    exit->setObjectName(QStringLiteral("MnuExit"));
    connect(exit, &QAction::triggered, this, [this] { actBar_ToolClick(QStringLiteral("MnuExit")); });
}

void FrmMain::buildCommands()
{
    // Rows are matched top to bottom; the first match acts.
    const QString noRight = QStringLiteral("无权限！");
    const QString noGrant = QStringLiteral("没有权限！");
    m_commands = {
        {QStringLiteral("order"), Right::Grant, QStringLiteral("neworder"), noRight,
         [this] { showForm<frmOrderbill>(false); }},
        {QStringLiteral("orderchange"), Right::Grant, QStringLiteral("OrderAdjItem"), noRight,
         [this] { showForm<frmOrderAdjBill>(true); }},
        {QStringLiteral("tdsj"), Right::None, {}, {}, [] { RunDesiger(GetCnstr(), PrintTypes::Sale); }},
        {QStringLiteral("editvip"), Right::None, {}, {}, [this] { showForm<frmEditVip>(true); }},
        {QStringLiteral("modifypwd"), Right::None, {}, {},
         [] { ModifyPwd(GetCnstr(), GetUserName()); }},
        {QStringLiteral("sale"), Right::Grant, QStringLiteral("newsale"), noRight,
         [this] { showForm<frmSaleBill>(false); }},
        {QStringLiteral("orderlist"), Right::Grant, QStringLiteral("ordermxb"), noGrant,
         [this] { showForm<frmOrderBillList>(false); }},
        {QStringLiteral("salelist"), Right::Grant, QStringLiteral("salemxb"), noGrant,
         [this] { showForm<frmSaleBillList>(false); }},
        {QStringLiteral("grant"), Right::Manager, {}, noGrant,
         [this] { showForm<frmGrant>(true); }},
        {QStringLiteral("yyrbb"), Right::Grant, QStringLiteral("yyrbb"), noGrant,
         [this] { showForm<frmYyrbb>(true); }},
        {QStringLiteral("orderhzb"), Right::Grant, QStringLiteral("orderhzb"), noGrant,
         [this] { showForm<frmOrderHzb>(true); }},
        {QStringLiteral("MnuExit"), Right::None, {}, {}, [this] { endProgram(); }},
        {QStringLiteral("bk"), Right::Grant, QStringLiteral("bk"), noGrant,
         [this] { showForm<frmVip>(true); }},
        {QStringLiteral("uncplorder"), Right::None, {}, {},
         [this] { showForm<frmUnCplOrder>(false); }},
        {QStringLiteral("czbill"), Right::None, {}, {}, [this] { showForm<frmVipCz>(true); }},
        {QStringLiteral("czmxb"), Right::None, {}, {}, [] { runreport(GetCnstr(), GetUserID(), 103); }},
        {QStringLiteral("czhzb"), Right::None, {}, {}, [] { runreport(GetCnstr(), GetUserID(), 104); }},
        {QStringLiteral("viplsz"), Right::None, {}, {}, [] { runreport(GetCnstr(), GetUserID(), 106); }},
        {QStringLiteral("accountsets"), Right::Manager, {}, noGrant,
         [this] { showForm<frmAccountSets>(true); }},
        {QStringLiteral("vipdzd"), Right::None, {}, {}, [] { runreport(GetCnstr(), GetUserID(), 109); }},
        {QStringLiteral("item"), Right::Grant, QStringLiteral("BaseData"), noGrant,
         [this] { showForm<frmItemList>(true); }},
        {QStringLiteral("pricestyle"), Right::Grant, QStringLiteral("BaseData"), noGrant,
         [this] { showForm<frmPriceStyle>(true); }},
        {QStringLiteral("stock"), Right::Grant, QStringLiteral("BaseData"), noGrant,
         [this] { showForm<frmStock>(true); }},
        {QStringLiteral("user"), Right::Grant, QStringLiteral("BaseData"), noGrant,
         [this] { showForm<frmUserList>(true); }},
        {QStringLiteral("viplist"), Right::Grant, QStringLiteral("BaseData"), noGrant,
         [this] { showForm<frmVipList>(true); }},
        {QStringLiteral("import"), Right::Grant, QStringLiteral("BaseData"), noGrant,
         [this] { showForm<frmImport>(true); }},
    };
}

void FrmMain::Form_Load()
{
    Session &s = Session::current();
    m_panelUser->setText(QStringLiteral("操作员：") + s.UserName);
    m_panelAcct->setText(QStringLiteral("帐套：") + s.acctname);
    s.RetailPriceStyleID = ReferenceData::retailPriceStyleId(s.Cnstr);
}

void FrmMain::setStatusText(const QString &text)
{
    m_panelText->setText(text.isEmpty() ? QStringLiteral("奶站前台管理系统") : text);
}

QAction *FrmMain::tool(const QString &toolName) const
{
    return menuBar()->findChild<QAction *>(toolName);
}

bool FrmMain::setCommandAction(const QString &key, std::function<void()> action)
{
    for (Command &c : m_commands)
        if (c.key.compare(key, Qt::CaseInsensitive) == 0) {
            c.action = std::move(action);
            return true;
        }
    return false;
}

bool FrmMain::allowed(const Command &command) const
{
    // Asked every time: a change of rights takes effect at the next command.
    switch (command.right) {
    case Right::None:
        return true;
    case Right::Manager:
        return IsManager();
    case Right::Grant:
        return HasGrant(command.grantKey);
    }
    return false;
}

void FrmMain::actBar_ToolClick(const QString &toolName)
{
    try {
        for (const Command &c : m_commands) {
            if (c.key.compare(toolName, Qt::CaseInsensitive) != 0)
                continue;
            if (!allowed(c)) {
                Prompts::current().information(c.refusal);
                return;
            }
            // A copy: the action may change the table (tests) or end the window.
            const std::function<void()> action = c.action;
            if (action)
                action();
            return;
        }
    } catch (const CoreError &e) {
        showError(e, this);
    } catch (const std::exception &e) {
        showError(CoreError(QString::fromUtf8(e.what())), this);
    }
}

QWidget *FrmMain::showForm(std::type_index type, bool modal,
                           const std::function<QWidget *()> &create)
{
    QPointer<QWidget> &slot = m_forms[type];
    if (slot && slot->isVisible()) {
        // Already open: to the front, with its content as the operator left it.
        if (slot->isMinimized())
            slot->showNormal();
        slot->raise();
        slot->activateWindow();
        return modal ? nullptr : slot.data();
    }
    if (slot)
        delete slot.data(); // closed but not yet gone: a new one is made
    QWidget *form = create();
    form->setWindowFlag(Qt::Window);
    slot = form;
    auto *dialog = qobject_cast<QDialog *>(form);
    if (!modal || !dialog)
        WindowFit::apply(*form); // a modal dialog is fitted by the dialog runner
    if (!modal) {
        form->setAttribute(Qt::WA_DeleteOnClose);
        form->show();
        form->raise();
        form->activateWindow();
        return form;
    }
    const QPointer<QWidget> guard(form);
    if (dialog) {
        DialogRunner::exec(*dialog);
    } else {
        // A modal form that is not a dialog: wait here until it is closed.
        form->setAttribute(Qt::WA_DeleteOnClose);
        form->setWindowModality(Qt::ApplicationModal);
        QEventLoop loop;
        connect(form, &QObject::destroyed, &loop, &QEventLoop::quit);
        form->show();
        loop.exec();
    }
    delete guard.data();
    return nullptr;
}

void FrmMain::endProgram()
{
    // At once and without questions: open forms are dropped with whatever they hold.
    if (m_ending)
        return;
    m_ending = true;
    for (auto &entry : m_forms)
        if (entry.second) {
            entry.second->hide();
            entry.second->deleteLater();
        }
    hide();
    // Without a running event loop (start-up not finished, tests) there is nothing to leave.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    event->accept();
    endProgram();
}

void FrmMain::mouseMoveEvent(QMouseEvent *event)
{
    // Back to the normal arrow when the mouse comes over the window.
    setCursor(Qt::ArrowCursor);
    QMainWindow::mouseMoveEvent(event);
}
