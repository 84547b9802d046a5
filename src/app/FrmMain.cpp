#include "app/FrmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QStatusBar>

#include "app/Session.h"
#include "app/db/Database.h"

FrmMain::FrmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QStringLiteral("奶站前台管理系统"));
    resize(1024, 700);
    m_panelText = new QLabel(QStringLiteral("奶站前台管理系统"), this);
    m_panelAcct = new QLabel(this);
    m_panelAcct->setObjectName(QStringLiteral("acctname"));
    m_panelUser = new QLabel(this);
    m_panelUser->setObjectName(QStringLiteral("curuser"));
    statusBar()->setObjectName(QStringLiteral("stbMain"));
    statusBar()->addWidget(m_panelText, 1);
    statusBar()->addPermanentWidget(m_panelAcct);
    statusBar()->addPermanentWidget(m_panelUser);
}

void FrmMain::Form_Load()
{
    Session &s = Session::current();
    m_panelUser->setText(QStringLiteral("操作员：") + s.UserName);
    m_panelAcct->setText(QStringLiteral("帐套：") + s.acctname);
    const db::Rows rows = db::query(
        s.Cnstr, QStringLiteral("select FItemID from t_pricestyle where FName=?"), {QStringLiteral("零售价")});
    s.RetailPriceStyleID = rows.isEmpty() ? 0 : rows.first().integer(QStringLiteral("FItemID"));
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program with every form, without asking.
    event->accept();
    QApplication::closeAllWindows();
    QApplication::quit();
}
