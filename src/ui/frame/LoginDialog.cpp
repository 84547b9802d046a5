#include "ui/frame/LoginDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/frame/frmAccountSets.h"
#include "core/frame/AccountSets.h"
#include "core/frame/Authenticator.h"
#include "core/frame/Prompts.h"
#include "core/frame/ReferenceData.h"
#include "core/base/CoreError.h"
#include "core/db/Schema.h"

LoginDialog::LoginDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LoginDialog"));
    setWindowTitle(QStringLiteral("登录"));
    m_account = new QComboBox(this);
    m_account->setObjectName(QStringLiteral("cmbAccount"));
    loadAccounts();
    m_user = new QComboBox(this);
    m_user->setObjectName(QStringLiteral("cmbUser"));
    m_user->setEditable(true);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("txtPassword"));
    m_password->setEchoMode(QLineEdit::Password);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("帐套："), m_account);
    form->addRow(QStringLiteral("操作员："), m_user);
    form->addRow(QStringLiteral("密码："), m_password);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("登录(&O)"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消(&C)"), QDialogButtonBox::RejectRole);
    QPushButton *accounts = buttons->addButton(QStringLiteral("帐套管理(&M)"), QDialogButtonBox::ActionRole);
    accounts->setObjectName(QStringLiteral("cmdAccounts"));
    accounts->setAutoDefault(false);
    connect(accounts, &QPushButton::clicked, this, &LoginDialog::cmdAccounts_Click);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &LoginDialog::tryLogin);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_account, &QComboBox::currentIndexChanged, this, &LoginDialog::loadOperators);
    loadOperators();
    m_password->setFocus();
}

void LoginDialog::loadAccounts()
{
    const QSignalBlocker block(m_account);
    const QString was = m_account->currentText();
    m_account->clear();
    for (const AccountSets::Entry &e : AccountSets::list())
        m_account->addItem(e.name, e.cnstr);
    const int i = m_account->findText(was);
    if (i >= 0)
        m_account->setCurrentIndex(i);
}

void LoginDialog::cmdAccounts_Click()
{
    {
        frmAccountSets f(this);
        DialogRunner::exec(f);
    }
    loadAccounts();
    loadOperators();
    m_password->setFocus();
}

QString LoginDialog::accountName() const
{
    return m_account->currentText();
}

void LoginDialog::loadOperators()
{
    m_user->clear();
    const QString cnstr = m_account->currentData().toString();
    if (cnstr.isEmpty())
        return;
    try {
        db::Schema::ensure(cnstr);
        m_user->addItems(ReferenceData::operatorNames(cnstr, ReferenceData::Operators::Enabled));
    } catch (const CoreError &e) {
        showError(e, this);
    }
}

void LoginDialog::tryLogin()
{
    const QString cnstr = m_account->currentData().toString();
    if (cnstr.isEmpty()) {
        Prompts::current().exclamation(QStringLiteral("请选择帐套！"));
        return;
    }
    try {
        const auto op = Authenticator::verify(cnstr, m_user->currentText(), m_password->text());
        if (!op) {
            Prompts::current().exclamation(QStringLiteral("操作员或密码错误！"));
            m_password->selectAll();
            m_password->setFocus();
            return;
        }
        m_cnstr = cnstr;
        m_userId = op->userId;
        m_userName = op->userName;
        accept();
    } catch (const CoreError &e) {
        showError(e, this);
    }
}
